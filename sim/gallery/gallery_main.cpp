// gallery: draws every screen of the plug-in in each language and writes one
// contact sheet per language.
//
//   gallery --home DIR --out DIR [--languages XX,YY,...]
//
// DIR of --home is a home folder as the build makes it (catalogue files,
// skin, fonts, text library). Prints each sheet written; exits 1 on the
// first failure, 2 on a wrong command line.
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "sim/gallery/gallery.h"
#include "sim/platform/virtual_disks.h"
#include "sim/screen/screen.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: gallery --home DIR --out DIR [--languages XX,YY,...]\n");
  return 2;
}

std::vector<std::string> SplitCodes(const std::string& list) {
  std::vector<std::string> codes;
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    if (comma > start) codes.push_back(list.substr(start, comma - start));
    start = comma + 1;
  }
  return codes;
}

}  // namespace

int main(int argc, char** argv) {
  gallery::GalleryOptions options;
  for (int i = 1; i < argc; ++i) {
    const bool has_value = i + 1 < argc;
    if (std::strcmp(argv[i], "--home") == 0 && has_value) {
      options.home_dir = argv[++i];
    } else if (std::strcmp(argv[i], "--out") == 0 && has_value) {
      options.out_folder = argv[++i];
    } else if (std::strcmp(argv[i], "--languages") == 0 && has_value) {
      options.codes = SplitCodes(argv[++i]);
    } else {
      return Usage();
    }
  }
  if (options.home_dir.empty() || options.out_folder.empty()) return Usage();

  // The set's folders of the device table live in a sandbox of this run.
  char sandbox[] = "/tmp/recolyx-gallery-XXXXXX";
  std::string error;
  if (mkdtemp(sandbox) == nullptr || !sim::StartPlatform(sandbox, &error)) {
    std::fprintf(stderr, "gallery: sandbox: %s\n", error.c_str());
    return 1;
  }
  sim::ScreenOptions screen;
  screen.home_dir = options.home_dir;
  sim::ConfigureScreen(screen);
  sim::SetPictureCaption(5, "Evening News");

  std::vector<gallery::SheetReport> sheets;
  const bool done = gallery::RenderGallery(options, &sheets, &error);
  for (const gallery::SheetReport& sheet : sheets)
    std::printf("%s: %d screens in %s\n", sheet.code.c_str(), sheet.screens, sheet.path.c_str());
  std::error_code ignored;
  std::filesystem::remove_all(sandbox, ignored);
  if (!done) {
    std::fprintf(stderr, "gallery: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
