#include "sim/loader.h"

#include <dlfcn.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>

#include "settings/extra_settings_file.h"
#include "settings/settings_record.h"
#include "sim/host/host_state.h"
#include "sim/host/keys/key_patch.h"

namespace sim {
namespace {

constexpr int64_t kInt32Low = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32High = std::numeric_limits<int32_t>::max();

// A 32-bit word of the record, by its member name, with what it takes and
// what it does (the settings screen's label first where it shows one).
#define SETTING_WORD(name, values, meaning) \
  {#name, offsetof(SettingsRecord, name), 4, kInt32Low, kInt32High, values, meaning}

const SettingField SettingFields[] = {
    SETTING_WORD(language, "6-38", "the TV's menu language number, set by the plug-in at every screen "
                 "(18 English, 13 German, 12 French...)"),
    SETTING_WORD(active_dest, "0-19", "the destination the recording uses (the plug-in sets it)"),
    SETTING_WORD(allow_internal, "0 1", "Use internal memory: the set's own memory is a destination too"),
    SETTING_WORD(key1_action, "0-5", "SOURCE key: 0 source list, 1-4 input 1-4, 5 runs scripts/source.sh"),
    SETTING_WORD(key68_action, "0-5", "FAV key: 0 favourites, 1-4 shortcut 1-4, 5 runs scripts/favch.sh"),
    SETTING_WORD(hold_key15, "0 1", "Hold for picture off: PICTURE held 3 s switches the picture off"),
    SETTING_WORD(record_key_notice, "0 1", "Lock REC key: RECORD shows a notice instead of recording"),
    SETTING_WORD(name_mode, "0-2", "File names: 0 ASCII only, 1 transcribed, 2 Unicode"),
    SETTING_WORD(stop_extra_minutes, "0-30", "Run-on at end: minutes recorded past the programme's end"),
    SETTING_WORD(time_zone, "0-2", "Time zone: 0 GMT (UTC), 1 CET/CEST, 2 EET/EEST"),
    SETTING_WORD(clock_source, "0 1", "Clock: 0 the TV's clock, 1 the broadcast time"),
    SETTING_WORD(osd_opacity, "0-100", "OSD opacity in percent, steps of 10; 0 draws no pictures"),
    SETTING_WORD(pane_animation, "0 1", "Animations: the pane slides in, notices slide in and out"),
    {"image_alpha_percent", offsetof(SettingsRecord, image_alpha_percent), 1, 0, 255, "0-100",
     "a second opacity in percent for the skin's images (no item)"},
    SETTING_WORD(write_test, "0 1", "Write test: a file is created and removed before recording"),
    SETTING_WORD(pane_on_start, "0 1", "Info pane at start: the pane shows when a recording starts"),
    SETTING_WORD(delete_mdb, "0 1", "Delete .mdb files: the recorder's side file goes at the stop"),
    SETTING_WORD(delete_empty, "0 1", "Delete empty files: an empty recording goes at the stop"),
    SETTING_WORD(recorder_value, "bytes", "the TV recorder's write chunk, written at start (0: left alone)"),
    SETTING_WORD(split_mode, "0-5", "Split recording: 0 off, 1 automatic, 2 1 GB, 3 2 GB, 4 4 GB, "
                 "5 at each programme change"),
    SETTING_WORD(stop_summary, "0 1", "Summary after stop: the summary after STOP or a timed stop"),
    SETTING_WORD(show_notices, "0 1", "Messages: message boxes and the refused-key icon"),
    SETTING_WORD(screen_off_notice, "0 1", "Picture-off reminder: a notice now and then while the "
                 "picture is off during a recording"),
    SETTING_WORD(key44_passthrough, "0 1", "Overlay during rec.: 1 OVERLAY works during a recording "
                 "and digits pass while it lasts, 0 OVERLAY refused then"),
    SETTING_WORD(clock_style, "0-2", "Info pane style: 0 Standard, 1 Dot Matrix, 2 LCD"),
    SETTING_WORD(device_script, "0 1", "Device script: scripts/DEVICE.sh runs before a recording to "
                 "destination 1"),
    SETTING_WORD(create_folder, "0 1", "Create folder: the internal memory's folder is made when missing"),
    SETTING_WORD(standby_after, "0 1", "Standby after rec.: the TV goes to standby when the plug-in "
                 "ends a recording (stop timer, programme end, full disk)"),
    SETTING_WORD(key74_action, "0-2", "Freeze key: 0 off, 1 freeze, 2 auto (not while the TV's "
                 "freeze guards are set)"),
    SETTING_WORD(event_variant, "1, other", "which host call sends the picture-off event"),
    SETTING_WORD(dvr_folder, "0-9", "n of the DVRn folder of the recording (the plug-in sets it)"),
};

#undef SETTING_WORD

static_assert(sizeof(SettingsRecord::image_alpha_percent) == 1);

// The settings of the second settings file, by their index in it.
const SettingField ExtraSettingFields[] = {
    {ExtraSettingInfos[0].name, 0, 4, ExtraSettingInfos[0].low, ExtraSettingInfos[0].high, "0 1",
     "Continue on other disk: a recording whose disk fills or disappears goes on on the other "
     "destination "
     "(default 1; kept in recolyx_extra.cfg)", true},
};
static_assert(std::size(ExtraSettingFields) == kExtraSettingCount);

std::string ExtraSettingsPath(const std::string& home_dir) {
  std::string path = home_dir;
  if (path.empty() || path.back() != '/') path += '/';
  return path + kExtraSettingsFileName;
}

// The second settings file's bytes; false when it cannot be read.
bool ReadExtraFile(const std::string& home_dir, std::string* bytes) {
  FILE* file = std::fopen(ExtraSettingsPath(home_dir).c_str(), "rbe");
  if (file == nullptr) return false;
  char buffer[kExtraSettingsMaxBytes + 1];
  const size_t got = std::fread(buffer, 1, sizeof buffer, file);
  std::fclose(file);
  bytes->assign(buffer, got);
  return true;
}

void DecodeExtraFile(const std::string& bytes, int32_t (&values)[kExtraSettingCount]) {
  DecodeExtraSettings(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), values);
}

void WriteExtraSetting(const std::string& home_dir, const SettingValue& setting) {
  std::string bytes;
  int32_t values[kExtraSettingCount];
  if (!ReadExtraFile(home_dir, &bytes)) bytes.clear();
  DecodeExtraFile(bytes, values);
  values[setting.field->offset] = setting.value;
  unsigned char out[kExtraSettingsBytes];
  EncodeExtraSettings(values, out, sizeof out);
  const std::string path = ExtraSettingsPath(home_dir);
  if (FILE* file = std::fopen(path.c_str(), "wbe")) {
    const bool whole = std::fwrite(out, 1, sizeof out, file) == sizeof out;
    if (std::fclose(file) == 0 && whole) return;
  }
  HostLog("loader: cannot write " + path);
}

void LogSetting(const SettingValue& setting) {
  HostLog(std::string("loader: setting ") + setting.field->name + " = " +
          std::to_string(setting.value));
}

void InitConfig(LoadedPlugin* plugin) {
  plugin->init_result = plugin->init_config(plugin->record);
  HostLog("loader: init_config returned " + std::to_string(plugin->init_result));
}

}  // namespace

const SettingField* FindSettingField(std::string_view name) {
  for (const SettingField& field : SettingFields)
    if (name == field.name) return &field;
  for (const SettingField& field : ExtraSettingFields)
    if (name == field.name) return &field;
  return nullptr;
}

void PrintSettingFields(FILE* out) {
  SettingsRecord defaults;
  DefaultSettings(&defaults);
  unsigned char record[940];
  std::memcpy(record, &defaults, sizeof record);
  for (const SettingField& field : SettingFields)
    std::fprintf(out, "  %-19s %-6s default %-7d %s\n", field.name, field.values,
                 ReadSetting(record, field), field.meaning);
}

std::string SettingFieldNames() {
  std::string names;
  for (const SettingField& field : SettingFields)
    names += (names.empty() ? "" : " ") + std::string(field.name);
  for (const SettingField& field : ExtraSettingFields) names += " " + std::string(field.name);
  return names;
}

bool ReadExtraSetting(const std::string& home_dir, const SettingField& field, int32_t* value,
                      std::string* reason) {
  std::string bytes;
  if (!ReadExtraFile(home_dir, &bytes)) {
    *reason = "no such file";
    return false;
  }
  int32_t values[kExtraSettingCount];
  DecodeExtraFile(bytes, values);
  *value = values[field.offset];
  return true;
}

bool ToSettingValue(std::string_view name, std::string_view value, SettingValue* setting,
                    std::string* error) {
  const SettingField* field = FindSettingField(name);
  if (field == nullptr) {
    *error = "unknown setting " + QuotedWord(name);
    return false;
  }
  int64_t number = 0;
  const char* end = value.data() + value.size();
  auto [stop, failure] = std::from_chars(value.data(), end, number);
  if (value.empty() || failure != std::errc() || stop != end || number < field->low ||
      number > field->high) {
    *error = std::string("setting ") + field->name + " takes a whole number from " +
             std::to_string(field->low) + " to " + std::to_string(field->high) + ", not " +
             QuotedWord(value);
    return false;
  }
  setting->field = field;
  setting->value = static_cast<int32_t>(number);
  return true;
}

void ApplySetting(unsigned char (&record)[940], const SettingValue& setting,
                  const std::string& home_dir) {
  const SettingField& field = *setting.field;
  if (field.extra) {
    WriteExtraSetting(home_dir, setting);
    return;
  }
  if (field.width == 1) {
    record[field.offset] = static_cast<unsigned char>(setting.value);
  } else {
    std::memcpy(record + field.offset, &setting.value, sizeof setting.value);
  }
}

int32_t ReadSetting(const unsigned char (&record)[940], const SettingField& field) {
  if (field.width == 1)
    return field.low < 0 ? static_cast<signed char>(record[field.offset]) : record[field.offset];
  int32_t value = 0;
  std::memcpy(&value, record + field.offset, sizeof value);
  return value;
}

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
                LoadedPlugin* plugin, std::string* error,
                const std::vector<SettingValue>& changes) {
  plugin->home_dir = home_dir;
  unsigned char (&record)[940] = plugin->record;
  if (!BuildSettingsRecord(home_dir, record, error)) return false;
  for (const SettingValue& setting : changes) {
    ApplySetting(record, setting, home_dir);
    LogSetting(setting);
  }

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
  InitConfig(plugin);
  return true;
}

int RestartWithSetting(LoadedPlugin* plugin, const SettingValue& setting) {
  ApplySetting(plugin->record, setting, plugin->home_dir);
  LogSetting(setting);
  InitConfig(plugin);
  return plugin->init_result;
}

}  // namespace sim
