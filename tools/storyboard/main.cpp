// storyboard: tiles the pictures of a list with their captions into one PNG.
//
//   storyboard --font FILE [--columns N] [--width PIXELS] LIST OUT.png
//
// LIST has one step per line: a PNG's path (relative to LIST's folder), a
// tab, the caption. Pictures that cannot be read are named on stderr and on
// their tiles; the sheet is written all the same and the exit status is 1.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "sim/screen/png_file.h"
#include "storyboard.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: storyboard --font FILE [--columns N] [--width PIXELS] LIST OUT.png\n");
  return 2;
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
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--font" && i + 1 < argc) {
      font = argv[++i];
    } else if (arg == "--columns" && i + 1 < argc) {
      if (!ToInt(argv[++i], &layout.columns)) return Usage();
    } else if (arg == "--width" && i + 1 < argc) {
      if (!ToInt(argv[++i], &layout.tile_width)) return Usage();
    } else if (list_file.empty() && arg[0] != '-') {
      list_file = arg;
    } else if (out_file.empty() && arg[0] != '-') {
      out_file = arg;
    } else {
      return Usage();
    }
  }
  if (font.empty() || list_file.empty() || out_file.empty()) return Usage();

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
  if (!storyboard::ComposeSheet(steps, folder, font, layout, &sheet, &error) ||
      !sim::WritePng(out_file, sheet.width, sheet.height, 4, sheet.rgba.data(), sheet.width * 4, &error)) {
    std::fprintf(stderr, "storyboard: %s\n", error.c_str());
    return 2;
  }
  for (const std::string& problem : sheet.problems) std::fprintf(stderr, "storyboard: %s\n", problem.c_str());
  std::printf("storyboard: %s: %d x %d pixels, steps: %zu\n", out_file.c_str(), sheet.width, sheet.height,
              steps.size());
  return sheet.problems.empty() ? 0 : 1;
}
