// The simulator's view of the plug-in's drawing: the text library's
// TrueType rendering, SDL's blits, the surfaces SDL makes and frees and
// SDL_image's decoding, defined in the
// executable so that the plug-in and its text library (osd_ttf.so) call
// these, which call the libraries' own and tell the screen reader
// (screen_reader.h) what was drawn where.
#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>
#include <dlfcn.h>

#include <cstdlib>

#include "sim/screen/screen_reader.h"

namespace {

// The library's own definition of name: the next one after this executable,
// else the one of the already loaded library `soname` (the text library's
// SDL_ttf is loaded with osd_ttf.so, not with the simulator).
void* NextDefinition(const char* name, const char* soname) {
  if (void* next = dlsym(RTLD_NEXT, name)) return next;
  void* library = soname != nullptr ? dlopen(soname, RTLD_LAZY | RTLD_NOLOAD) : nullptr;
  return library != nullptr ? dlsym(library, name) : nullptr;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) SDL_Surface* TTF_RenderUTF8_Blended(TTF_Font* font, const char* text,
                                                                           SDL_Color colour) {
  using Render = SDL_Surface* (*)(TTF_Font*, const char*, SDL_Color);
  static const Render real =
      reinterpret_cast<Render>(NextDefinition("TTF_RenderUTF8_Blended", "libSDL_ttf-2.0.so.0"));
  if (real == nullptr) return nullptr;
  SDL_Surface* rendered = real(font, text, colour);
  sim::ReaderTextRendered(rendered, text);
  return rendered;
}

__attribute__((visibility("default"))) int SDL_UpperBlit(SDL_Surface* source, SDL_Rect* source_rect,
                                                         SDL_Surface* target, SDL_Rect* target_rect) {
  using Blit = int (*)(SDL_Surface*, SDL_Rect*, SDL_Surface*, SDL_Rect*);
  static const Blit real = reinterpret_cast<Blit>(NextDefinition("SDL_UpperBlit", nullptr));
  if (real == nullptr) std::abort();
  const int result = real(source, source_rect, target, target_rect);
  // SDL leaves the clipped rectangle it drew in target_rect.
  if (result == 0 && source != nullptr) {
    const SDL_Rect whole{0, 0, static_cast<Uint16>(source->w), static_cast<Uint16>(source->h)};
    sim::ReaderBlit(source, target, target_rect != nullptr ? *target_rect : whole);
  }
  return result;
}

__attribute__((visibility("default"))) SDL_Surface* SDL_CreateRGBSurface(Uint32 flags, int width, int height,
                                                                          int depth, Uint32 red_mask,
                                                                          Uint32 green_mask, Uint32 blue_mask,
                                                                          Uint32 alpha_mask) {
  using Create = SDL_Surface* (*)(Uint32, int, int, int, Uint32, Uint32, Uint32, Uint32);
  static const Create real = reinterpret_cast<Create>(NextDefinition("SDL_CreateRGBSurface", nullptr));
  if (real == nullptr) std::abort();
  SDL_Surface* surface = real(flags, width, height, depth, red_mask, green_mask, blue_mask, alpha_mask);
  sim::ReaderSurfaceCreated(surface);
  return surface;
}

__attribute__((visibility("default"))) void SDL_FreeSurface(SDL_Surface* surface) {
  using Free = void (*)(SDL_Surface*);
  static const Free real = reinterpret_cast<Free>(NextDefinition("SDL_FreeSurface", nullptr));
  if (real == nullptr) std::abort();
  sim::ReaderSurfaceFreed(surface);
  real(surface);
}

__attribute__((visibility("default"))) SDL_Surface* IMG_LoadTyped_RW(SDL_RWops* source, int free_source,
                                                                     char* type) {
  using Load = SDL_Surface* (*)(SDL_RWops*, int, char*);
  static const Load real = reinterpret_cast<Load>(NextDefinition("IMG_LoadTyped_RW", nullptr));
  if (real == nullptr) std::abort();
  SDL_Surface* image = real(source, free_source, type);
  sim::ReaderImageDecoded(image);
  return image;
}

}  // extern "C"
