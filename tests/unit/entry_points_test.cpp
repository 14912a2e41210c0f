// The loader's entry points on the simulated set: what init_config puts in
// place whatever state the plug-in was left in, what setup opens, and what
// closing the settings screen keeps or writes.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/dispatcher_state.h"
#include "host/key_dispatcher.h"
#include "host/key_hold_state.h"
#include "host/recording_state.h"
#include "host/tv_state.h"
#include "sandbox_fixture.h"
#include "settings/device_table.h"
#include "settings/dialog_state.h"
#include "settings/entry_points.h"
#include "settings/extra_settings.h"
#include "settings/script_state.h"
#include "settings/settings_record.h"
#include "settings/start_state.h"
#include "settings/toolbox_state.h"
#include "sim/host/host_state.h"
#include "sim/platform/virtual_disks.h"
#include "supervision/info_pane_state.h"
#include "supervision/programme_state.h"
#include "supervision/supervision_state.h"

namespace {

class EntryPoints : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    sim::ResetHost();
    DefaultSettings(&record_);
    home_ = TestSandbox() + "/entry-home/";
    mkdir(home_.c_str(), 0755);
    unlink((home_ + "recolyx.cfg").c_str());
    unlink((home_ + "recolyx_extra.cfg").c_str());
    std::snprintf(record_.home_dir, sizeof record_.home_dir, "%s", home_.c_str());
  }
  void TearDown() override {
    init_config(&record_);
    SandboxTest::TearDown();
  }
  std::string SettingsFile() const {
    std::ifstream in(home_ + "recolyx.cfg", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static std::string RecordBytes() {
    return std::string(reinterpret_cast<const char*>(&settings), kSettingsRecordSize);
  }

  SettingsRecord record_;
  std::string home_;
};

// Every subsystem's words as a key storm might leave them.
void DirtyEverything() {
  last_key = 73;
  key44_count = 2;
  freeze_guard_140 = 1;
  freeze_guard_147 = 1;
  recording.recent_file_count = 4;
  recording.dest_attempt = 1;
  recording.memory_dest = 1;
  held_key = 15;
  hold_armed = 1;
  picture_off = 1;
  option15_restore_count = 1;
  recording_active = 1;
  split_in_progress = 1;
  stop_timer = 90;
  tick_stop_state = 2;
  title_change_count = 2;
  name_prefix[0] = 'x';
  pane_state = 2;
  toolbox_open = 1;
  toolbox_item = 12;
  delete_dialog_open = 1;
  delete_choice = 1;
  telnet_running = 1;
  device_table.count = 7;
}

// Each start writes which build runs from which home folder into the debug
// log, one line appended per start; a home folder that would make the line
// longer than a log line is left out, not cut.
TEST_F(EntryPoints, EachStartLogsTheVersionAndTheHomeFolder) {
  const std::string log = sim::SandboxPath("/mtd_ram/Recolyx_debug.log");
  unlink(log.c_str());
  const auto read_log = [&log] {
    std::ifstream in(log);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  init_config(&record_);
  init_config(&record_);
  const std::string line = "Recolyx " RECOLYX_VERSION " started, home folder " + home_ + "\n";
  EXPECT_EQ(read_log(), line + line);
  unlink(log.c_str());
  std::string home = home_;
  while (home.size() < 228) home += "./";  // fits every file, not the line
  std::snprintf(record_.home_dir, sizeof record_.home_dir, "%s", home.c_str());
  init_config(&record_);
  EXPECT_EQ(read_log(), "Recolyx " RECOLYX_VERSION " started\n");
  std::snprintf(record_.home_dir, sizeof record_.home_dir, "%s", home_.c_str());
  unlink(log.c_str());
}

TEST_F(EntryPoints, InitConfigStartsEverythingFromRest) {
  init_config(&record_);  // started: what it dirties now, a start resets
  DirtyEverything();
  sim::Host().options[15] = 3;
  init_config(&record_);
  EXPECT_EQ(last_key.load(), -1);
  for (std::atomic<int>* word :
       {&key44_count, &freeze_guard_140, &freeze_guard_147, &recording.recent_file_count, &recording.dest_attempt,
        &recording.memory_dest, &hold_armed, &picture_off, &option15_restore_count, &recording_active,
        &split_in_progress, &stop_timer, &tick_stop_state, &pane_state, &toolbox_open,
        &toolbox_item, &delete_dialog_open, &telnet_running})
    EXPECT_EQ(word->load(), 0);
  EXPECT_EQ(held_key.load(), 255);
  EXPECT_EQ(title_change_count.load(), 0);
  EXPECT_EQ(name_prefix[0], '\0');
  EXPECT_EQ(saved_option15.load(), 3);  // taken from the host as it is now
  EXPECT_EQ(device_table.count.load(), 2);
  EXPECT_EQ(std::memcmp(&settings, &record_, kSettingsRecordSize), 0);
}

// The first start leaves the words as the library was loaded, which is at
// rest; but a key or the settings screen before it has run the plug-in, and
// then the start resets what they left.
TEST_F(EntryPoints, WhateverRanBeforeTheFirstStartIsReset) {
  KeyDispatcher(9);
  EXPECT_EQ(state_as_loaded.load(), 0);
  EXPECT_EQ(last_key.load(), 9);
  init_config(&record_);
  EXPECT_EQ(last_key.load(), -1);
  EXPECT_EQ(state_as_loaded.load(), 0);  // and every later start resets

  state_as_loaded = 1;  // as loaded again
  setup();
  EXPECT_EQ(state_as_loaded.load(), 0);
  CloseToolbox(0);
}

TEST_F(EntryPoints, RecorderValueOnlyAsWholePackets) {
  for (int value : {188 * 50, 0, -188, 1000, 0x7fffffff, 188 * 7, 2147483580, 188 * 32768, 188 * 32769}) {
    sim::ResetHost();
    const int untouched = sim::RecorderChunkBytes();
    record_.recorder_value = value;
    int result = init_config(&record_);
    bool whole_packets = value > 0 && value % 188 == 0 && value <= 188 * 32768;
    EXPECT_EQ(sim::RecorderChunkBytes(), whole_packets ? value : untouched) << value;
    if (!whole_packets) {
      EXPECT_EQ(result, 0) << value;
    }
  }
}

TEST_F(EntryPoints, UnterminatedTextsEndAtTheirLastByte) {
  std::memset(record_.home_dir, 'h', sizeof record_.home_dir);
  std::memset(record_.dest1.product, 'p', sizeof record_.dest1.product);
  std::memset(record_.dest1.mount, 'm', sizeof record_.dest1.mount);
  std::memset(record_.dest2.name, 'n', sizeof record_.dest2.name);
  std::memset(record_.dest2.serial, 's', sizeof record_.dest2.serial);
  init_config(&record_);
  EXPECT_EQ(std::strlen(settings.home_dir), sizeof settings.home_dir - 1);
  EXPECT_EQ(std::strlen(settings.dest1.product), sizeof settings.dest1.product - 1);
  EXPECT_EQ(std::strlen(settings.dest1.mount), sizeof settings.dest1.mount - 1);
  EXPECT_EQ(std::strlen(settings.dest2.name), sizeof settings.dest2.name - 1);
  EXPECT_EQ(std::strlen(settings.dest2.serial), sizeof settings.dest2.serial - 1);
  // Everything else of the record is taken as given.
  EXPECT_EQ(std::memcmp(&settings.active_dest, &record_.active_dest,
                        kSettingsRecordSize - offsetof(SettingsRecord, active_dest)),
            0);
  std::snprintf(record_.home_dir, sizeof record_.home_dir, "%s", home_.c_str());
}

TEST_F(EntryPoints, SetupOpensTheScreenOnceAndRereadsTheDevices) {
  init_config(&record_);
  ASSERT_TRUE(sim::PlugDevice({"USB1", "Acme", "Stick", "1", {{"/dtv/usb/sda1", SIM_FS_FAT, 1ull << 30, 4096}}}));
  EXPECT_EQ(setup(), 45);
  EXPECT_EQ(toolbox_open.load(), 1);
  EXPECT_EQ(toolbox_item.load() + toolbox_row.load() + toolbox_scroll.load(), 0);
  EXPECT_EQ(device_table.count.load(), 3);
  // Open already: neither redrawn nor rescanned.
  ASSERT_TRUE(sim::UnplugDevice("USB1"));
  EXPECT_EQ(setup(), 45);
  EXPECT_EQ(device_table.count.load(), 3);
  CloseToolbox(0);
}

TEST_F(EntryPoints, SetupClosesAnOpenDeleteDialogFirst) {
  init_config(&record_);
  delete_dialog_open = 1;
  recording.recent_file_count = 2;
  EXPECT_EQ(setup(), 45);
  EXPECT_EQ(delete_dialog_open.load(), 0);
  EXPECT_EQ(toolbox_open.load(), 1);
  EXPECT_EQ(recording.recent_file_count.load(), 2);  // nothing deleted
  // The dialog's keys no longer apply: 104 closes the screen and saves.
  EXPECT_EQ(KeyDispatcher(104), 255);
  EXPECT_EQ(toolbox_open.load(), 0);
}

TEST_F(EntryPoints, ClosingWithoutConfirmKeepsChangesInMemoryOnly) {
  init_config(&record_);
  ASSERT_EQ(KeyDispatcher(26), 26);
  ASSERT_EQ(KeyDispatcher(73), 45);
  settings.key1_action = 3;
  recording.dest_attempt = 1;
  EXPECT_EQ(KeyDispatcher(26), 26);
  EXPECT_EQ(toolbox_open.load(), 0);
  EXPECT_EQ(recording.dest_attempt.load(), 0);
  EXPECT_EQ(settings.key1_action.load(), 3);
  EXPECT_EQ(access((home_ + "recolyx.cfg").c_str(), F_OK), -1);
  EXPECT_EQ(access((home_ + "recolyx_extra.cfg").c_str(), F_OK), -1);

  ASSERT_EQ(setup(), 45);
  extra_settings.failover = 0;
  EXPECT_EQ(KeyDispatcher(104), 255);
  std::string saved = SettingsFile();
  ASSERT_EQ(saved.size(), kSettingsRecordSize);
  EXPECT_EQ(saved, RecordBytes());
  // The second settings file beside it: the tag, one word, failover 0.
  std::ifstream in(home_ + "recolyx_extra.cfg", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
            std::string("RXE1\x01\0\0\0\0\0\0\0", 12));
}

TEST_F(EntryPoints, InitConfigReadsTheSecondSettingsFile) {
  extra_settings.failover = 0;
  init_config(&record_);  // no file: the default
  EXPECT_EQ(extra_settings.failover.load(), 1);
  std::ofstream(home_ + "recolyx_extra.cfg", std::ios::binary) << std::string("RXE1\x01\0\0\0\0\0\0\0", 12);
  init_config(&record_);
  EXPECT_EQ(extra_settings.failover.load(), 0);
  unlink((home_ + "recolyx_extra.cfg").c_str());
}

TEST_F(EntryPoints, CloseRefreshesDestinationsFromTheTable) {
  ASSERT_TRUE(sim::PlugDevice({"USB1", "Acme", "Stick", "1", {{"/dtv/usb/sda1", SIM_FS_FAT, 1ull << 30, 4096}}}));
  init_config(&record_);
  ASSERT_EQ(setup(), 45);
  settings.dest1.index = 2;  // stepped to the stick in the screen
  settings.dest2.index = 99;  // out of the table: back to "Auto"
  CloseToolbox(0);
  EXPECT_STREQ(settings.dest1.product, "Stick");
  EXPECT_STREQ(settings.dest1.mount, "/dtv/usb/sda1");
  EXPECT_STREQ(settings.dest2.name, "Auto");
}

}  // namespace
