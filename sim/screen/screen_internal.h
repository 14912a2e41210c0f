// Between the simulator's SDL entry points and its screen.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>

namespace sim {

// The real libSDL functions that the simulator's own definitions hide.
struct RealSdlFunctions {
  int (*init)(Uint32 flags);
  void (*quit)();
  SDL_Surface* (*set_video_mode)(int width, int height, int bpp, Uint32 flags);
  int (*flip)(SDL_Surface* surface);
};
const RealSdlFunctions& RealSdl();

// The plug-in's overlay, created on first use and cleared when it is taken anew.
SDL_Surface* OverlayForPlugin();
// The plug-in quit SDL: the overlay leaves the screen.
void ReleaseOverlay();
bool IsOverlay(const SDL_Surface* surface);
// Counts the flip, saves and shows the frame as configured.
void OverlayFlipped();
// Shows the screen as it is now in the window (nothing without one).
void PresentWindow();

}  // namespace sim
