// storyboard: tiles the pictures of a list with their captions into one PNG.
//
//   storyboard --font FILE [--columns N] [--width PIXELS] [--check] LIST OUT.png
//
// LIST has one step per line: a PNG's path (relative to LIST's folder), a
// tab, the caption. Pictures that cannot be read are named on stderr and on
// their tiles; the sheet is written all the same and the exit status is 1.
// With --check the sheet is not written but compared with OUT.png, pixel by
// pixel: status 1 when they differ. A wrong command line ends with status 2;
// -h, --help and --version print and end with 0.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "sim/command_conventions.h"
#include "sim/screen/png_file.h"
#include "storyboard.h"

namespace {

constexpr const char* kUsage =
    "usage: storyboard --font FILE [--columns N] [--width PIXELS] [--check] LIST OUT.png\n"
    "Tiles the pictures of LIST, one \"PICTURE<TAB>CAPTION\" a line (PICTURE relative\n"
    "to LIST's folder), each scaled with its number and caption under it, into OUT.png.\n"
    "options:\n"
    "  --font FILE      the captions' TrueType face\n"
    "  --columns N      pictures a row (default 2)\n"
    "  --width PIXELS   each picture's width (default 640)\n"
    "  --check          compare with OUT.png instead of writing it: status 1 when\n"
    "                   they differ\n"
    "  -h, --help       print this and end\n"
    "  --version        print the version and end\n";

// A command line the tool cannot take: why, on stderr, and status 2.
int Refuse(const std::string& why) { return sim::RefuseCommandLine("storyboard", why); }

// The sheet against the PNG at path: 0 the same pixels, 1 different (said
// on stderr), 2 the PNG cannot be read.
int CompareWith(const storyboard::Sheet& sheet, const std::string& path) {
  int width = 0, height = 0;
  std::vector<uint8_t> reference;
  std::string error;
  if (!sim::ReadPng(path, &width, &height, &reference, &error)) {
    std::fprintf(stderr, "storyboard: %s\n", error.c_str());
    return 2;
  }
  if (width != sheet.width || height != sheet.height) {
    std::fprintf(stderr, "storyboard: %s is %d x %d pixels, the sheet %d x %d\n", path.c_str(), width,
                 height, sheet.width, sheet.height);
    return 1;
  }
  long differ = 0;
  for (size_t i = 0; i + 3 < sheet.rgba.size(); i += 4)
    if (std::memcmp(&sheet.rgba[i], &reference[i], 4) != 0) ++differ;
  if (differ == 0) return 0;
  std::fprintf(stderr, "storyboard: %ld of %d pixels differ from %s\n", differ, sheet.width * sheet.height,
               path.c_str());
  return 1;
}

bool ToInt(const char* text, int* value) {
  char* end = nullptr;
  long number = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || number < 0 || number > 100000) return false;
  *value = static_cast<int>(number);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  storyboard::Layout layout;
  std::string font, list_file, out_file;
  bool check = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("%s\n", sim::VersionLine("storyboard", RECOLYX_VERSION).c_str());
      return 0;
    }
    if (arg == "--check") {
      check = true;
    } else if (arg == "--font" || arg == "--columns" || arg == "--width") {
      if (i + 1 >= argc) return Refuse(arg + " takes a value (storyboard --help)");
      const char* value = argv[++i];
      if (arg == "--font") {
        font = value;
      } else if (!ToInt(value, arg == "--columns" ? &layout.columns : &layout.tile_width)) {
        return Refuse(arg + " takes a number, not " + sim::QuotedWord(value));
      }
    } else if (!arg.empty() && arg[0] == '-') {
      return Refuse(sim::UnknownOptionText("storyboard", arg));
    } else if (list_file.empty()) {
      list_file = arg;
    } else if (out_file.empty()) {
      out_file = arg;
    } else {
      return Refuse("one LIST and one OUT.png, not also " + sim::QuotedWord(arg) + " (storyboard --help)");
    }
  }
  if (font.empty() || list_file.empty() || out_file.empty())
    return Refuse("--font, LIST and OUT.png are needed (storyboard --help)");

  std::ifstream list(list_file);
  if (!list) {
    std::fprintf(stderr, "storyboard: cannot read the list %s\n", list_file.c_str());
    return 2;
  }
  std::stringstream text;
  text << list.rdbuf();
  std::vector<storyboard::Step> steps;
  std::string error;
  if (!storyboard::ParseList(text.str(), &steps, &error)) {
    std::fprintf(stderr, "storyboard: %s: %s\n", list_file.c_str(), error.c_str());
    return 2;
  }
  const size_t slash = list_file.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : list_file.substr(0, slash);
  storyboard::Sheet sheet;
  if (!storyboard::ComposeSheet(steps, folder, font, layout, &sheet, &error)) {
    std::fprintf(stderr, "storyboard: %s\n", error.c_str());
    return 2;
  }
  if (check) {
    for (const std::string& problem : sheet.problems) std::fprintf(stderr, "storyboard: %s\n", problem.c_str());
    const int status = sheet.problems.empty() ? CompareWith(sheet, out_file) : 1;
    if (status == 0) std::printf("storyboard: %s shows the same %zu steps\n", out_file.c_str(), steps.size());
    return status;
  }
  if (!sim::WritePng(out_file, sheet.width, sheet.height, 4, sheet.rgba.data(), sheet.width * 4, &error)) {
    std::fprintf(stderr, "storyboard: %s\n", error.c_str());
    return 2;
  }
  for (const std::string& problem : sheet.problems) std::fprintf(stderr, "storyboard: %s\n", problem.c_str());
  std::printf("storyboard: %s: %d x %d pixels, steps: %zu\n", out_file.c_str(), sheet.width, sheet.height,
              steps.size());
  return sheet.problems.empty() ? 0 : 1;
}
