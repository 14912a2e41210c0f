// catalogue_check: reports, for catalogue files, missing numbers, duplicates,
// malformed lines, letters the fonts lack and texts that do not fit on the
// screens. Exit status 0 when every file is clean, 1 when any has a problem,
// 2 on wrong use.
#include <cstdio>
#include <cstring>
#include <string>

#include "catalogue_checker.h"
#include "text_measure.h"

int main(int argc, char** argv) {
  const char* font = nullptr;
  int first = 1;
  if (argc > 2 && std::strcmp(argv[1], "--font") == 0) {
    font = argv[2];
    first = 3;
  }
  if (font == nullptr || first >= argc) {
    std::fprintf(stderr, "usage: catalogue_check --font FACE.ttf messages_XX.txt...\n");
    return 2;
  }
  std::string error;
  auto measure = OpenFontMeasure(font, &error);
  if (measure == nullptr) {
    std::fprintf(stderr, "catalogue_check: %s\n", error.c_str());
    return 2;
  }
  int status = 0;
  for (int i = first; i < argc; ++i) {
    std::string code = CodeOfCatalogueFile(argv[i]);
    auto problems = CheckCatalogue(argv[i], code.c_str(), *measure);
    for (const std::string& problem : problems) std::printf("%s: %s\n", argv[i], problem.c_str());
    if (!problems.empty()) status = 1;
  }
  return status;
}
