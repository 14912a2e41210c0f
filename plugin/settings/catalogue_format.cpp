#include "settings/catalogue_format.h"

#include <cstdlib>
#include <cstring>

CatalogueLine ParseCatalogueLine(char* line, CatalogueEntry* entry) {
  line[std::strcspn(line, "\r\n")] = '\0';
  if (line[0] == '\0' || line[0] == ';') return CatalogueLine::kBlank;
  char* equals = std::strchr(line, '=');
  if (equals == nullptr || equals == line) return CatalogueLine::kMalformed;
  *equals = '\0';
  entry->number = std::strtol(line, nullptr, 10);
  entry->text = equals + 1;
  entry->length = std::strlen(entry->text);
  return CatalogueLine::kEntry;
}
