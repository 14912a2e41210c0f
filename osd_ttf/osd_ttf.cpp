// osd_ttf.so: the plug-in's text library. Seven entry points with the names,
// arguments and results of SDL_ttf 2.0 behind an "OSD_" prefix, so that the
// plug-in can bind them by name at run time. Built on SDL_ttf itself.
//
// OSD_TTF_OMIT_QUIT builds a variant without OSD_TTF_Quit, which the tests
// use to check how the plug-in reports a missing entry point.
#include <SDL.h>
#include <SDL_ttf.h>

#include "display/file_stream.h"

#define OSD_TTF_EXPORT extern "C" __attribute__((visibility("default")))

OSD_TTF_EXPORT int OSD_TTF_Init() { return TTF_Init(); }

OSD_TTF_EXPORT int OSD_TTF_WasInit() { return TTF_WasInit(); }

#ifndef OSD_TTF_OMIT_QUIT
OSD_TTF_EXPORT void OSD_TTF_Quit() { TTF_Quit(); }
#endif

// An open font keeps its file open until it is closed. The file is opened
// close-on-exec (TTF_OpenFont's own fopen would not be), so that shell
// commands and scripts the host starts meanwhile do not inherit it. The
// stream goes with the font: closing the font, or a failed open, closes it.
OSD_TTF_EXPORT TTF_Font* OSD_TTF_OpenFont(const char* file, int point_size) {
  if (file == nullptr) return nullptr;
  SDL_RWops* stream = OpenFileStream(file);
  return stream != nullptr ? TTF_OpenFontRW(stream, 1, point_size) : nullptr;
}

OSD_TTF_EXPORT void OSD_TTF_CloseFont(TTF_Font* font) {
  if (font != nullptr) TTF_CloseFont(font);
}

OSD_TTF_EXPORT SDL_Surface* OSD_TTF_RenderUTF8_Blended(TTF_Font* font, const char* text,
                                                       SDL_Color colour) {
  if (font == nullptr || text == nullptr) return nullptr;
  return TTF_RenderUTF8_Blended(font, text, colour);
}

OSD_TTF_EXPORT int OSD_TTF_SizeUTF8(TTF_Font* font, const char* text, int* width, int* height) {
  if (font == nullptr || text == nullptr) return -1;
  return TTF_SizeUTF8(font, text, width, height);
}
