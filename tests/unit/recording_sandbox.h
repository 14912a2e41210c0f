// A recording test on the simulated set: sandboxed disks, the simulated
// recorder and programme guide, the scaled clock started at a chosen time,
// and the plug-in's run-time state as after init_config. SDL's timer is not
// running, so no tick comes by itself: tests call TickTimer themselves (the
// threaded test starts SDL's timer on purpose).
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "display/display_state.h"
#include "guide_script.h"
#include "host/key_codes.h"
#include "host/key_dispatcher.h"
#include "host/recording_control.h"
#include "host/recording_state.h"
#include "host/recording_transition.h"
#include "supervision/timer_tick.h"
#include "host/tv_state.h"
#include "sandbox_fixture.h"
#include "settings/device_table.h"
#include "settings/dialog_state.h"
#include "settings/extra_settings.h"
#include "settings/run_time_reset.h"
#include "settings/settings_record.h"
#include "settings/toolbox_state.h"
#include "sim/host/recorder.h"
#include "sim/platform/sim_time.h"
#include "supervision/info_pane_state.h"
#include "supervision/programme_state.h"
#include "supervision/supervision_state.h"
#include "utc_time.h"

class RecordingSandbox : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    SDL_QuitSubSystem(SDL_INIT_TIMER);
    ResetDisplayState();
    VideoStarted = 1;  // the display counts as started: OpenOsd starts no SDL
    DefaultSettings(&settings);
    DefaultExtraSettings();
    settings.device_script = 0;
    settings.allow_internal = 0;
    settings.delete_empty = 0;
    settings.delete_mdb = 0;
    settings.name_mode = 1;
    settings.time_zone = 1;  // UTC+1 with summer time
    // Nothing is drawn: these tests are about the files and the words, and
    // the screens (with their waits) have tests of their own.
    settings.osd_opacity = 0;
    key_operations = RealKeyOperations;
    ResetRunTimeState();
    ResetTvState();
    ClockAt(Utc(2024, 3, 7, 19, 15));
    Guide() = GuideScript{};
    Guide().title = u"Das Boot";
    ApplyGuide();
  }
  void TearDown() override {
    spI_Stream_Record_Stop();
    sim::ResetRecorder();
    sim_clock_reset();
    ResetDisplayState();
    SandboxTest::TearDown();
  }

  // The clock runs on from `utc` at real speed.
  void ClockAt(int64_t utc) {
    now_ = utc;
    sim_clock_set(utc, 1.0);
  }
  void Advance(int64_t seconds) { ClockAt(now_ + seconds); }

  // One USB stick with a single partition at /dtv/usb/<section>.
  void Plug(const std::string& section, uint32_t type, uint64_t capacity,
            uint32_t block = 4096, const std::string& mount = "") {
    ASSERT_TRUE(sim::PlugDevice({section, "Acme", section, "1",
                                 {{mount.empty() ? "/dtv/usb/" + section : mount, type, capacity,
                                   block}}}));
  }

  // dest1 (which 1) or dest2 (which 2) fixed on the table entry whose folder
  // is `mount`.
  void ChooseFixed(int which, const std::string& mount) {
    BuildDeviceTable();
    for (int i = 0; i < device_table.count.load(); ++i) {
      if (mount == device_table.entries[i].mount) {
        (which == 1 ? settings.dest1 : settings.dest2) = device_table.entries[i];
        return;
      }
    }
    FAIL() << "no table entry for " << mount;
  }

  static bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

  // The tick's split of the running recording: its file stops and the next
  // one starts, with the transition held as the tick holds it.
  static void Split() {
    ASSERT_TRUE(TakeRecordingTransition(0));
    split_in_progress = 1;
    StopRecording(kKeyStop);
    StartRecording(kKeyRecord);
    split_in_progress = 0;
    ReleaseRecordingTransition();
  }

  // The tick of the running recording, as SDL would call it.
  static uint32_t Tick() {
    return TickTimer(1000, reinterpret_cast<void*>(
                               static_cast<uintptr_t>(recording.generation.load())));
  }

  int64_t now_ = 0;
};
