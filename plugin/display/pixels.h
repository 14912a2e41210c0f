// Helpers shared by the drawing operations: pixel addresses and the clipping
// that keeps every write inside its surface and every read inside its image.
#pragma once

#include <SDL.h>

#include <algorithm>
#include <cstdint>

inline uint8_t* PixelAt(SDL_Surface* surface, int x, int y) {
  return static_cast<uint8_t*>(surface->pixels) + y * surface->pitch + x * surface->format->BytesPerPixel;
}

// A run of columns [first, last) of a row that lies inside a surface.
struct Span {
  int first;
  int last;
  bool empty() const { return first >= last; }
};

// The columns x .. x + width - 1 clipped to 0 .. limit - 1.
inline Span ClipSpan(int x, int width, int limit) {
  long first = std::max<long>(x, 0);
  long last = std::min<long>(static_cast<long>(x) + width, limit);
  return {static_cast<int>(first), static_cast<int>(std::max(first, last))};
}

// Half of value rounded towards minus infinity: the left edge of something
// centred that is wider than the screen is negative, not one pixel off.
inline int FloorHalf(int value) { return value >= 0 ? value / 2 : -((1 - value) / 2); }

// Holds a loaded image locked, and frees it at the end of the scope.
class LockedImage {
 public:
  explicit LockedImage(SDL_Surface* image) : image_(image) {
    if (image_ != nullptr) SDL_LockSurface(image_);
  }
  ~LockedImage() {
    if (image_ != nullptr) {
      SDL_UnlockSurface(image_);
      SDL_FreeSurface(image_);
    }
  }
  LockedImage(const LockedImage&) = delete;
  LockedImage& operator=(const LockedImage&) = delete;
  SDL_Surface* get() const { return image_; }

 private:
  SDL_Surface* image_;
};

// Holds a surface locked until the end of the scope.
class SurfaceLock {
 public:
  explicit SurfaceLock(SDL_Surface* surface) : surface_(surface) { SDL_LockSurface(surface_); }
  ~SurfaceLock() { SDL_UnlockSurface(surface_); }
  SurfaceLock(const SurfaceLock&) = delete;
  SurfaceLock& operator=(const SurfaceLock&) = delete;

 private:
  SDL_Surface* surface_;
};
