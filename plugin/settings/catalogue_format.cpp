#include "settings/catalogue_format.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

CatalogueLine ParseCataloguePiece(char* piece, size_t length, CatalogueEntry* entry) {
  // The piece ends at its first zero byte, carriage return or line feed;
  // memchr finds each of them a word at a time.
  size_t content = length;
  for (char end : {'\n', '\r', '\0'}) {
    const void* found = std::memchr(piece, end, content);
    if (found != nullptr) content = static_cast<size_t>(static_cast<const char*>(found) - piece);
  }
  if (content == 0 || piece[0] == ';') return CatalogueLine::kBlank;
  auto* equals = static_cast<char*>(std::memchr(piece, '=', content));
  if (equals == nullptr || equals == piece) return CatalogueLine::kMalformed;
  *equals = '\0';  // strtol stops there at the latest
  entry->number = std::strtol(piece, nullptr, 10);
  entry->text = equals + 1;
  entry->length = static_cast<size_t>(piece + content - (equals + 1));
  return CatalogueLine::kEntry;
}

CatalogueLine ParseCatalogueLine(char* line, CatalogueEntry* entry) {
  CatalogueLine kind = ParseCataloguePiece(line, std::strlen(line), entry);
  if (kind == CatalogueLine::kEntry) const_cast<char*>(entry->text)[entry->length] = '\0';
  return kind;
}

size_t CataloguePieceLength(const char* data, size_t remaining) {
  size_t limit = remaining < kCatalogueLineBuffer - 1 ? remaining : kCatalogueLineBuffer - 1;
  const void* feed = std::memchr(data, '\n', limit);
  return feed != nullptr ? static_cast<size_t>(static_cast<const char*>(feed) - data) + 1 : limit;
}
