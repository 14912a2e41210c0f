// The catalogue file format: one entry per line made of a number, "=" and the
// text; ";" starts a comment; LF or CR LF line ends; no escapes. Shared by the
// loader and the catalogue check, so that both read a file the same way.
#pragma once

#include <cstddef>

// Texts 0..102 have a slot each in the exported array `mess`, whose layout
// the loader relies on; the texts from 103 on are read from the same files
// into a table of kExtraMessageCount slots of their own.
inline constexpr int kMessageCount = 103;
inline constexpr int kExtraMessageCount = 8;
inline constexpr int kCatalogueTextCount = kMessageCount + kExtraMessageCount;
// Lines are read with a buffer of this size; a longer line arrives in pieces
// of at most kCatalogueLineBuffer - 1 bytes and each piece counts as a line.
inline constexpr int kCatalogueLineBuffer = 255;
// Files outside these sizes are refused without being read.
inline constexpr long kCatalogueMinBytes = 6;
inline constexpr long kCatalogueMaxBytes = 3145728;

enum class CatalogueLine {
  kBlank,      // empty after the line end is cut, or a comment
  kMalformed,  // no "=", or "=" is the first character
  kEntry,      // number and text; the number may lie outside the catalogue
};

struct CatalogueEntry {
  long number;       // the part before the first "=", read as strtol reads it
  const char* text;  // everything after the first "=", zero-terminated
  size_t length;     // bytes of text
};

// Classifies one line (or piece of a line) as read into a buffer: ends it at
// its first carriage return or line feed and, for an entry, cuts it at the
// first "=" (the line buffer is modified) and fills entry.
CatalogueLine ParseCatalogueLine(char* line, CatalogueEntry* entry);

// The same for a piece of a file held in memory, which need not be
// terminated: the piece ends at length, or earlier at a zero byte, carriage
// return or line feed. entry->text is then not terminated; entry->length
// counts its bytes. The byte at the "=" is overwritten with a zero.
CatalogueLine ParseCataloguePiece(char* piece, size_t length, CatalogueEntry* entry);

// The same for the content of a piece, whose end (its first zero byte,
// carriage return or line feed, or its length) the caller has found.
CatalogueLine ParseCatalogueContent(char* piece, size_t content, CatalogueEntry* entry);

// The number at the start of [begin, end) read the way strtol reads it in
// base 10: leading blanks, a sign, digits; 0 when there are no digits.
// Values beyond a billion read as a billion (with their sign): they lie
// outside the catalogue either way. *after is the first byte not taken.
long CatalogueNumber(const char* begin, const char* end, const char** after);

// Length of the next piece that reading data line by line with a buffer of
// kCatalogueLineBuffer bytes yields: up to and including the first line feed,
// at most kCatalogueLineBuffer - 1 bytes.
size_t CataloguePieceLength(const char* data, size_t remaining);
