#include "display/text_library.h"

#include <dlfcn.h>

#include <cstdio>

#include "display/debug_log.h"
#include "settings/settings_record.h"

TextLibrary text_library{};

namespace {

struct EntryPoint {
  const char* name;
  void** slot;
};

}  // namespace

int ReportMissingSymbol(void* handle, const char* name) {
  // dlerror's text is taken first: writing the log line may itself reset it.
  char error[256];
  const char* reason = dlerror();
  std::snprintf(error, sizeof error, "%s", reason != nullptr ? reason : "");
  char line[260];
  std::snprintf(line, sizeof line, "Function [%s] not found:", name);
  DebugLog(line);
  DebugLog(error);
  if (handle != nullptr) dlclose(handle);
  return 0;
}

bool TextLibraryPath(char* out, size_t size) { return HomePath(out, size, "osd_ttf.so"); }

int LoadTrueTypeLibrary() {
  if (TextLibraryBound.load(std::memory_order_acquire)) return 1;
  char path[256];
  if (!TextLibraryPath(path, sizeof path)) return 0;
  void* handle = dlopen(path, RTLD_LAZY);
  if (handle == nullptr) return 0;
  TextLibrary bound{};
  bound.handle = handle;
  const EntryPoint entry_points[] = {
      {"OSD_TTF_Init", reinterpret_cast<void**>(&bound.init)},
      {"OSD_TTF_WasInit", reinterpret_cast<void**>(&bound.was_init)},
      {"OSD_TTF_Quit", reinterpret_cast<void**>(&bound.quit)},
      {"OSD_TTF_OpenFont", reinterpret_cast<void**>(&bound.open_font)},
      {"OSD_TTF_CloseFont", reinterpret_cast<void**>(&bound.close_font)},
      {"OSD_TTF_RenderUTF8_Blended", reinterpret_cast<void**>(&bound.render_utf8_blended)},
      {"OSD_TTF_SizeUTF8", reinterpret_cast<void**>(&bound.size_utf8)},
  };
  for (const EntryPoint& entry : entry_points) {
    dlerror();
    *entry.slot = dlsym(handle, entry.name);
    if (*entry.slot == nullptr) return ReportMissingSymbol(handle, entry.name);
  }
  text_library = bound;
  TextLibraryBound.store(1, std::memory_order_release);
  return 1;
}
