// Where the plug-in draws each catalogue text, in which font and with how
// much room: the screens' layouts as the fit check sees them.
#pragma once

#include <vector>

struct TextPlace {
  const char* where;  // the screen and line, for the report
  int font;           // font id (kBigFontId for the status band)
  // The line as drawn: "{n}" stands for text n, "{KB}", "{MB}", "{GB}" for
  // the unit words of the language; everything else is drawn as it stands
  // (numbers at their widest).
  const char* layout;
  int x;      // left edge of the line
  int limit;  // the line must end at or before this x
  // Drawn right-aligned at limit on the same row; its width is taken from
  // the room (null when there is none).
  const char* right_neighbour;
  int max_bytes;  // size of the buffer the line is built in, 0 when none
};

// Every place of every text of the product.
const std::vector<TextPlace>& TextPlaces();

// Catalogue numbers the product uses: 3..kLastTextUsed (103 on lie in the
// extra table of the catalogue).
inline constexpr int kLastTextUsed = 108;
bool TextUsed(int number);

// Texts that may be empty (a word the language does not need).
bool MayBeEmpty(int number);
