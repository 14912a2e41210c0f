// Binding of the text library osd_ttf.so: loaded from the home folder at run
// time, its seven entry points looked up by name.
#pragma once

#include <SDL.h>

#include <cstddef>

#include "display/display_state.h"

// The text library's font type, declared as SDL_ttf declares it: the bound
// entry points are called through pointers of the library's own types.
struct _TTF_Font;
typedef struct _TTF_Font TTF_Font;

struct TextLibrary {
  void* handle;
  int (*init)();
  int (*was_init)();
  void (*quit)();
  TTF_Font* (*open_font)(const char* file, int point_size);
  void (*close_font)(TTF_Font* font);
  SDL_Surface* (*render_utf8_blended)(TTF_Font* font, const char* text, SDL_Color colour);
  int (*size_utf8)(TTF_Font* font, const char* text, int* width, int* height);
};

// Written only by the key or timer thread that opens the display, before
// TextLibraryBound is set.
extern TextLibrary text_library;

// Builds home_dir + "osd_ttf.so" into out. False, with out emptied, when it
// does not fit `size`.
bool TextLibraryPath(char* out, size_t size);

// 1 when the library is bound (loading and binding it if needed), else 0:
// no library in the home folder (nothing logged), or an entry point missing,
// where the lookups stop (the first missing one is logged, the library closed).
int LoadTrueTypeLibrary();
// Logs that entry point name is missing and closes handle. Returns 0.
int ReportMissingSymbol(void* handle, const char* name);
