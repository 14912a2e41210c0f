// The simulator's SDL_Init, SDL_Quit, SDL_SetVideoMode and SDL_Flip. Defined
// in the simulator's executable, they take precedence over libSDL's for the
// plug-in (loaded with dlopen, or linked into a test binary): the plug-in
// gets the simulator's overlay and cannot tear down the simulator's own SDL.
// Everything else, timers included, is libSDL's.
#include <dlfcn.h>

#include <atomic>
#include <cstdlib>

#include "sim/platform/tv_time.h"
#include "sim/screen/screen.h"
#include "sim/screen/screen_internal.h"
#include "sim/screen/screen_reader.h"

namespace sim {

const RealSdlFunctions& RealSdl() {
  static const RealSdlFunctions functions = [] {
    RealSdlFunctions f{};
    f.init = reinterpret_cast<int (*)(Uint32)>(dlsym(RTLD_NEXT, "SDL_Init"));
    f.quit = reinterpret_cast<void (*)()>(dlsym(RTLD_NEXT, "SDL_Quit"));
    f.set_video_mode = reinterpret_cast<SDL_Surface* (*)(int, int, int, Uint32)>(dlsym(RTLD_NEXT, "SDL_SetVideoMode"));
    f.flip = reinterpret_cast<int (*)(SDL_Surface*)>(dlsym(RTLD_NEXT, "SDL_Flip"));
    if (f.init == nullptr || f.quit == nullptr || f.set_video_mode == nullptr || f.flip == nullptr) std::abort();
    return f;
  }();
  return functions;
}

namespace {
std::atomic<int> init_calls{0}, quit_calls{0}, video_mode_calls{0};
}  // namespace

SdlCallCounts SdlCalls() {
  return {init_calls.load(), quit_calls.load(), video_mode_calls.load()};
}

}  // namespace sim

extern "C" {

// The plug-in's SDL start goes to libSDL as asked (so its effects on the
// process, such as signal handlers, are real); without a window, video runs
// on SDL's dummy driver. While TV time runs the simulator keeps the timers
// (sdl_timers.c), so SDL's timer thread, which would look every millisecond,
// is not started.
__attribute__((visibility("default"))) int SDL_Init(Uint32 flags) {
  sim::init_calls.fetch_add(1);
  if (!sim::WindowOpen()) setenv("SDL_VIDEODRIVER", "dummy", 0);
  if (tv_time_active()) flags &= ~static_cast<Uint32>(SDL_INIT_TIMER);
  return sim::RealSdl().init(flags);
}

__attribute__((visibility("default"))) void SDL_Quit() {
  sim::quit_calls.fetch_add(1);
  sim::ReleaseOverlay();
  sim::ReaderOverlayGone();
  if (sim::WindowOpen()) {
    // The window is the simulator's: only the plug-in's timers go.
    SDL_QuitSubSystem(SDL_INIT_TIMER);
    return;
  }
  sim::RealSdl().quit();
}

__attribute__((visibility("default"))) SDL_Surface* SDL_SetVideoMode(int width, int height, int bpp,
                                                                      Uint32 flags) {
  sim::video_mode_calls.fetch_add(1);
  return sim::OverlayForPlugin();
}

__attribute__((visibility("default"))) int SDL_Flip(SDL_Surface* surface) {
  if (!sim::IsOverlay(surface)) return sim::RealSdl().flip(surface);
  tv_time_point("flip", nullptr);  // a scenario may hold the drawing thread here
  sim::OverlayFlipped();
  // The plug-in holds the surface while it flips: what it shows now.
  sim::ReaderFlip(static_cast<const uint8_t*>(surface->pixels));
  return 0;
}

}  // extern "C"
