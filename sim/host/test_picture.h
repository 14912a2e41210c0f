// The TV's test picture: colour bars, a travelling white box, the channel
// and the programme's title. The screen draws it under the overlay; the
// recorder encodes it into the streams it writes. Drawn at any size: the
// layout is the 960x540 screen's, scaled.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sim {

// A font image of 16 x 16 glyphs of 12 x 18 pixels, 8 bits of ink each (the
// plug-in's bitmap fonts), copied out of its PNG so that any thread may
// draw with it.
struct LabelGlyphs {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> ink;  // width * height bytes
};

// Reads a font image of 8 bits per pixel; null when it cannot be read or is
// of another kind.
std::shared_ptr<const LabelGlyphs> LoadLabelGlyphs(const std::string& png_path);

// The font of the picture's captions: font118.png of the plug-in's home
// folder (null until set: the picture then has no captions). Any thread.
void SetPictureGlyphs(std::shared_ptr<const LabelGlyphs> glyphs);
std::shared_ptr<const LabelGlyphs> PictureGlyphs();

// Draws text into an RGBA buffer of width x height pixels, each glyph scaled
// by `scale`, clipped at the buffer's edges. UTF-8 as the plug-in's bitmap
// fonts see it. Nothing without glyphs.
void DrawLabel(uint8_t* rgba, int width, int height, const LabelGlyphs* glyphs, int x, int y, int scale,
               const std::string& text, uint8_t r, uint8_t g, uint8_t b);

// What the picture shows.
struct TestPictureContent {
  int bar_shift = 0;   // pixels (of 960) the bars have scrolled to the left
  int box_x = 0;       // left edge of the white box (of 960); off the picture when negative enough
  int channel = 0;     // "CH n" for n >= 1; nothing for 0
  std::string programme;  // its first 24 characters
  bool frozen = false;    // "FREEZE" in the top right corner
};

// The picture, into rgba (width x height x 4 bytes; width at least 8).
void DrawTestPicture(uint8_t* rgba, int width, int height, const TestPictureContent& content,
                     const LabelGlyphs* glyphs);

// The white box alone, over a picture drawn before (for pictures that
// differ only in where the box is).
void DrawTestBox(uint8_t* rgba, int width, int height, int box_x);

// Travel of the box on the 960-pixel screen: it wraps before the edge.
inline constexpr int kTestBoxTravel = 960 - 80;

}  // namespace sim
