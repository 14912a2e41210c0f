// The plug-in's calls into the TV application, checked on the simulated host.
#include <climits>
#include <cstring>

#include <gtest/gtest.h>

#include "host/tv_services.h"
#include "settings/device_table.h"
#include "settings/entry_points.h"
#include "settings/settings_record.h"
#include "sim/host/host_state.h"

namespace {

class TvServices : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ResetHost();
    DefaultSettings(&settings);
    settings.key_object = sim::KeyObjectAddress();
    settings.key_object_check = sim::KeyObjectCheck();
    settings_block.video_muted = 1;
    picture_frozen = 0;
  }
  static std::vector<sim::OptionCall> OptionCalls() {
    std::lock_guard lock(sim::Host().mutex);
    return sim::Host().option_calls;
  }
  static std::vector<sim::HostEvent> Events() {
    std::lock_guard lock(sim::Host().mutex);
    return sim::Host().events;
  }
};

TEST_F(TvServices, OptionsReachTheTvObject) {
  SetTvOption(40, 7);
  EXPECT_EQ(sim::Host().options[40], 7);
  EXPECT_EQ(GetTvOption(40), 7);
  EXPECT_EQ(GetTvOption(300), 0);  // the host refuses: the preset 0 comes back
}

TEST_F(TvServices, PictureOffSavesOptionSendsEventAndRestores) {
  for (int variant : {1, 0}) {
    SCOPED_TRACE(variant);
    sim::ResetHost();
    settings.event_variant = variant;
    sim::Host().options[15] = 3;
    ResetPictureOffState();
    EXPECT_EQ(saved_option15, 3);

    TogglePictureOff();
    EXPECT_EQ(picture_off, 1);
    EXPECT_EQ(sim::Host().options[15], 5);
    ASSERT_EQ(Events().size(), 1u);
    sim::HostEvent event = Events()[0];
    EXPECT_EQ(std::vector<int>(event.words, event.words + 5),
              (std::vector<int>{0, 0, 1074, 1, 0}));
    EXPECT_EQ(event.application, 2);
    EXPECT_FALSE(event.wait);
    EXPECT_EQ(event.by_pointer, variant == 1);

    // Already off: PictureOffIfOn does nothing; RestorePictureIfOff switches back.
    PictureOffIfOn();
    EXPECT_EQ(Events().size(), 1u);
    RestorePictureIfOff();
    EXPECT_EQ(picture_off, 0);
    EXPECT_EQ(option15_restore_count, 1);
    EXPECT_EQ(sim::Host().options[15], 3);
    RestorePictureIfOff();
    std::vector<sim::OptionCall> calls = OptionCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].option, 15);
    EXPECT_EQ(calls[0].value, 5);
    EXPECT_EQ(calls[1].value, 3);
  }
}

// A notice shown while the picture is off switches it on and off again
// before any key: the restore the switch-on left for the next key must not
// come, or the next key puts the picture back on behind picture_off.
TEST_F(TvServices, PictureOffAgainCancelsThePendingRestore) {
  sim::Host().options[15] = 3;
  ResetPictureOffState();
  PictureOffIfOn();
  RestorePictureIfOff();
  ASSERT_EQ(option15_restore_count, 1);
  PictureOffIfOn();
  EXPECT_EQ(option15_restore_count, 0);
  EXPECT_EQ(picture_off, 1);
  EXPECT_EQ(sim::Host().options[15], 5);
  EXPECT_EQ(saved_option15, 3);  // read back from the restored option
  // Switched on again: the restore for the next key is armed once more.
  RestorePictureIfOff();
  EXPECT_EQ(option15_restore_count, 1);
  EXPECT_EQ(sim::Host().options[15], 3);
}

TEST_F(TvServices, VideoMuteTogglesBothWindowsInOrder) {
  ToggleVideoMute();
  EXPECT_EQ(video_is_muted, 1);
  EXPECT_EQ(settings_block.video_muted, 0);
  ToggleVideoMute();
  EXPECT_EQ(video_is_muted, 0);
  EXPECT_EQ(settings_block.video_muted, 1);

  std::lock_guard lock(sim::Host().mutex);
  const auto& calls = sim::Host().mute_calls;
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].window, &g_AppWindow);
  EXPECT_EQ(calls[0].mute, 1);
  EXPECT_EQ(calls[1].window, &g_AppWindowPIP);
  EXPECT_EQ(calls[1].mute, 1);
  EXPECT_EQ(calls[2].window, &g_AppWindow);
  EXPECT_EQ(calls[2].mute, 0);
  EXPECT_EQ(calls[3].mute, 0);
}

TEST_F(TvServices, FreezeTogglesOrReports74) {
  EXPECT_EQ(ToggleFreeze(), 255);
  EXPECT_EQ(sim::Host().frozen, 1);
  EXPECT_EQ(ToggleFreeze(), 255);
  EXPECT_EQ(sim::Host().frozen, 0);
  EXPECT_EQ(sim::Host().display_closes, 2);

  sim::Host().display_processor_fails = true;
  EXPECT_EQ(ToggleFreeze(), 74);
  EXPECT_EQ(picture_frozen, 0);
  sim::Host().display_processor_fails = false;
  sim::Host().display_processor_null = true;
  EXPECT_EQ(ToggleFreeze(), 74);
  EXPECT_EQ(picture_frozen, 0);
  EXPECT_EQ(sim::Host().display_closes, 2);
}

TEST_F(TvServices, HostKeysAreInjectedOnlyIntoTheExpectedObject) {
  EXPECT_EQ(SendHostKey(258), 1);
  settings.key_object_check = sim::KeyObjectCheck() + 1;
  EXPECT_EQ(SendHostKey(259), 0);
  settings.key_object = 0;  // no key structure from the loader: refused, no crash
  EXPECT_EQ(SendHostKey(260), 0);
  EXPECT_EQ(sim::Host().injected_keys, std::vector<int>{258});
  EXPECT_EQ(settings.key_object, 0u);
}

TEST_F(TvServices, RecorderValueGoesToByte44) {
  EXPECT_EQ(SetRecorderValue(0), 0);
  EXPECT_EQ(sim::RecorderChunkBytes(), 0);
  sim::Host().rec_instance_result = 7;
  EXPECT_EQ(SetRecorderValue(188 * 100), 7);
  EXPECT_EQ(sim::RecorderChunkBytes(), 18800);
  EXPECT_EQ(rec_instance.load(), sim::RecorderInstance());
}

// Only whole transport packets: any other value leaves the recorder's chunk
// as it was and does not ask the host (whose result would be 7).
TEST_F(TvServices, RecorderValueIsAPositiveMultipleOf188) {
  sim::Host().rec_instance_result = 7;
  EXPECT_EQ(SetRecorderValue(188 * 50), 7);
  EXPECT_EQ(sim::RecorderChunkBytes(), 9400);
  for (int value : {-188, 0, 0x7fffffff, 1000, 187, INT_MIN}) {
    EXPECT_EQ(SetRecorderValue(value), 0) << value;
    EXPECT_EQ(sim::RecorderChunkBytes(), 9400) << value;
  }
}

// The chunk is a buffer of whole packets from one packet to the bound; a
// larger multiple of 188 (the largest int32 one is 2147483580) leaves the
// host with the chunk it chose itself, as a value below one packet does.
TEST_F(TvServices, RecorderValueStaysWithinOnePacketAndTheBound) {
  sim::Host().rec_instance_result = 7;
  EXPECT_EQ(SetRecorderValue(188), 7);
  EXPECT_EQ(sim::RecorderChunkBytes(), 188);
  EXPECT_EQ(SetRecorderValue(188 * 32768), 7);  // the bound: 6160384 bytes
  EXPECT_EQ(sim::RecorderChunkBytes(), 188 * 32768);
  for (int value : {188 * 32769, 2147483580, 188 * 65536, 186, 94}) {
    EXPECT_EQ(SetRecorderValue(value), 0) << value;
    EXPECT_EQ(sim::RecorderChunkBytes(), 188 * 32768) << value;
  }
}

TEST_F(TvServices, InitConfigTakesTheRecordAndPrimesTheHost) {
  SettingsRecord record;
  DefaultSettings(&record);
  record.osd_opacity = 60;
  record.recorder_value = 0;
  sim::Host().options[15] = 2;
  picture_off = 1;
  device_table.count = 0;
  EXPECT_EQ(init_config(&record), 0);
  EXPECT_EQ(settings.osd_opacity, 60);
  EXPECT_GE(device_table.count, 2);  // the fixed entries at least
  EXPECT_STREQ(device_table.entries[0].name, "Auto");
  EXPECT_EQ(sim::RecorderChunkBytes(), 0);  // a zero recorder value leaves the host alone
  EXPECT_EQ(picture_off, 0);
  EXPECT_EQ(saved_option15, 2);

  record.recorder_value = 1732608;
  sim::Host().rec_instance_result = 1;
  EXPECT_EQ(init_config(&record), 1);
  EXPECT_EQ(sim::RecorderChunkBytes(), 1732608);
  EXPECT_EQ(setup(), 45);
}

}  // namespace
