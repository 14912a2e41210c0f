// The display's words: the surface, whether SDL runs, whether the text
// library is bound, and whether the information pane's background is on the
// screen. Opening and closing the display (either drawing thread) writes the
// first three; the pane's slide-in and fade-out write the last.
#pragma once

#include <SDL.h>

#include <atomic>

// The one 960x540 surface; byte 0 blue, 1 green, 2 red, 3 alpha (opacity
// over the TV picture). Null while the display is closed.
extern std::atomic<SDL_Surface*> OsdSurface;
extern std::atomic<int> VideoStarted;
// 1 once the text library's entry points are bound. Published with a
// release store after the binding is written; read with acquire.
extern std::atomic<int> TextLibraryBound;
// 1 while the information pane's background is on the screen.
extern std::atomic<int> InfoPaneShown;
// 1 while something draws on the display for longer than one screen (a
// running recording: the tick's pane and notices); a screen that closes
// meanwhile clears the overlay and leaves SDL, the surface and the fonts.
extern std::atomic<int> DisplayKept;

// Forgets the display (no surface, SDL not started, library not bound, no
// pane, not kept) without calling into SDL: what a fresh start assumes.
void ResetDisplayState();
