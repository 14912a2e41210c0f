#include "settings/catalogue_format.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

long CatalogueNumber(const char* begin, const char* end, const char** after) {
  constexpr long kLimit = 1000000000;
  const char* at = begin;
  while (at < end && (*at == ' ' || (*at >= '\t' && *at <= '\r'))) ++at;
  bool negative = false;
  if (at < end && (*at == '+' || *at == '-')) negative = *at++ == '-';
  long value = 0;
  for (; at < end && *at >= '0' && *at <= '9'; ++at)
    if (value < kLimit) value = value * 10 + (*at - '0');
  if (value > kLimit) value = kLimit;
  *after = at;
  return negative ? -value : value;
}

CatalogueLine ParseCatalogueContent(char* piece, size_t content, CatalogueEntry* entry) {
  if (content == 0 || piece[0] == ';') return CatalogueLine::kBlank;
  const char* after;
  const long number = CatalogueNumber(piece, piece + content, &after);
  // Blanks, sign and digits hold no "=": the first one is at or after them.
  char* equals = piece + (after - piece);
  if (equals == piece + content || *equals != '=')
    equals = static_cast<char*>(std::memchr(equals, '=', static_cast<size_t>(piece + content - equals)));
  if (equals == nullptr || equals == piece) return CatalogueLine::kMalformed;
  *equals = '\0';
  entry->number = number;
  entry->text = equals + 1;
  entry->length = static_cast<size_t>(piece + content - (equals + 1));
  return CatalogueLine::kEntry;
}

CatalogueLine ParseCataloguePiece(char* piece, size_t length, CatalogueEntry* entry) {
  // A piece holds at most one line feed, at its end; it ends earlier at its
  // first carriage return or zero byte (memchr finds each a word at a time).
  size_t content = length > 0 && piece[length - 1] == '\n' ? length - 1 : length;
  for (char end : {'\r', '\0'}) {
    const void* found = std::memchr(piece, end, content);
    if (found != nullptr) content = static_cast<size_t>(static_cast<const char*>(found) - piece);
  }
  return ParseCatalogueContent(piece, content, entry);
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
