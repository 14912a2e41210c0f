#include "display/font_images.h"

#include <cstdlib>
#include <cstring>

#include "display/pixels.h"

namespace {

std::array<uint8_t, 4> FindInk(const SDL_Surface* image) {
  std::array<uint8_t, 4> ink = kBandColour;
  const int bytes = image->format->BytesPerPixel;
  if (bytes < 3) return ink;
  int best_alpha = -1, best_light = -1;
  for (int y = 0; y < image->h; ++y) {
    const auto* row = static_cast<const uint8_t*>(image->pixels) + static_cast<long>(y) * image->pitch;
    for (int x = 0; x < image->w; ++x) {
      const uint8_t* p = row + x * bytes;
      const int alpha = bytes >= 4 ? p[3] : kBandColour[3];
      const int light = p[0] + p[1] + p[2];
      if (alpha < best_alpha || (alpha == best_alpha && light <= best_light)) continue;
      best_alpha = alpha, best_light = light;
      ink = {p[0], p[1], p[2], static_cast<uint8_t>(alpha)};
    }
  }
  return ink;
}

// The palette of a 32-bit image: up to 256 colours found through a small
// open hash of 512 slots. false when the image has more.
class PaletteBuilder {
 public:
  // The entry of colour (a pixel's four bytes as a word), added when new;
  // -1 when the palette is full.
  int EntryOf(uint32_t colour) {
    unsigned slot = (colour * 2654435761u) >> 23;  // 9 bits
    for (;; slot = (slot + 1) & 511) {
      if (slot_entry_[slot] == 0) break;
      if (colours_[slot_entry_[slot] - 1] == colour) return slot_entry_[slot] - 1;
    }
    if (count_ == 256) return -1;
    colours_[count_] = colour;
    slot_entry_[slot] = static_cast<uint16_t>(++count_);
    return count_ - 1;
  }
  uint32_t colour(int entry) const { return colours_[entry]; }
  int count() const { return count_; }

 private:
  uint32_t colours_[256] = {};
  uint16_t slot_entry_[512] = {};  // entry + 1; 0 free
  int count_ = 0;
};

// The palette form of a 4-byte image, into font; false (nothing allocated)
// when it has more than 256 colours.
bool MakePaletteForm(const SDL_Surface* image, BigFontImage* font) {
  const long pixels = static_cast<long>(image->w) * image->h;
  auto* entries = static_cast<uint8_t*>(std::malloc(pixels > 0 ? pixels : 1));
  if (entries == nullptr) return false;
  PaletteBuilder palette;
  for (int y = 0; y < image->h; ++y) {
    const auto* row = static_cast<const uint8_t*>(image->pixels) + static_cast<long>(y) * image->pitch;
    for (int x = 0; x < image->w; ++x) {
      uint32_t colour;
      std::memcpy(&colour, row + x * 4, 4);
      const int entry = palette.EntryOf(colour);
      if (entry < 0) {
        std::free(entries);
        return false;
      }
      entries[static_cast<long>(y) * image->w + x] = static_cast<uint8_t>(entry);
    }
  }
  for (int entry = 0; entry < palette.count(); ++entry) {
    const uint32_t colour = palette.colour(entry);
    std::memcpy(font->palette[entry], &colour, 4);
  }
  font->entries = entries;
  font->pixels = pixels;
  return true;
}

}  // namespace

bool MakeSmallFontImage(SDL_Surface* image, SmallFontImage* font) {
  *font = SmallFontImage{};
  if (image == nullptr) return false;
  font->image = image;
  SurfaceLock lock(image);
  const auto* bytes = static_cast<const uint8_t*>(image->pixels);
  const long size = static_cast<long>(image->pitch) * image->h;
  bool present[256] = {};
  for (int glyph = 0; glyph < 128; ++glyph) {
    const GlyphEntry& entry = SmallGlyphTable[glyph];
    for (int row = 0; row < kSmallGlyphRows; ++row) {
      const long base = entry.offset + static_cast<long>(row) * image->pitch;
      uint16_t columns = 0;
      for (int column = 0; column < entry.width && base + column < size; ++column) {
        const uint8_t ink = bytes[base + column];
        if (ink == 0) continue;
        columns = static_cast<uint16_t>(columns | 1u << column);
        present[ink] = true;
      }
      font->ink_columns[glyph][row] = columns;
    }
  }
  for (int ink = 1; ink < 256; ++ink) {
    if (present[ink]) font->inks[font->ink_count++] = static_cast<uint8_t>(ink);
  }
  return true;
}

bool MakeBigFontImage(SDL_Surface* image, BigFontImage* font) {
  *font = BigFontImage{};
  if (image == nullptr) return false;
  font->pitch = image->pitch;
  bool palette_form = false;
  {
    SurfaceLock lock(image);
    font->ink = FindInk(image);
    // Only where a row's bytes are its pixels: the table's byte offsets
    // then address pixel offset / 4.
    palette_form =
        image->format->BytesPerPixel == 4 && image->pitch == image->w * 4 && MakePaletteForm(image, font);
  }
  if (palette_form) {
    SDL_FreeSurface(image);
  } else {
    font->image = image;
  }
  return true;
}

void FreeSmallFontImage(SmallFontImage* font) {
  if (font->image != nullptr) SDL_FreeSurface(font->image);
  *font = SmallFontImage{};
}

void FreeBigFontImage(BigFontImage* font) {
  if (font->image != nullptr) SDL_FreeSurface(font->image);
  std::free(font->entries);
  *font = BigFontImage{};
}

long FontImageBytes(const SmallFontImage& font) {
  return font.image != nullptr ? static_cast<long>(font.image->pitch) * font.image->h : 0;
}

long FontImageBytes(const BigFontImage& font) {
  if (font.entries != nullptr) return font.pixels;
  return font.image != nullptr ? static_cast<long>(font.image->pitch) * font.image->h : 0;
}
