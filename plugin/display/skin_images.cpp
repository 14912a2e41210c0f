#include "display/skin_images.h"

#include <bit>
#include <cstring>

#include "display/skin_files.h"

namespace {

// One kept image: its name, the form it is held in, the screens using it.
struct Kept {
  char name[24];
  SkinForm form;
  int opacity;
  int percent;
  unsigned screens;  // SkinScreen bits; 0: the slot is free
  SDL_Surface* image;
  SkinPixels pixels;
};

// A screen draws at most a dozen different images.
constexpr int kKeptSlots = 16;

Kept kept[kKeptSlots] GUARDED_BY(display_mutex) = {};
unsigned current_screen GUARDED_BY(display_mutex) = 0;
const SkinScreenKeeper* keeper GUARDED_BY(display_mutex) = nullptr;
long decodes GUARDED_BY(display_mutex) = 0;

void FreeSlot(Kept& slot) {
  if (slot.image != nullptr) SDL_FreeSurface(slot.image);
  slot = Kept{};
}

SkinPixels PixelsOf(const SDL_Surface* image) {
  SkinPixels pixels;
  pixels.w = image->w;
  pixels.h = image->h;
  pixels.pitch = image->pitch;
  pixels.bytes = image->format->BytesPerPixel;
  pixels.pixels = static_cast<const uint8_t*>(image->pixels);
  return pixels;
}

// `image` (decoded, freed here) in `form`: converted in its own pixels for a
// 4-byte image, into a new 32-bit surface for a 3-byte one. Null when that
// fails or the form refuses the image.
SDL_Surface* Convert(SDL_Surface* image, SkinForm form, int opacity, int percent) {
  const int bytes = image->format->BytesPerPixel;
  if (form == SkinForm::kDecoded) return image;
  if (form == SkinForm::kPane && bytes != 4) {
    SDL_FreeSurface(image);
    return nullptr;
  }
  uint8_t alpha_of[256];
  FillSkinAlphaTable(form, bytes, opacity, percent, alpha_of);
  SDL_Surface* out = image;
  if (bytes != 4) {
    out = SDL_CreateRGBSurface(SDL_SWSURFACE, image->w, image->h, 32, 0x00FF0000, 0x0000FF00, 0x000000FF,
                               0xFF000000);
    if (out == nullptr) {
      SDL_FreeSurface(image);
      return nullptr;
    }
  }
  SDL_LockSurface(image);
  if (out != image) SDL_LockSurface(out);
  for (int row = 0; row < image->h; ++row) {
    const uint8_t* in = static_cast<const uint8_t*>(image->pixels) + row * image->pitch;
    uint8_t* converted = static_cast<uint8_t*>(out->pixels) + row * out->pitch;
    ConvertSkinRow(in, bytes, image->w, converted, alpha_of, false);
  }
  if (out != image) {
    SDL_UnlockSurface(out);
    SDL_UnlockSurface(image);
    SDL_FreeSurface(image);
  } else {
    SDL_UnlockSurface(image);
  }
  return out;
}

// The kept image `name` in `form` for `screen`, loaded and converted when
// it is not kept yet; an image of that name in another form is replaced.
// Null when it cannot be loaded or kept.
Kept* Keep(const char* name, SkinForm form, int opacity, int percent, unsigned screen)
    REQUIRES(display_mutex) {
  if (std::strlen(name) >= sizeof kept[0].name) return nullptr;
  Kept* free_slot = nullptr;
  for (Kept& slot : kept) {
    if (slot.screens == 0) {
      if (free_slot == nullptr) free_slot = &slot;
      continue;
    }
    if (std::strcmp(slot.name, name) != 0) continue;
    if (slot.form == form && slot.opacity == opacity && slot.percent == percent) {
      slot.screens |= screen;
      return &slot;
    }
    FreeSlot(slot);  // another form (the opacity changed): decoded again below
    if (free_slot == nullptr) free_slot = &slot;
  }
  if (free_slot == nullptr) return nullptr;
  ++decodes;
  SDL_Surface* image = LoadSkinImage(name);
  if (image == nullptr) return nullptr;
  image = Convert(image, form, opacity, percent);
  if (image == nullptr) return nullptr;
  Kept& slot = *free_slot;
  std::memcpy(slot.name, name, std::strlen(name) + 1);
  slot.form = form;
  slot.opacity = opacity;
  slot.percent = percent;
  slot.screens = screen;
  slot.image = image;
  slot.pixels = PixelsOf(image);
  slot.pixels.converted = form != SkinForm::kDecoded;
  return &slot;
}

}  // namespace

void FillSkinAlphaTable(SkinForm form, int bytes, int opacity, int percent, uint8_t (&table)[256]) {
  for (int a = 0; a < 256; ++a) {
    int value = a;
    if (form == SkinForm::kPanel) value = bytes == 4 ? a * opacity / 100 : 255;
    if (form == SkinForm::kPane) value = opacity * (a * percent / 100) / 100;
    table[a] = static_cast<uint8_t>(value);
  }
}

namespace {

constexpr struct IdentityTable {
  uint8_t of[256];
  constexpr IdentityTable() : of() {
    for (int a = 0; a < 256; ++a) of[a] = static_cast<uint8_t>(a);
  }
} kSameAlpha;

// Four pixels as one value: the compiler uses the machine's vector
// registers where it has them, plain words elsewhere.
typedef uint32_t FourPixels __attribute__((vector_size(16)));

template <typename Words>
Words RedAndBlueSwapped(Words v) {
  return (v & 0xFF00FF00u) | ((v & 0xFFu) << 16) | ((v >> 16) & 0xFFu);
}

// R G B A words to B G R A, alpha as it is.
void SwapRedAndBlue(const uint8_t* in, int n, uint8_t* out) {
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    FourPixels v;
    std::memcpy(&v, in + i * 4, sizeof v);
    v = RedAndBlueSwapped(v);
    std::memcpy(out + i * 4, &v, sizeof v);
  }
  for (; i < n; ++i) {
    uint32_t v;
    std::memcpy(&v, in + i * 4, 4);
    v = RedAndBlueSwapped(v);
    std::memcpy(out + i * 4, &v, 4);
  }
}

}  // namespace

void ConvertSkinRow(const uint8_t* in, int bytes, int n, uint8_t* out, const uint8_t (&alpha_of)[256],
                    bool skip_black) {
  if (bytes == 4 && std::endian::native == std::endian::little) {
    if (!skip_black && std::memcmp(alpha_of, kSameAlpha.of, sizeof kSameAlpha.of) == 0) {
      SwapRedAndBlue(in, n, out);  // a panel at full opacity
      return;
    }
    // Whole words: R G B A in, B G R A out.
    for (int i = 0; i < n; ++i) {
      uint32_t v;
      std::memcpy(&v, in + i * 4, 4);
      if (skip_black && (v & 0x00FFFFFFu) == 0) continue;
      const uint32_t o = ((v & 0xFFu) << 16) | (v & 0xFF00u) | ((v >> 16) & 0xFFu) |
                         (static_cast<uint32_t>(alpha_of[v >> 24]) << 24);
      std::memcpy(out + i * 4, &o, 4);
    }
    return;
  }
  for (int i = 0; i < n; ++i, in += bytes, out += 4) {
    if (skip_black && in[0] + in[1] + in[2] == 0) continue;
    const uint8_t alpha = alpha_of[bytes == 4 ? in[3] : 255];
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
    out[3] = alpha;
  }
}

SkinScreenScope::SkinScreenScope(SkinScreen screen) : outer_(static_cast<SkinScreen>(current_screen)) {
  current_screen = static_cast<unsigned>(screen);
}

SkinScreenScope::~SkinScreenScope() { current_screen = static_cast<unsigned>(outer_); }

SkinImage::SkinImage(const char* name, SkinForm form, int opacity, int percent) {
  if (current_screen != 0) {
    if (Kept* slot = Keep(name, form, opacity, percent, current_screen)) {
      pixels_ = slot->pixels;
      return;
    }
  }
  // For this use only: as decoded, converted by the drawing on its way to
  // the surface (one pass over the pixels, not two).
  ++decodes;
  owned_ = LoadSkinImage(name);
  if (owned_ == nullptr) return;
  if (form == SkinForm::kPane && owned_->format->BytesPerPixel != 4) {
    SDL_FreeSurface(owned_);
    owned_ = nullptr;
    return;
  }
  SDL_LockSurface(owned_);
  pixels_ = PixelsOf(owned_);
}

SkinImage::~SkinImage() {
  if (owned_ == nullptr) return;
  SDL_UnlockSurface(owned_);
  SDL_FreeSurface(owned_);
}

bool SkinImageSize(const char* name, int* w, int* h) {
  for (const Kept& slot : kept) {
    if (slot.screens != 0 && std::strcmp(slot.name, name) == 0) {
      *w = slot.pixels.w;
      *h = slot.pixels.h;
      return true;
    }
  }
  ++decodes;
  SDL_Surface* image = LoadSkinImage(name);
  if (image == nullptr) return false;
  *w = image->w;
  *h = image->h;
  SDL_FreeSurface(image);
  return true;
}

void AddSkinScreenKeeper(const SkinScreenKeeper* added) { keeper = added; }

void ReleaseSkinImages(SkinScreen screen) {
  if (keeper != nullptr && (static_cast<unsigned>(screen) & static_cast<unsigned>(keeper->screen)) != 0) {
    keeper->release();
  }
  for (Kept& slot : kept) {
    if (slot.screens == 0) continue;
    slot.screens &= ~static_cast<unsigned>(screen);
    if (slot.screens == 0) FreeSlot(slot);
  }
}

void ReleaseAllSkinImages() {
  if (keeper != nullptr) keeper->release();
  for (Kept& slot : kept) {
    if (slot.screens != 0) FreeSlot(slot);
  }
}

long KeptSkinImageBytes() {
  long bytes = keeper != nullptr ? keeper->bytes() : 0;
  for (const Kept& slot : kept) {
    if (slot.screens != 0) bytes += static_cast<long>(slot.pixels.pitch) * slot.pixels.h;
  }
  return bytes;
}

long SkinImageDecodes() { return decodes; }
