// The big font of the status band (DrawBigText, display/text.h), drawn from
// its palette form or from the decoded image (display/font_images.h): the
// same walk over the glyph table's byte offsets for both, with the carried
// pixel of the lead rows and of pixels outside the image.
#include <algorithm>
#include <array>
#include <cstring>

#include "display/face_text.h"
#include "display/font_images.h"
#include "display/fonts.h"
#include "display/glyph_pen.h"
#include "display/glyph_tables.h"
#include "display/osd_surface.h"
#include "display/pixels.h"
#include "display/screen_opacity.h"
#include "display/text.h"
#include "settings/settings_record.h"

namespace {

// A pixel on the surface: blue, green, red from the red, green, blue given,
// alpha alpha_of[alpha].
uint32_t SurfaceWord(const uint8_t* rgb, uint8_t alpha, const uint8_t (&alpha_of)[256]) {
  const uint8_t bytes[4] = {rgb[2], rgb[1], rgb[0], alpha_of[alpha]};
  uint32_t word;
  std::memcpy(&word, bytes, 4);
  return word;
}

// The decoded image, 3 or 4 bytes a pixel, read at byte offsets. The carried
// pixel is red, green, blue, alpha (a 3-byte image leaves the alpha as it
// was).
class DecodedPixels {
 public:
  using Pixel = std::array<uint8_t, 4>;
  DecodedPixels(const SDL_Surface* image, const uint8_t (&alpha_of)[256])
      : image_(static_cast<const uint8_t*>(image->pixels)),
        size_(static_cast<long>(image->pitch) * image->h),
        bytes_(image->format->BytesPerPixel),
        alpha_of_(alpha_of) {}
  int bytes() const { return bytes_; }
  Pixel Start() const { return kBandColour; }
  bool In(long at) const { return at + bytes_ <= size_; }
  void Take(long at, Pixel* carried) const {
    std::memcpy(carried->data(), image_ + at, 3);
    if (bytes_ >= 4) (*carried)[3] = image_[at + 3];
  }
  uint32_t Word(const Pixel& pixel) const { return SurfaceWord(pixel.data(), pixel[3], alpha_of_); }
  // n pixels from at, all in the image, onto out; the last becomes carried.
  void CopyRun(long at, int n, uint8_t* out, Pixel* carried) const {
    const uint8_t* in = image_ + at;
    if (bytes_ == 4) {
      for (int column = 0; column < n; ++column, in += 4) {
        out[column * 4] = in[2];
        out[column * 4 + 1] = in[1];
        out[column * 4 + 2] = in[0];
        out[column * 4 + 3] = alpha_of_[in[3]];
      }
    } else {
      const uint8_t alpha = alpha_of_[(*carried)[3]];
      for (int column = 0; column < n; ++column, in += bytes_) {
        out[column * 4] = in[2];
        out[column * 4 + 1] = in[1];
        out[column * 4 + 2] = in[0];
        out[column * 4 + 3] = alpha;
      }
    }
    Take(at + static_cast<long>(n - 1) * bytes_, carried);
  }

 private:
  const uint8_t* image_;
  long size_;
  int bytes_;
  const uint8_t (&alpha_of_)[256];
};

// The palette form: byte offset `at` of the decoded image is pixel at / 4.
// The carried pixel is a palette entry, or kStart before any pixel is read.
class PalettePixels {
 public:
  using Pixel = int;
  PalettePixels(const BigFontImage& font, const uint8_t (&alpha_of)[256]) : font_(font) {
    for (int entry = 0; entry < 256; ++entry)
      words_[entry] = SurfaceWord(font.palette[entry], font.palette[entry][3], alpha_of);
    words_[kStart] = SurfaceWord(kBandColour.data(), kBandColour[3], alpha_of);
  }
  int bytes() const { return 4; }
  Pixel Start() const { return kStart; }
  bool In(long at) const { return at / 4 < font_.pixels; }
  void Take(long at, Pixel* carried) const { *carried = font_.entries[at / 4]; }
  uint32_t Word(Pixel pixel) const { return words_[pixel]; }
  void CopyRun(long at, int n, uint8_t* out, Pixel* carried) const {
    const uint8_t* in = font_.entries + at / 4;
    for (int column = 0; column < n; ++column) std::memcpy(out + column * 4, &words_[in[column]], 4);
    *carried = in[n - 1];
  }

 private:
  static constexpr int kStart = 256;
  const BigFontImage& font_;
  uint32_t words_[257];
};

// The big font's walk over text from (x, y), wrapping as DrawText does, 32
// rows a line: each glyph a block of 3 lead rows in the carried pixel and
// its 32 rows, every pixel written; a pixel outside the image repeats the
// carried one. Only what lies on the surface is written.
template <typename Pixels>
void DrawBigGlyphs(SDL_Surface* surface, int x, int y, const char* text, const Pixels& pixels, long pitch) {
  typename Pixels::Pixel carried = pixels.Start();
  const int bytes = pixels.bytes();
  while (*text != '\0') {
    int width = 0;
    const int glyph = NextPenGlyph(&text, BigGlyphTable, kBigGlyphRows, &x, &y, &width);
    if (glyph != ' ') {
      // Columns of the glyph that lie on the surface; the rest is only read.
      const int visible = std::max(0, std::min(width, surface->w - x));
      const uint32_t lead = pixels.Word(carried);
      for (int row = 0; row < kBigLeadRows && y + row < surface->h; ++row) {
        uint8_t* out = PixelAt(surface, x, y + row);
        for (int column = 0; column < visible; ++column) std::memcpy(out + column * 4, &lead, 4);
      }
      for (int row = 0; row < kBigGlyphRows; ++row) {
        const long base = BigGlyphTable[glyph].offset + static_cast<long>(row) * pitch;
        const int target_row = y + kBigLeadRows + row;
        int column = 0;
        if (target_row < surface->h && visible > 0) {
          uint8_t* out = PixelAt(surface, x, target_row);
          if (pixels.In(base + static_cast<long>(visible - 1) * bytes)) {
            pixels.CopyRun(base, visible, out, &carried);  // the whole run lies in the image
          } else {
            for (; column < visible; ++column) {
              const long at = base + static_cast<long>(column) * bytes;
              if (pixels.In(at)) pixels.Take(at, &carried);
              const uint32_t word = pixels.Word(carried);
              std::memcpy(out + column * 4, &word, 4);
            }
          }
          column = visible;
        }
        // Pixels off the surface are not drawn, but the last of them that
        // lies in the image is what the next pixel repeats.
        for (int last = width - 1; last >= column; --last) {
          const long at = base + static_cast<long>(last) * bytes;
          if (pixels.In(at)) {
            pixels.Take(at, &carried);
            break;
          }
        }
      }
    }
    x += width;
  }
}

}  // namespace

void DrawBigText(int x, int y, const char* text) {
  SDL_Surface* surface = OsdSurface.load(std::memory_order_relaxed);
  if (x < 0 || y < 0 || text == nullptr || *text == '\0' || surface == nullptr) return;
  ScopedLock lock(font_mutex);
  const BigFontImage* font = CachedBigFont();
  if (font == nullptr) return;
  if (font->image != nullptr && font->image->format->BytesPerPixel < 3) return;
  const int opacity = DrawingOpacity();
  const int percent = ImageAlphaPercent();
  // The alpha written for each source alpha, scaled by both percentages.
  uint8_t alpha_of[256];
  for (int a = 0; a < 256; ++a) alpha_of[a] = static_cast<uint8_t>(percent * (a * opacity / 100) / 100);
  if (TTF_Font* face = FallbackFace(kBigFontId, text)) {
    BigFontColours colours;
    std::memcpy(colours.band, kBandColour.data(), 4);
    std::memcpy(colours.ink, font->ink.data(), 4);
    DrawFaceBigText(surface, face, x, y, text, colours, alpha_of);
    return;
  }
  SurfaceLock surface_lock(surface);
  if (font->image == nullptr) {
    DrawBigGlyphs(surface, x, y, text, PalettePixels(*font, alpha_of), font->pitch);
    return;
  }
  SurfaceLock font_lock(font->image);
  DrawBigGlyphs(surface, x, y, text, DecodedPixels(font->image, alpha_of), font->pitch);
}
