// The loader: places recolyx.so into the simulated TV application the way the
// set's loader does. It opens the library, patches the host's two key
// functions so that they jump into the trampolines, builds the settings record
// and calls init_config (and setup when asked).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "sim/command_conventions.h"

namespace sim {

struct LoadedPlugin {
  void* handle = nullptr;
  int (*init_config)(const void*) = nullptr;
  int (*setup)() = nullptr;
  void (*injection_press)() = nullptr;
  void (*injection_release)() = nullptr;
  int init_result = 0;
  unsigned char record[940] = {};  // the settings record handed to init_config
  std::string home_dir;            // the home folder it was loaded from (recolyx.cfg)
};

// A numeric field of the settings record that tvsim and scenarios may set by
// name: its offset in the record, its width (4: a little-endian int32, 1: a
// byte) and the values it can hold. A setting of the second settings file
// (extra) has its index among that file's settings as its offset.
struct SettingField {
  const char* name;
  size_t offset;
  size_t width;
  int64_t low;
  int64_t high;
  const char* values;   // what the plug-in gives a meaning ("0 1", "0-5")
  const char* meaning;  // the settings screen's label, then what it does
  bool extra = false;
};

// The field called name, or nullptr when the record has no settable field of
// that name (the loader's own fields home_dir, dest1, dest2, key_object and
// key_object_check are not settable).
const SettingField* FindSettingField(std::string_view name);

// Every settable field's name, separated by blanks, in record order.
std::string SettingFieldNames();

// One line per settable field: its name, values, default and meaning.
void PrintSettingFields(FILE* out);

// A value for a field, checked against the field's range.
struct SettingValue {
  const SettingField* field = nullptr;
  int32_t value = 0;
};

// Checks name and value (a whole decimal number, of any length) for a
// setting. Returns false, with a message naming what is wrong, when the
// name is unknown or the value is not a number the field can hold.
bool ToSettingValue(std::string_view name, std::string_view value, SettingValue* setting,
                    std::string* error);


// Writes the value into its field of record. setting.field must not be null.
// A setting of the second settings file goes into home_dir +
// "recolyx_extra.cfg" instead (its other settings as that file held them, or
// their defaults), which the plug-in reads at init_config.
void ApplySetting(unsigned char (&record)[940], const SettingValue& setting,
                  const std::string& home_dir);

// The value of a setting of the second settings file as home_dir +
// "recolyx_extra.cfg" holds it (its default when the file is missing or not
// one of the plug-in's). false, with the reason, when the file is missing or
// unreadable.
bool ReadExtraSetting(const std::string& home_dir, const SettingField& field, int32_t* value,
                      std::string* reason);

// The value of field in record (a byte field read as its range takes it:
// signed when the range goes below 0).
int32_t ReadSetting(const unsigned char (&record)[940], const SettingField& field);

// Fills the 940-byte record for the plug-in: home_dir + "recolyx.cfg" when that
// file holds exactly 940 bytes, else the defaults; then home_dir (ending in
// "/"), key_object and key_object_check. Returns false when home_dir does not
// fit its field.
bool BuildSettingsRecord(const std::string& home_dir, unsigned char (&record)[940],
                         std::string* error);

// Loads library_path, patches the key functions, builds the record, applies
// changes to it in order (each logged) and calls init_config. Returns false
// with a message in error when any step fails.
bool LoadPlugin(const std::string& library_path, const std::string& home_dir,
                LoadedPlugin* plugin, std::string* error,
                const std::vector<SettingValue>& changes = {});

// A restart of the loader with one setting changed: the value goes into the
// plug-in's record and init_config runs again on it (every run-time word of
// the plug-in back to its start). Returns init_config's result, also kept in
// plugin->init_result.
int RestartWithSetting(LoadedPlugin* plugin, const SettingValue& setting);

}  // namespace sim
