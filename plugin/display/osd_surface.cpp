#include "display/osd_surface.h"

#include <cstring>

#include "display/display_lock.h"
#include "display/fonts.h"
#include "display/signal_guard.h"
#include "display/skin_images.h"
#include "display/text_library.h"

namespace {

constexpr int kIconCornerColumns = 140;
constexpr int kIconCornerRows = 60;

// SDL_Init and SDL_Quit with the host's signal dispositions kept. The
// parachute is declined as well: the host owns crash handling, and without
// it SDL has fewer handlers to install in the first place.
void StartSdl() {
  SignalDispositions saved;
  SaveSignalDispositions(&saved);
  SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO | SDL_INIT_NOPARACHUTE);
  RestoreSignalDispositions(saved);
}

void StopSdl() {
  SignalDispositions saved;
  SaveSignalDispositions(&saved);
  SDL_Quit();
  RestoreSignalDispositions(saved);
}

// Zeroes count bytes from column x in rows first..last of the surface, never
// past its last row or the end of a row.
void ClearRows(SDL_Surface* surface, int first, int last, int x, int count) {
  if (last >= surface->h) last = surface->h - 1;
  if (count > (surface->w - x) * 4) count = (surface->w - x) * 4;
  if (count < 0) count = 0;
  SDL_LockSurface(surface);
  auto* pixels = static_cast<unsigned char*>(surface->pixels);
  for (int y = first; y <= last; ++y) std::memset(pixels + y * surface->pitch + x * 4, 0, count);
  SDL_UnlockSurface(surface);
  SDL_Flip(surface);
}

}  // namespace

void OpenOsd() {
  DisplayLock lock(display_mutex);
  // This thread's own close within the same sequence is taken back: SDL
  // stays up (SDL_Init of a started subsystem changes nothing). Another
  // thread's shutdown is under way: SDL's timer thread opens nothing until
  // it is over (the shutdown waits for that thread).
  if (!CancelSdlQuit() && SdlQuitting()) return;
  if (!VideoStarted.load(std::memory_order_relaxed)) {
    StartSdl();
    VideoStarted.store(1, std::memory_order_relaxed);
  }
  if (LoadTrueTypeLibrary() == 0) {
    ReleaseVideo();
    return;
  }
  if (text_library.was_init() == 0 && text_library.init() != 0) return;
  OpenTrueTypeFonts();
  if (OsdSurface.load(std::memory_order_relaxed) == nullptr) {
    OsdSurface.store(SDL_SetVideoMode(kOsdWidth, kOsdHeight, 32, SDL_HWSURFACE),
                     std::memory_order_relaxed);
  }
}

void ReleaseVideo() {
  DisplayLock lock(display_mutex);
  if (DisplayKept.load(std::memory_order_relaxed) || OnTimerThread()) return;
  // The surface goes now; SDL_Quit when this thread releases the lock.
  RequestSdlQuit(StopSdl);
  VideoStarted.store(0, std::memory_order_relaxed);
  OsdSurface.store(nullptr, std::memory_order_relaxed);
}

void CloseOsd() {
  DisplayLock lock(display_mutex);
  ReleaseAllSkinImages();  // the screen closes: nothing of its skin stays
  // SDL's timer thread only clears: SDL_Quit there would join the thread it
  // runs on, and the key thread may be drawing with the fonts.
  if (OnTimerThread() || DisplayKept.load(std::memory_order_relaxed)) {
    ClearOsd();
    return;
  }
  ReleaseFonts();
  ReleaseVideo();
}

void ForgetDisplay() {
  {
    DisplayLock lock(display_mutex);
    ReleaseAllSkinImages();
  }
  ResetDisplayState();
}

void KeepDisplayOpen(bool keep) { DisplayKept.store(keep ? 1 : 0, std::memory_order_relaxed); }

void ClearOsd() {
  DisplayLock lock(display_mutex);
  ReleaseAllSkinImages();  // whatever screen showed is gone, and its skin images
  SDL_Surface* surface = OsdSurface.load(std::memory_order_relaxed);
  if (surface == nullptr) return;
  ClearRows(surface, 0, kOsdHeight - 1, 0, kOsdRowBytes);
}

void ClearStatusBand() {
  DisplayLock lock(display_mutex);
  SDL_Surface* surface = OsdSurface.load(std::memory_order_relaxed);
  if (surface == nullptr) return;
  ClearRows(surface, 9, 49, 140, (kOsdWidth - 140) * 4);
}

void ClearIconCorner() {
  DisplayLock lock(display_mutex);
  SDL_Surface* surface = OsdSurface.load(std::memory_order_relaxed);
  if (surface == nullptr) return;
  ClearRows(surface, 0, kIconCornerRows - 1, 0, kIconCornerColumns * 4);
}
