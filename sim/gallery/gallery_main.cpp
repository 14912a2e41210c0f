// gallery: draws every screen of the plug-in in each language and writes one
// contact sheet per language.
//
//   gallery --home DIR --out DIR [--languages XX,YY,...]
//
// DIR of --home is a home folder as the build makes it (catalogue files,
// skin, fonts, text library). Prints each sheet written; exits 1 on the
// first failure, 2 on a wrong command line (-h, --help and --version print
// and end with 0).
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "sim/command_conventions.h"
#include "sim/gallery/gallery.h"
#include "sim/platform/virtual_disks.h"
#include "sim/screen/screen.h"

namespace {

constexpr const char* kUsage =
    "usage: gallery --home DIR --out DIR [--languages XX,YY,...]\n"
    "Draws every screen of the plug-in in each language with the home folder's\n"
    "catalogues, skin and fonts, and writes OUT/gallery_XX.png, one sheet a language.\n"
    "options:\n"
    "  --home DIR              a home folder as the build makes it (build/debug/home)\n"
    "  --out DIR               the folder for the sheets\n"
    "  --languages XX,YY,...   these languages only (default: every catalogue file)\n"
    "  -h, --help              print this and end\n"
    "  --version               print the version and end\n";

// A command line the gallery cannot take: why, on stderr, and status 2.
int Refuse(const std::string& why) { return sim::RefuseCommandLine("gallery", why); }

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
  std::string languages;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "-h" || option == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (option == "--version") {
      std::printf("%s\n", sim::VersionLine("gallery", RECOLYX_VERSION).c_str());
      return 0;
    }
    std::string* value = option == "--home"        ? &options.home_dir
                         : option == "--out"       ? &options.out_folder
                         : option == "--languages" ? &languages
                                                   : nullptr;
    if (value == nullptr) return Refuse(sim::UnknownOptionText("gallery", option));
    if (i + 1 >= argc) return Refuse(option + " takes a value (gallery --help)");
    *value = argv[++i];
  }
  if (!languages.empty()) options.codes = SplitCodes(languages);
  if (options.home_dir.empty() || options.out_folder.empty())
    return Refuse("--home and --out are needed (gallery --help)");

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
