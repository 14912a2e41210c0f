// A plug-in that does nothing, linked with the libraries recolyx.so needs:
// the bounds of startup_bench. Built alone it is startup_bare_stub.so;
// startup_stub.so adds the generated list of every symbol recolyx.so imports
// (startup_stub_imports.cmake), so that loading it binds them all too.
#include <SDL.h>
#include <SDL_image.h>

#define STUB_EXPORT extern "C" __attribute__((visibility("default")))

STUB_EXPORT int init_config(const void*) { return 0; }
STUB_EXPORT int setup() { return 45; }
STUB_EXPORT void injection_press() {}
STUB_EXPORT void injection_release() {}
// Keeps SDL and SDL_image among the libraries it needs, through two
// functions recolyx.so imports as well.
extern "C" {
__attribute__((visibility("default"))) void* stub_libraries[] = {reinterpret_cast<void*>(SDL_Flip),
                                                                  reinterpret_cast<void*>(IMG_LoadTyped_RW)};
}
