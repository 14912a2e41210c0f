// The skin: PNG images in the home folder's "osd" folder, put onto the
// display (panels, icons, message icons, the information pane's background)
// or blended into another image. An operation draws the image kept for the
// screen being drawn (display/skin_images.h), else loads it afresh and frees
// it after drawing. Nothing is ever written outside the surface or the
// target image: images reaching beyond it are clipped.
//
// The toolkit draws what it is told: whether a picture may show at all, and
// which destination the pane shows, the screens decide (settings/screen_switches.h).
#pragma once

#include <SDL.h>

#include <cstddef>
#include <cstdint>

#include "display/display_lock.h"
#include "display/display_state.h"
#include "display/skin_files.h"
#include "display/skin_images.h"

// Below, osd_opacity stands for the drawing opacity (display/screen_opacity.h):
// osd_opacity unless the screen being drawn set another.
//
// Copies skin image `name` to (x, y), colours to B G R and alpha
// A * osd_opacity / 100 (255 for 3-byte images); its middle row (h / 2) is
// drawn `repeat` more times when repeat > 0, and with repeat -1 pure black
// pixels are left out. Clipped to the surface; no flip. Like the other
// operations on the surface it holds the display lock for its run (the
// caller's sequence may hold it already).
// 1 drawn, 0 no surface or no image.
int DrawSkinPanel(int x, int y, const char* name, int repeat);

// Lays the skin image `name` over what the surface shows at (x, y): alpha
// A * osd_opacity / 100 (255 for 3-byte images), mixed source-over with the
// surface's pixel, so a button's rounded corners show the box under it, not
// the TV picture. Clipped to the surface; no flip. 1 drawn, 0 no surface or
// no image.
int BlendSkinPanel(int x, int y, const char* name);

// Sets the alpha byte (only) of the rectangle's pixels, clipped to the
// surface (nothing for a width or height <= 0). Nothing without a surface;
// no flip.
void SetAlphaRect(int x, int y, int width, int height, uint8_t alpha);

// Copies message icon `name` to (10, 10), pure black included, alpha
// A * osd_opacity * image_alpha_percent / 10000 (halved for "icon_stoprec"),
// and flips, all under the display lock. Clipped to the surface. 1 drawn,
// 0 no surface or no image (nothing drawn or flipped).
int DrawMessageImage(const char* name);

// Loads skin image name and copies it, colours and alpha as they are, to
// x = floor((960 - width) / 2) + x_offset, y = floor((540 - height) / 2),
// clipped to the surface whatever the image's size. Returns 1 with that
// position in *x, *y; 0 with *x, *y = 0 when there is no surface or the image
// cannot be loaded (nothing copied). Does not flip. With first_row > 0 only
// the image's rows from first_row on are copied (to their usual place).
int CopyCentredSkinImage(const char* name, int x_offset, int* x, int* y, int first_row = 0);

// Blends skin image `name` into `target` (a 32-bit image in the skin's byte
// order) at (x, y), from image row first_row on (0 when negative): each
// channel (s * a + t * (255 - a)) >> 9, pure black pixels left out, the
// target's alpha kept. Clipped to the target. Nothing when target is null or
// not 32-bit, or the image cannot be loaded.
void BlendSkinImage(SDL_Surface* target, const char* name, int x, int y, int first_row);

// Where a recording goes, as the pane's icon shows it.
enum class DestinationIcon { kUsb, kNetwork, kMemory };

// The skin image of `icon`: "destusb", "destnet" or "destmem".
const char* DestinationIconName(DestinationIcon icon);

// Blends the icon of `icon` ("destusb", "destnet", "destmem") into target at
// (20, 24), as BlendSkinImage does (nothing when it cannot be drawn).
void DrawDestinationIcon(SDL_Surface* target, DestinationIcon icon);

// Slides the pane's background ("infopane", with `icon` blended in) up from
// the bottom edge: with animate, frames of 17 rows and more, 16 rows apart
// and then 4, 2, 1 near the end (none for an image of 16 rows or fewer),
// else the whole image in one frame; each frame is drawn and flipped under
// the display lock, released between frames. Sets InfoPaneShown. 1 shown;
// 0 no surface, or the image is missing or not 32-bit (nothing changed).
int DrawInfoPaneBackground(int animate, DestinationIcon icon);

// Clears InfoPaneShown, then fades the pane's area (the "infopane" image's
// size, bottom centre) out: with pane_animation 32 frames lowering alpha by
// 8, then one frame to transparent black; each frame under the display lock
// and flipped. 1 done; 0 no surface or no image (InfoPaneShown still cleared).
int HideInfoPaneBackground();

// Clears the full-width rows of the warning box's band (the "warnbox"
// image's height, centred vertically) to transparent black and flips, under
// the display lock. Nothing without a surface or the image.
void ClearWarnBand();
