// The loader: places recolyx.so into the simulated TV application the way the
// set's loader does. It opens the library, patches the host's two key
// functions so that they jump into the trampolines, builds the settings record
// and calls init_config (and setup when asked).
#pragma once

#include <string>

namespace sim {

struct LoadedPlugin {
  void* handle = nullptr;
  int (*init_config)(const void*) = nullptr;
  int (*setup)() = nullptr;
  void (*injection_press)() = nullptr;
  void (*injection_release)() = nullptr;
  int init_result = 0;
  unsigned char record[940] = {};  // the settings record handed to init_config
};

// Fills the 940-byte record for the plug-in: home_dir + "recolyx.cfg" when that
// file holds exactly 940 bytes, else the defaults; then home_dir (ending in
// "/"), key_object and key_object_check. Returns false when home_dir does not
// fit its field.
bool BuildSettingsRecord(const std::string& home_dir, unsigned char (&record)[940],
                         std::string* error);

// Loads library_path, patches the key functions and calls init_config.
// Returns false with a message in error when any step fails.
bool LoadPlugin(const std::string& library_path, const std::string& home_dir,
                LoadedPlugin* plugin, std::string* error);

}  // namespace sim
