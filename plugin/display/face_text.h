// Text drawn with the TrueType face in the place of a bitmap font that lacks
// one of its letters (fonts.h, FallbackFace): at the bitmap font's position,
// by the bitmap font's law of colour and alpha, so that the line sits in the
// band or pane as the bitmap text would.
//
// All of these call the text library: hold font_mutex. The code kDrawnBlank
// (the stop-timer line's blank) is measured and drawn as a space.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "display/fonts.h"

// Width of text in face; kNoFontWidth when the library cannot
// measure it. 0 for an empty text.
int FaceTextWidth(TTF_Font* face, const char* text) REQUIRES(font_mutex);
// Width and height of the block DrawFaceText covers for text; false, with
// the width kNoFontWidth and the height 0, when the library cannot measure
// it. 0 by 0 for an empty text.
bool FaceTextSize(TTF_Font* face, const char* text, int* width, int* height) REQUIRES(font_mutex);

// Draws text with face, the top of its line at (x, y), as fonts 118 and 218
// draw their ink: a pixel the face covers by c (1..255) becomes tinted[c],
// the others keep the surface's pixel. Clipped to the surface; no wrap.
void DrawFaceText(SDL_Surface* surface, TTF_Font* face, int x, int y, const char* text,
                  const uint32_t (&tinted)[256]) REQUIRES(font_mutex);

// The colours of the big font's cells: the band under the letters and the
// letters' ink, red, green, blue, alpha as in its image.
struct BigFontColours {
  uint8_t band[4];
  uint8_t ink[4];
};

// Draws text with face as the big font draws a line: a block as wide as the
// text and 35 rows high from (x, y), every pixel written, of 3 lead rows in
// the band colour and then the face's line, each pixel the band colour mixed
// towards the ink by the face's coverage (as the big font's letters were
// made); blue, green, red from that, alpha alpha_of[its alpha]. Clipped to
// the surface; no wrap.
void DrawFaceBigText(SDL_Surface* surface, TTF_Font* face, int x, int y, const char* text,
                     const BigFontColours& colours, const uint8_t (&alpha_of)[256]) REQUIRES(font_mutex);
