#include "display/display_state.h"

std::atomic<SDL_Surface*> OsdSurface{nullptr};
std::atomic<int> VideoStarted{0};
std::atomic<int> TextLibraryBound{0};
std::atomic<int> InfoPaneShown{0};
std::atomic<int> DisplayKept{0};

void ResetDisplayState() {
  constexpr auto kRelaxed = std::memory_order_relaxed;
  OsdSurface.store(nullptr, kRelaxed);
  VideoStarted.store(0, kRelaxed);
  TextLibraryBound.store(0, kRelaxed);
  InfoPaneShown.store(0, kRelaxed);
  DisplayKept.store(0, kRelaxed);
}
