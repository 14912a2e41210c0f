// The settings record: every user setting and a few values the loader hands
// over, 940 bytes, little-endian 32-bit fields at fixed offsets. It is the
// argument of init_config and, byte for byte, the settings file.
//
// The integer fields are std::atomic<int32_t>: the key thread writes them
// while the timer tick and the key-hold watcher read them. An atomic int32 has
// the size, alignment and representation of a plain int32 (on the set's ARMv5
// too, where only read-modify-write goes through the kernel's helpers), so the
// layout stays the file format.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "settings/device_entry.h"

using SettingWord = std::atomic<int32_t>;
static_assert(sizeof(SettingWord) == 4 && alignof(SettingWord) == 4);

struct SettingsRecord {
  SettingWord language;           // host menu language number
  char home_dir[256];             // the plug-in's home folder, ending in "/"
  DeviceEntry dest1;              // first destination (a table entry copy)
  DeviceEntry dest2;              // second destination
  SettingWord active_dest;        // table index the current recording uses
  SettingWord allow_internal;
  SettingWord key1_action;
  SettingWord key68_action;
  SettingWord hold_key15;
  SettingWord record_key_notice;
  SettingWord name_mode;
  SettingWord stop_extra_minutes;
  SettingWord time_zone;
  SettingWord clock_source;
  SettingWord osd_opacity;
  SettingWord pane_animation;
  std::atomic<uint8_t> image_alpha_percent;
  uint8_t image_alpha_padding[3];
  SettingWord write_test;
  SettingWord pane_on_start;
  SettingWord delete_mdb;
  SettingWord delete_empty;
  SettingWord recorder_value;
  SettingWord split_mode;
  SettingWord stop_summary;
  SettingWord show_notices;
  SettingWord screen_off_notice;
  SettingWord key44_passthrough;
  SettingWord clock_style;
  SettingWord device_script;
  SettingWord create_folder;
  SettingWord standby_after;
  SettingWord key74_action;
  SettingWord event_variant;
  SettingWord dvr_folder;
  SettingWord key_object_check;
  std::atomic<uint32_t> key_object;  // 32-bit address of the host's key structure
};

inline constexpr size_t kSettingsRecordSize = 940;
static_assert(sizeof(SettingsRecord) == kSettingsRecordSize);
static_assert(offsetof(SettingsRecord, language) == 0);
static_assert(offsetof(SettingsRecord, home_dir) == 4);
static_assert(offsetof(SettingsRecord, dest1) == 260);
static_assert(offsetof(SettingsRecord, dest2) == 536);
static_assert(offsetof(SettingsRecord, active_dest) == 812);
static_assert(offsetof(SettingsRecord, allow_internal) == 816);
static_assert(offsetof(SettingsRecord, key1_action) == 820);
static_assert(offsetof(SettingsRecord, key68_action) == 824);
static_assert(offsetof(SettingsRecord, hold_key15) == 828);
static_assert(offsetof(SettingsRecord, record_key_notice) == 832);
static_assert(offsetof(SettingsRecord, name_mode) == 836);
static_assert(offsetof(SettingsRecord, stop_extra_minutes) == 840);
static_assert(offsetof(SettingsRecord, time_zone) == 844);
static_assert(offsetof(SettingsRecord, clock_source) == 848);
static_assert(offsetof(SettingsRecord, osd_opacity) == 852);
static_assert(offsetof(SettingsRecord, pane_animation) == 856);
static_assert(offsetof(SettingsRecord, image_alpha_percent) == 860);
static_assert(offsetof(SettingsRecord, write_test) == 864);
static_assert(offsetof(SettingsRecord, pane_on_start) == 868);
static_assert(offsetof(SettingsRecord, delete_mdb) == 872);
static_assert(offsetof(SettingsRecord, delete_empty) == 876);
static_assert(offsetof(SettingsRecord, recorder_value) == 880);
static_assert(offsetof(SettingsRecord, split_mode) == 884);
static_assert(offsetof(SettingsRecord, stop_summary) == 888);
static_assert(offsetof(SettingsRecord, show_notices) == 892);
static_assert(offsetof(SettingsRecord, screen_off_notice) == 896);
static_assert(offsetof(SettingsRecord, key44_passthrough) == 900);
static_assert(offsetof(SettingsRecord, clock_style) == 904);
static_assert(offsetof(SettingsRecord, device_script) == 908);
static_assert(offsetof(SettingsRecord, create_folder) == 912);
static_assert(offsetof(SettingsRecord, standby_after) == 916);
static_assert(offsetof(SettingsRecord, key74_action) == 920);
static_assert(offsetof(SettingsRecord, event_variant) == 924);
static_assert(offsetof(SettingsRecord, dvr_folder) == 928);
static_assert(offsetof(SettingsRecord, key_object_check) == 932);
static_assert(offsetof(SettingsRecord, key_object) == 936);

// The record as the toolbox edits it, followed by the word that is neither
// copied by init_config nor saved: the argument of the next video mute call.
struct SettingsBlock {
  SettingsRecord record;
  SettingWord video_muted;
};
static_assert(offsetof(SettingsBlock, video_muted) == kSettingsRecordSize);

extern SettingsBlock settings_block;
// The record in force; every subsystem reads its settings from here.
inline SettingsRecord& settings = settings_block.record;

// A setting's current value (relaxed: each field is read on its own).
inline int Setting(const SettingWord& word) { return word.load(std::memory_order_relaxed); }

// A numeric setting bounded to low..high where it is read: init_config takes
// the record as the loader gives it, so a value out of range (a damaged
// settings file) must not reach arithmetic that assumes the range.
inline int SettingInRange(const SettingWord& word, int low, int high) {
  int value = word.load(std::memory_order_relaxed);
  return value < low ? low : value > high ? high : value;
}

// A choice setting as an index into a table of `rows` rows: any value
// outside 0..rows-1 acts as row 0, so no table is ever read outside its rows.
inline int ChoiceSetting(const SettingWord& word, int rows) {
  int value = word.load(std::memory_order_relaxed);
  return value >= 0 && value < rows ? value : 0;
}

// The opacity of everything drawn, 0..100 percent.
inline int OsdOpacity() { return SettingInRange(settings.osd_opacity, 0, 100); }
// The second percentage applied to skin images' alpha, 0..100.
inline int ImageAlphaPercent() {
  int value = settings.image_alpha_percent.load(std::memory_order_relaxed);
  return value > 100 ? 100 : value;
}
// Run-on minutes after a programme's end, 0..30.
inline int StopExtraMinutes() {
  return SettingInRange(settings.stop_extra_minutes, 0, 30);
}

// ---- The defaults, as constant expressions: the record in force is
// initialised with them before any code runs.

// Entry 0 of the device table: recording goes to the device with most room.
constexpr DeviceEntry AutoDestination() {
  DeviceEntry entry{};
  entry.index = 0;
  entry.name[0] = 'A';
  entry.name[1] = 'u';
  entry.name[2] = 't';
  entry.name[3] = 'o';
  entry.fixed = 1;
  return entry;
}

// Every field at its default; home_dir empty, key_object 0.
constexpr SettingsRecord DefaultRecord() {
  return SettingsRecord{
      .language = 18,
      .home_dir = {},
      .dest1 = AutoDestination(),
      .dest2 = AutoDestination(),
      .active_dest = 1,
      .allow_internal = 0,
      .key1_action = 1,
      .key68_action = 1,
      .hold_key15 = 1,
      .record_key_notice = 0,
      .name_mode = 1,
      .stop_extra_minutes = 0,
      .time_zone = 1,
      .clock_source = 0,
      .osd_opacity = 100,
      .pane_animation = 1,
      .image_alpha_percent = 80,
      .image_alpha_padding = {},
      .write_test = 1,
      .pane_on_start = 0,
      .delete_mdb = 1,
      .delete_empty = 1,
      .recorder_value = 1732608,  // 9216 transport packets of 188 bytes
      .split_mode = 1,
      .stop_summary = 0,
      .show_notices = 1,
      .screen_off_notice = 1,
      .key44_passthrough = 1,
      .clock_style = 0,
      .device_script = 1,
      .create_folder = 0,
      .standby_after = 0,
      .key74_action = 2,
      .event_variant = 1,
      .dvr_folder = 0,
      .key_object_check = 0,
      .key_object = 0,
  };
}

// Builds home_dir + relative into out (always terminated). Returns false, with
// out emptied, when the path does not fit: a cut path would name another file.
// home_dir need not be terminated within its 256 bytes.
bool HomePath(char* out, size_t size, const char* relative);

// Builds home_dir followed by the pieces (none null), joined with nothing
// between them, into out (always terminated): home_dir + "osd/" + name +
// ".png". Returns false, with out emptied, when the path does not fit
// `size`, or when the pieces together (the name below home_dir) take 256
// bytes or more, as a name too long for a path buffer. Copies only: no
// formatting. No piece may lie in out.
bool HomePathJoin(char* out, size_t size, std::initializer_list<const char*> pieces);

// Writes all of the size bytes at data to fd, resuming after partial
// writes. False at the first write that fails or writes nothing.
bool WriteAll(int fd, const void* data, size_t size);

// Fills a record with the defaults (what the loader uses when there is no
// settings file). home_dir is left empty. Defined apart from the record in
// force (settings_defaults.cpp), so that programs reading settings files
// need none of the plug-in's state.
void DefaultSettings(SettingsRecord* record);

// The settings file in the home folder, and the temporary file a save
// writes first (a name no longer than the file's own).
inline constexpr char kSettingsFileName[] = "recolyx.cfg";
inline constexpr char kSettingsTemporaryName[] = "recolyx.tmp";
static_assert(sizeof kSettingsTemporaryName <= sizeof kSettingsFileName);

// Writes size bytes to home_dir + name without ever leaving a damaged or
// partial file: the bytes go to home_dir + temporary_name (a name no longer
// than the file's own, so any home folder whose file path fits the 256-byte
// path saves), created new and never through a link left at that name (such
// a link is removed, its target untouched), written, synced, then renamed
// over the old file; the folder is synced after the rename. Returns 1 when
// the new file is in place, 0 when the old one was kept byte for byte (the
// path does not fit, the temporary file cannot be created, written, synced
// or renamed); it leaves no temporary file of its own behind.
int SaveHomeFile(const char* name, const char* temporary_name, const void* bytes, size_t size);

// Writes the record to home_dir + "recolyx.cfg" by SaveHomeFile, through
// "recolyx.tmp".
int SaveSettings();
