// The information pane kept composed while it shows. Its redraw comes once a
// second and changes little (the elapsed times, now and then a size), so the
// pane is held off screen in the display's format, its background and every
// line of text already drawn: a redraw puts the lines whose text, colour or
// place changed into it again and copies it onto the surface. The pane's
// image itself is kept as runs of equal pixels (display/pixel_runs.h), from
// which the background under a changed line is written back, and which the
// slide-in draws from. Everything is freed with the pane's skin images
// (ReleaseSkinImages, display/skin_images.h, through its keeper): nothing is
// kept between screens.
//
// Every pixel is the one the pane's plain drawing gives (the background, then
// each line with DrawText in order). Where that cannot be kept up line by
// line (a line reaching outside the pane, more lines than kept, a pane larger
// than the screen) the lines are drawn on the surface as they come.
#pragma once

#include <SDL.h>

#include "display/display_lock.h"
#include "display/skin.h"

// Texts of a line, its terminator included, at most this long.
inline constexpr size_t kPaneTextSize = 256;
// Lines of text kept composed.
inline constexpr int kPaneLines = 16;

// Where a line's x puts it.
enum class PaneAnchor {
  kLeft,           // x is its left edge
  kRight,          // x is its right edge
  kAfterPrevious,  // x is the gap after the line before it (its left edge plus its TextWidth)
};

// How a line's text is cut to its room before it is drawn.
enum class PaneFit {
  kNone,
  kCut,          // CutToWidth(text, fit_font, fit_width)
  kCutWithDots,  // CutToWidthWithDots(text, kPaneTextSize, fit_font, fit_width)
};

// One line of the pane, as DrawText would draw it.
struct PaneText {
  int font;
  int x;
  int y;
  int colour;
  const char* text;
  PaneAnchor anchor = PaneAnchor::kLeft;
  PaneFit fit = PaneFit::kNone;
  int fit_font = 0;
  int fit_width = 0;
};

// The size of the pane's image: from what is kept, else decoded for it (not
// kept). false when it cannot be loaded.
bool PaneSize(int* w, int* h) REQUIRES(display_mutex);

// Keeps the pane's image (as PutPaneBackground) and gives its size. false
// when it cannot be loaded or has no alpha.
bool KeepPaneImage(int* w, int* h) REQUIRES(display_mutex);

// Draws the pane's background: its first `rows` rows (its image converted
// for osd_opacity and image_alpha_percent, the destination icon and, with
// gauge != -1, the free-space bar blended in) onto the surface, centred
// horizontally, the last of them on the bottom row. Each pixel's colours
// become B G R and its alpha osd_opacity * (A * image_alpha_percent / 100)
// / 100; the icon ("destusb", "destnet", "destmem") goes to (20, 24) of the
// pane and the bar ("bar_free" whole, "bar_full" from its row gauge) to
// (44, 80), blended as BlendSkinImage blends into an image. Clipped to the
// surface and to 960x540 whatever the image's size. Keeps the image's
// runs (decoded once, again when the percentages change). false when the
// "infopane" image cannot be loaded or has no alpha (nothing drawn). The
// caller holds the surface locked.
bool PutPaneBackground(SDL_Surface* surface, int rows, DestinationIcon icon, int gauge) REQUIRES(display_mutex);

// Draws the whole pane: its background as PutPaneBackground with all rows,
// then `lines` in order, each as DrawText would after cutting and placing it
// (a text of kPaneTextSize bytes or more is not drawn). Does not flip. false
// when the image cannot be loaded (nothing drawn). Call without the surface
// locked (the text is drawn through DrawText).
bool DrawComposedPane(SDL_Surface* surface, DestinationIcon icon, int gauge, const PaneText* lines, int count)
    REQUIRES(display_mutex);

// Frees what the pane keeps (its runs and its composed copy).
void ReleasePane() REQUIRES(display_mutex);

// Bytes the pane keeps now (for tests and measurements).
long KeptPaneBytes() REQUIRES(display_mutex);
