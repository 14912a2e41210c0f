// The fonts the display keeps open: the three TrueType sizes of the standard
// face, the size of it that draws in the small bitmap fonts' places, and the
// three bitmap font images, the last two loaded on first use.
//
// The key thread and the SDL timer thread both draw text, and one of them may
// close the display while the other draws. Every use of these handles, and of
// the text library's font calls (FreeType faces are not thread-safe), happens
// under font_mutex.
#pragma once

#include <SDL.h>

#include <cstddef>

#include <mutex>

#include "display/font_images.h"
#include "thread_annotations.h"

// The text library's font type, declared as SDL_ttf declares it: the bound
// entry points are called through pointers of the library's own types.
struct _TTF_Font;
typedef struct _TTF_Font TTF_Font;

inline constexpr int kStandardFontSizes[3] = {18, 20, 26};

// What a text measures when it cannot be measured: wider than the screen, so
// a caller fitting text to a width treats it as too long.
inline constexpr int kNoFontWidth = 961;

extern AnnotatedMutex<std::mutex> font_mutex;
// Point sizes 18, 20, 26; null while not open.
extern TTF_Font* StandardFont[3] GUARDED_BY(font_mutex);
// The face at kSmallFallbackSize (glyph_tables.h), for the texts fonts 118
// and 218 cannot draw; opened at the first such text, null while not open.
extern TTF_Font* FallbackFont GUARDED_BY(font_mutex);

// The bitmap fonts' images, each in the form its drawing uses
// (display/font_images.h), loaded on first use (text.h).
struct FontImages {
  BigFontImage font32;
  SmallFontImage font118;
  SmallFontImage font218;
};
extern FontImages FontImageCache GUARDED_BY(font_mutex);

// The TV's own font folder, which takes precedence over the home folder's.
inline constexpr const char* kTvFontFolder = "/mtd_appdata/Font";

// Opens the standard sizes that are not open yet, while the text library
// runs (nothing once it has quit); forgets the image cache.
void OpenTrueTypeFonts() EXCLUDES(font_mutex);
// The TrueType face of the standard fonts.
inline constexpr const char* kTrueTypeFace = "shadow.ttf";
// Builds home_dir + "fonts/" + name into out (HomePathJoin). False, with out
// emptied, when it does not fit `size` or the name below home_dir takes 256
// bytes or more.
bool HomeFontPath(char* out, size_t size, const char* name);
// Opens name from the TV's font folder, else from the home folder's "fonts"
// (a text library call: under font_mutex).
TTF_Font* OpenFontFile(const char* name, int size) REQUIRES(font_mutex);
// Frees the font images and closes the TrueType sizes (CloseOsd's first steps).
void ReleaseFonts() EXCLUDES(font_mutex);

// The TrueType face that draws text in the place of bitmap font font_id
// (118, 218, or kBigFontId for the big font), or null when the bitmap font
// draws it: when it has every letter of the text, and also when the face
// cannot be opened (the bitmap font then draws its replacement glyph). The
// small fonts' face is opened here at its first use; the big font's is the
// standard size 26.
TTF_Font* FallbackFace(int font_id, const char* text) REQUIRES(font_mutex);
