// The display: the one 960x540 32-bit video surface the plug-in draws its
// overlay into, and what has to be in place before anything is drawn (SDL
// started, the text library bound, the standard fonts open).
//
// States: Closed (no surface), Open (surface and fonts), Kept (open, and a
// close only clears the overlay: a recording runs and the supervision tick
// draws with the fonts).
#pragma once

#include "display/display_state.h"

inline constexpr int kOsdWidth = 960;
inline constexpr int kOsdHeight = 540;
inline constexpr int kOsdRowBytes = kOsdWidth * 4;

// All of these take the display lock (display/display_lock.h) for their
// whole run.
//
// Starts SDL, binds the text library and opens the fonts and the surface as
// far as they are not open yet. No result: OsdSurface is null when it failed.
void OpenOsd();
// Releases the fonts and the text library, then ReleaseVideo. While the
// display is kept, or on SDL's timer thread (TimerThreadScope), it only
// clears the overlay: fonts, surface and SDL stay.
void CloseOsd();
// Quits SDL and drops the surface unless the display is kept or the caller
// is on SDL's timer thread.
void ReleaseVideo();
// Keeps the display open across screens (true) or lets the next close
// close it (false). Cannot fail.
void KeepDisplayOpen(bool keep);
// Clears the corner of the message icons (columns 0..139, rows 0..59: left
// of the status band) and flips; nothing else of the overlay changes.
void ClearIconCorner();
// What init_config does to the display: forgets surface, SDL and the
// binding (ResetDisplayState) without calling into SDL.
void ForgetDisplay();

// Clears every pixel to transparent black and flips.
void ClearOsd();
// Clears the status band (rows 9 to 49, columns 140 to 959) and flips.
void ClearStatusBand();
