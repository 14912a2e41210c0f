// A plug-in that does nothing, linked with the libraries recolyx.so needs:
// loading it and calling its init_config is what starting any plug-in costs
// (the bound of startup_bench).
#include <SDL.h>
#include <SDL_image.h>

#define STUB_EXPORT extern "C" __attribute__((visibility("default")))

STUB_EXPORT int init_config(const void*) { return 0; }
STUB_EXPORT int setup() { return 45; }
STUB_EXPORT void injection_press() {}
STUB_EXPORT void injection_release() {}
// Keeps SDL and SDL_image among the libraries it needs.
STUB_EXPORT void* stub_libraries[] = {reinterpret_cast<void*>(SDL_Flip), reinterpret_cast<void*>(IMG_Load)};
