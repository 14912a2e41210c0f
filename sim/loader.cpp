#include "sim/loader.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>

#include "settings/settings_record.h"
#include "sim/host/host_state.h"
#include "sim/host/keys/key_patch.h"

namespace sim {

bool BuildSettingsRecord(const std::string& home_dir, unsigned char (&record)[940],
                         std::string* error) {
  std::string home = home_dir;
  if (home.empty() || home.back() != '/') home += '/';
  if (home.size() >= sizeof(SettingsRecord::home_dir)) {
    *error = "home folder path too long for the settings record: " + home;
    return false;
  }

  static_assert(sizeof(SettingsRecord) == sizeof record);
  auto* fields = reinterpret_cast<SettingsRecord*>(record);
  DefaultSettings(fields);
  std::string file = home + "recolyx.cfg";
  if (FILE* saved = std::fopen(file.c_str(), "rbe")) {
    unsigned char bytes[sizeof record + 1];
    size_t got = std::fread(bytes, 1, sizeof bytes, saved);
    std::fclose(saved);
    if (got == sizeof record)
      std::memcpy(record, bytes, sizeof record);
    else
      HostLog("loader: ignoring " + file + " (not a 940-byte settings record)");
  }

  std::memset(fields->home_dir, 0, sizeof fields->home_dir);
  std::memcpy(fields->home_dir, home.data(), home.size());
  fields->key_object.store(KeyObjectAddress(), std::memory_order_relaxed);
  fields->key_object_check.store(KeyObjectCheck(), std::memory_order_relaxed);
  return true;
}

bool LoadPlugin(const std::string& library_path, const std::string& home_dir,
                LoadedPlugin* plugin, std::string* error) {
  unsigned char (&record)[940] = plugin->record;
  if (!BuildSettingsRecord(home_dir, record, error)) return false;

  plugin->handle = dlopen(library_path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (plugin->handle == nullptr) {
    *error = dlerror();
    return false;
  }
  auto find = [&](const char* name) {
    void* symbol = dlsym(plugin->handle, name);
    if (symbol == nullptr) *error = std::string("missing entry point ") + name;
    return symbol;
  };
  plugin->init_config = reinterpret_cast<int (*)(const void*)>(find("init_config"));
  plugin->setup = reinterpret_cast<int (*)()>(find("setup"));
  plugin->injection_press = reinterpret_cast<void (*)()>(find("injection_press"));
  plugin->injection_release = reinterpret_cast<void (*)()>(find("injection_release"));
  if (!plugin->init_config || !plugin->setup || !plugin->injection_press ||
      !plugin->injection_release)
    return false;

  if (!PatchKeyFunctions(reinterpret_cast<void*>(plugin->injection_press),
                         reinterpret_cast<void*>(plugin->injection_release), error))
    return false;
  HostLog("loader: key functions patched");
  plugin->init_result = plugin->init_config(record);
  char line[64];
  std::snprintf(line, sizeof line, "loader: init_config returned %d", plugin->init_result);
  HostLog(line);
  return true;
}

}  // namespace sim
