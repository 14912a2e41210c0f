// The display: the one 960x540 32-bit video surface the plug-in draws its
// overlay into, and what has to be in place before anything is drawn (SDL
// started, the text library bound, the standard fonts open).
//
// States: Closed (no surface), Open (surface and fonts), Held (surface kept
// without fonts while a recording runs, for the supervision tick).
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
// Releases the fonts and the text library, then ReleaseVideo. On SDL's timer
// thread (TimerThreadScope) it only clears the overlay.
void CloseOsd();
// Quits SDL and drops the surface unless a recording runs or the caller is
// on SDL's timer thread.
void ReleaseVideo();
// What init_config does to the display: forgets surface, SDL and the
// binding (ResetDisplayState) without calling into SDL.
void ForgetDisplay();

// Clears every pixel to transparent black and flips.
void ClearOsd();
// Clears the status band (rows 9 to 49, columns 140 to 959) and flips.
void ClearStatusBand();
