// The status band: the tick's notices (slide in, text, slide out) and the
// stop-timer line, and their turns through band_busy.
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "display/text_fit.h"
#include "host/key_dispatcher.h"
#include "host/recording_state.h"
#include "host/tv_services.h"
#include "notices_test_support.h"
#include "sim/host/host_state.h"
#include "sim/platform/tv_time.h"
#include "supervision/programme_state.h"
#include "supervision/status_notices.h"
#include "utc_time.h"

namespace display_test {
namespace {

// Band colour 8, 8, 8 with alpha 80 x (100 x 128 / 100) / 100 = 102.
const uint32_t kBand = Bgra(8, 8, 8, 102);

// True when text is well-formed UTF-8 (no character cut in half).
bool WholeCharacters(const char* text) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0;) {
    int n = *p < 0x80 ? 1 : *p >= 0xF0 ? 4 : *p >= 0xE0 ? 3 : *p >= 0xC0 ? 2 : 0;
    if (n == 0) return false;
    for (int i = 1; i < n; ++i)
      if ((p[i] & 0xC0) != 0x80) return false;
    p += n;
  }
  return true;
}

// Replaces catalogue slot n for one test.
class SlotOverride {
 public:
  SlotOverride(int n, const char* text) : n_(n), old_(mess[n].load()) { mess[n].store(text); }
  ~SlotOverride() { mess[n_].store(old_); }

 private:
  int n_;
  const char* old_;
};

class StatusBandTest : public NoticeScreenTest {
 protected:
  void SetUp() override {
    NoticeScreenTest::SetUp();
    host_objects_ready = 0;
    std::memset(&host_time, 0, sizeof host_time);
    PublishHostClock(0, 0, 0);
  }
  void TearDown() override {
    host_objects_ready = 0;
    NoticeScreenTest::TearDown();
  }
  std::string StopTimerText(time_t now) {
    char text[kStopTimerTextSize];
    BuildStopTimerText(text, sizeof text, now);
    return text;
  }
  // Every pixel of rows first..last in columns 0..959 is transparent black.
  bool RowsClear(int first, int last, int left = 0, int right = kOsdWidth - 1) {
    for (int y = first; y <= last; ++y)
      for (int x = left; x <= right; ++x)
        if (PixelWord(x, y) != 0) return false;
    return true;
  }
};

// ---- The stop-timer line's text

TEST_F(StatusBandTest, StopTimerLineGivesMinutesAndTheEndingClockTime) {
  const time_t now = Utc(2024, 1, 10, 21, 45, 20);
  stop_timer = 90;
  stop_time = static_cast<uint32_t>(now + 90 * 60);
  settings.time_zone = 0;  // UTC
  EXPECT_EQ(StopTimerText(now), " +90min (23:15) ");
  const time_t late = Utc(2024, 1, 10, 23, 10);
  stop_time = static_cast<uint32_t>(late + 90 * 60);
  EXPECT_EQ(StopTimerText(late), " +90min (00:40) ");
  // The host's clock when chosen and ready.
  settings.clock_source = 1;
  host_objects_ready = 1;
  PublishHostClock(2024, 7, 5);  // as the tick leaves it after a refresh
  EXPECT_EQ(StopTimerText(late), " +90min (08:35) ");
  host_objects_ready = 0;  // not ready: the system clock again
  EXPECT_EQ(StopTimerText(late), " +90min (00:40) ");
}

TEST_F(StatusBandTest, StopTimerLineWithoutAClockOrTimer) {
  stop_timer = 90;
  stop_time = 1000 + 90 * 60;
  EXPECT_EQ(StopTimerText(1000), " +90min ");  // 1970: no clock time
  stop_time = 1000 + 500 * 60;                  // beyond 180 minutes: 0
  EXPECT_EQ(StopTimerText(1000), " +0min ");
  stop_timer = 0;
  EXPECT_EQ(StopTimerText(1000), " " + std::string(Message(15)) + " ");
  stop_timer = -1;
  EXPECT_EQ(StopTimerText(1000), " " + std::string(Message(42)) + " ");
  settings.stop_extra_minutes = 10;
  EXPECT_EQ(StopTimerText(1000), " " + std::string(Message(42)) + " +10min ");
}

TEST_F(StatusBandTest, StopTimerLineIsCutAtACharacterBoundaryInItsBuffer) {
  std::string euros;
  for (int i = 0; i < 60; ++i) euros += "\xE2\x82\xAC";  // three bytes each
  SlotOverride slot(42, euros.c_str());
  stop_timer = -1;
  settings.stop_extra_minutes = 10;
  char text[kStopTimerTextSize + 8];
  std::memset(text, 'x', sizeof text);
  size_t length = BuildStopTimerText(text, kStopTimerTextSize, 1000);
  EXPECT_EQ(length, 1u + 27 * 3);  // " " and 27 whole characters of 82 bytes
  EXPECT_TRUE(WholeCharacters(text));
  EXPECT_EQ(text[kStopTimerTextSize], 'x');  // nothing past the buffer
}

TEST(TextFit, CutsWholeCharactersToAWidthOrABuffer) {
  char text[64] = "A\xC5\xBC\xE2\x82\xAC";  // 1-, 2- and 3-byte letters
  size_t removed = CutToWidth(text, kBigFontId, BigTextWidth("A\xC5\xBC"));
  EXPECT_EQ(removed, 3u);
  EXPECT_STREQ(text, "A\xC5\xBC");
  EXPECT_EQ(CutToWidth(text, kBigFontId, -1), 3u);  // down to the empty text
  EXPECT_STREQ(text, "");
  EXPECT_EQ(CutToWidth(text, kBigFontId, -1), 0u);
  char lone[4] = "\x82\x82";  // continuation bytes only: nothing before the buffer is read
  CutToWidth(lone, kBigFontId, 0);
  EXPECT_STREQ(lone, "");
  // No TrueType font open: every text measures too wide and is emptied.
  char name[16] = "Evening";
  CutToWidth(name, 20, 490);
  EXPECT_STREQ(name, "");

  char buffer[6] = "ab";
  EXPECT_FALSE(AppendFormat(buffer, sizeof buffer, "%s", "\xC5\xBC\xC5\xBC"));
  EXPECT_STREQ(buffer, "ab\xC5\xBC");
  EXPECT_FALSE(AppendFormat(buffer, 0, "x"));
  char full[3] = "ab";
  EXPECT_FALSE(AppendFormat(full, sizeof full, "c"));
  EXPECT_STREQ(full, "ab");
}

// Against the plain rule, tried on every boundary from the end: the cut
// keeps the longest start that ends at a character and fits the width.
TEST(TextFit, CutKeepsTheLongestStartThatFits) {
  const char* const pieces[] = {"A", "w", "\xC5\xBC", "\xE2\x82\xAC", " ", "\x82"};
  uint32_t seed = 12345;
  auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  for (int round = 0; round < 500; ++round) {
    std::string text;
    for (uint32_t n = next() % 40; n > 0; --n) text += pieces[next() % 6];
    const int width = static_cast<int>(next() % (BigTextWidth(text.c_str()) + 20));
    size_t keep = text.size();
    for (; keep > 0; --keep) {
      if (keep < text.size() && (static_cast<unsigned char>(text[keep]) & 0xC0) == 0x80) continue;
      if (BigTextWidth(text.substr(0, keep).c_str()) <= width) break;
    }
    char cut[256];
    std::snprintf(cut, sizeof cut, "%s", text.c_str());
    EXPECT_EQ(CutToWidth(cut, kBigFontId, width), text.size() - keep) << round;
    EXPECT_EQ(std::string(cut), text.substr(0, keep)) << round;
  }
}

// ---- The stop-timer line on the screen

TEST_F(StatusBandTest, StopTimerLineDrawsBlanksAsGlyphsWithoutABand) {
  recording_active = 1;
  stop_timer = 90;
  stop_time = static_cast<uint32_t>(time(nullptr) + 90 * 60);
  settings.show_notices = 0;  // not a notice: still shown
  WhileShowing([] { ShowStopTimer(); }, 1, [](int) {
    EXPECT_NE(PixelWord(160, 20), 0u);  // the leading blank, drawn as glyph 16
    EXPECT_EQ(PixelWord(150, 20), 0u);  // no band left of the text
  });
  EXPECT_TRUE(RowsClear(9, 49, 140));
}

TEST_F(StatusBandTest, StopTimerLineOnlyDuringARecordingAndNotUnderThePassingOverlay) {
  OpenCleared();
  stop_timer = 30;
  int flips = sim::ScreenFlipCount();
  ShowStopTimer();  // no recording
  EXPECT_EQ(sim::ScreenFlipCount(), flips);
  recording_active = 1;
  key44_count = 1;
  ShowStopTimer();  // the overlay lets keys through: no line
  EXPECT_EQ(sim::ScreenFlipCount(), flips);
  settings.key44_passthrough = 0;
  ShowStopTimer();
  EXPECT_EQ(sim::ScreenFlipCount(), flips + 2);  // the line, then the clear
  settings.osd_opacity = 0;
  ShowStopTimer();
  EXPECT_EQ(sim::ScreenFlipCount(), flips + 2);
}

// ---- Notices

TEST_F(StatusBandTest, NoticeSlidesInFromTheRightThenShowsItsText) {
  // Seen at whichever slide-in frame the look comes: frame f (1..10) fills
  // from column 140 + 82 x (10 - f).
  WhileShowing([] { ShowStatusNotice(18); }, 4, [](int seen) {
    int k = seen <= 10 ? 10 - seen : 0;
    EXPECT_EQ(PixelWord(140 + 82 * k, 48), kBand) << seen;
    EXPECT_EQ(PixelWord(959, 9), kBand);
    if (k > 0) {
      EXPECT_EQ(PixelWord(139 + 82 * k, 48), 0u) << seen;
    }
    EXPECT_EQ(PixelWord(959, 8), 0u);
    EXPECT_EQ(PixelWord(959, 50), 0u);
  });
  WhileShowing([] { ShowStatusNotice(18); }, 11, [this](int) {
    EXPECT_EQ(PixelWord(140, 48), kBand);
    int text_pixels = 0;
    for (int x = 155; x < 400; ++x) text_pixels += PixelWord(x, 30) != kBand;
    EXPECT_GT(text_pixels, 10);
    EXPECT_TRUE(RowsClear(0, 8));
  });
  EXPECT_TRUE(RowsClear(0, 60));  // slid out and cleared
}

TEST_F(StatusBandTest, NoticeWithoutAnimationIsOneFillTheTextAndAClear) {
  settings.pane_animation = 0;
  const int flips = sim::ScreenFlipCount();
  ShowStatusNotice(19);
  EXPECT_EQ(sim::ScreenFlipCount(), flips + 3);
  EXPECT_TRUE(RowsClear(0, 60));
}

TEST_F(StatusBandTest, ANoticeWiderThanTheBandIsCutNotWrapped) {
  std::string wide(120, 'W');
  wide += "\xC5\xBC";
  SlotOverride slot(18, wide.c_str());
  WhileShowing([] { ShowStatusNotice(18); }, 11, [this](int) {
    EXPECT_TRUE(RowsClear(0, 8));
    EXPECT_TRUE(RowsClear(50, 120));          // no second line under the band
    EXPECT_TRUE(RowsClear(9, 49, 0, 139));    // nothing wrapped to the left edge
  });
  EXPECT_TRUE(RowsClear(0, 120));
}

TEST_F(StatusBandTest, NoticeSwitchesAndThePictureOffState) {
  const int flips = sim::ScreenFlipCount();
  picture_off = 1;
  settings.show_notices = 0;
  ShowStatusNotice(18);
  EXPECT_EQ(picture_off.load(), 1);  // untouched
  settings.show_notices = 1;
  settings.osd_opacity = 0;
  ShowStatusNotice(18);
  settings.osd_opacity = 100;
  key44_count = 2;
  ShowStatusNotice(18);
  key44_count = 0;
  EXPECT_EQ(sim::ScreenFlipCount(), flips);
  ShowStatusNotice(18);
  EXPECT_EQ(picture_off.load(), 0);  // a notice brings the picture back
}

TEST_F(StatusBandTest, TheStandbyGoesOnlyWhileItIsStillPending) {
  sim::ResetHost();
  settings.key_object = sim::KeyObjectAddress();
  settings.key_object_check = sim::KeyObjectCheck();
  settings.osd_opacity = 0;
  // Asked for even when nothing is drawn; the phase goes back to idle.
  recording.phase = kPhaseStandbyPending;
  NoticeAndStandby();
  EXPECT_EQ(sim::Host().injected_keys, std::vector<int>{258});
  EXPECT_EQ(recording.phase.load(), kPhaseIdle);
  // The phase moved on meanwhile: no standby into it.
  sim::ResetHost();
  settings.key_object = sim::KeyObjectAddress();
  settings.key_object_check = sim::KeyObjectCheck();
  recording.phase = kPhaseStarting;
  NoticeAndStandby();
  EXPECT_TRUE(sim::Host().injected_keys.empty());
  EXPECT_EQ(recording.phase.load(), kPhaseStarting);
  recording.phase = kPhaseIdle;
  settings.key_object = 0;
}

// ---- The failover notice's text and the standby countdown

TEST(StatusBandTexts, NoticeTextTakesTheDeviceAfterABlank) {
  char text[64];
  EXPECT_EQ(BuildNoticeText(text, sizeof text, "Recording continues on", "Beta"), 27u);
  EXPECT_STREQ(text, "Recording continues on Beta");
  BuildNoticeText(text, sizeof text, "Disk full", nullptr);
  EXPECT_STREQ(text, "Disk full");
  BuildNoticeText(text, sizeof text, "Disk full", "");
  EXPECT_STREQ(text, "Disk full");
  // A device name too wide for the band is cut at a character, never past
  // the buffer or the band's 805 pixels.
  std::string device;
  while (device.size() < 200) device += "\xC5\xBC";
  char wide[256];
  BuildNoticeText(wide, sizeof wide, "Recording continues on", device.c_str());
  EXPECT_TRUE(WholeCharacters(wide));
  EXPECT_LE(BigTextWidth(wide), kBandTextWidth);
  EXPECT_EQ(std::string(wide).rfind("Recording continues on \xC5\xBC", 0), 0u);
  char small[8];
  BuildNoticeText(small, sizeof small, "Recording continues on", "Beta");
  EXPECT_STREQ(small, "Recordi");
}

TEST(StatusBandTexts, CountdownReplacesTheTextsFirstNumber) {
  char text[64];
  BuildCountdownText(text, sizeof text, "Standby in 10 s \xE2\x80\x93 any key cancels", 9);
  EXPECT_STREQ(text, "Standby in 9 s \xE2\x80\x93 any key cancels");
  BuildCountdownText(text, sizeof text, "10 sn sonra bekleme", 1);
  EXPECT_STREQ(text, "1 sn sonra bekleme");
  BuildCountdownText(text, sizeof text, "in 10 s, 20 s", 3);  // only the first number
  EXPECT_STREQ(text, "in 3 s, 20 s");
  BuildCountdownText(text, sizeof text, "Standby", 5);  // no number: as it stands
  EXPECT_STREQ(text, "Standby");
  char small[12];
  BuildCountdownText(small, sizeof small, "Veille dans 10 s", 10);
  EXPECT_STREQ(small, "Veille dans");
  std::string long_text(300, 'x');
  long_text += " 10";
  char band[256];
  BuildCountdownText(band, sizeof band, long_text.c_str(), 7);
  EXPECT_LE(BigTextWidth(band), kBandTextWidth);
}

class StandbyCountdown : public StatusBandTest {
 protected:
  void SetUp() override {
    StatusBandTest::SetUp();
    sim::ResetHost();
    settings.key_object = sim::KeyObjectAddress();
    settings.key_object_check = sim::KeyObjectCheck();
    recording.phase = kPhaseStandbyPending;
    ASSERT_EQ(tv_time_start(-1, 0, TV_TIME_SERIAL, 0), 0);
    start_ns_ = tv_time_elapsed_ns();
  }
  void TearDown() override {
    tv_time_stop();
    recording.phase = kPhaseIdle;
    settings.key_object = 0;
    StatusBandTest::TearDown();
  }
  double Seconds() const { return (tv_time_elapsed_ns() - start_ns_) / 1e9; }
  // The band's pixels right of the text's start.
  std::vector<uint32_t> BandPixels() {
    std::vector<uint32_t> pixels;
    for (int y = 9; y <= 49; ++y)
      for (int x = 155; x < 500; ++x) pixels.push_back(PixelWord(x, y));
    return pixels;
  }
  int64_t start_ns_ = 0;
};

TEST_F(StandbyCountdown, TenSecondsCountedDownThenTheStandbyKey) {
  OpenCleared();
  std::thread tick([] { NoticeAndStandby(); });
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const std::vector<uint32_t> ten = BandPixels();
  EXPECT_EQ(PixelWord(959, 48), kBand);
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const std::vector<uint32_t> nine = BandPixels();
  EXPECT_NE(ten, nine);  // the number went down
  std::this_thread::sleep_for(std::chrono::seconds(8));  // 9.5 s in
  EXPECT_TRUE(sim::Host().injected_keys.empty());
  EXPECT_EQ(recording.phase.load(), kPhaseStandbyPending);
  tick.join();
  EXPECT_GE(Seconds(), 10.0);
  EXPECT_LT(Seconds(), 11.0);
  EXPECT_EQ(sim::Host().injected_keys, std::vector<int>{258});
  EXPECT_EQ(recording.phase.load(), kPhaseIdle);
  EXPECT_TRUE(RowsClear(0, 60));
}

TEST_F(StandbyCountdown, ARemoteKeyCancelsItAndIsUsedUp) {
  OpenCleared();
  std::thread tick([] { NoticeAndStandby(); });
  std::this_thread::sleep_for(std::chrono::seconds(3));
  EXPECT_EQ(KeyDispatcher(7), 255);
  tick.join();
  EXPECT_LT(Seconds(), 3.2);  // the band goes at once
  EXPECT_TRUE(sim::Host().injected_keys.empty());
  EXPECT_EQ(recording.phase.load(), kPhaseIdle);
  EXPECT_TRUE(RowsClear(0, 60));
  EXPECT_EQ(KeyDispatcher(7), 7);  // the next key is the host's again
}

TEST_F(StandbyCountdown, WithNoticesOffTheSecondsPassUndrawnAndAKeyStillCancels) {
  settings.show_notices = 0;
  const int flips = sim::ScreenFlipCount();
  std::thread tick([] { NoticeAndStandby(); });
  std::this_thread::sleep_for(std::chrono::seconds(9));
  EXPECT_TRUE(sim::Host().injected_keys.empty());
  EXPECT_EQ(KeyDispatcher(19), 255);
  tick.join();
  EXPECT_TRUE(sim::Host().injected_keys.empty());
  EXPECT_EQ(sim::ScreenFlipCount(), flips);

  recording.phase = kPhaseStandbyPending;
  NoticeAndStandby();
  EXPECT_EQ(sim::Host().injected_keys, std::vector<int>{258});
}

TEST_F(StatusBandTest, TheBandIsTakenInTurn) {
  recording_active = 1;
  stop_timer = 30;
  band_busy = 1;  // a notice owns the band
  ASSERT_EQ(tv_time_start(-1, 0, TV_TIME_SERIAL, 0), 0);
  const int flips = sim::ScreenFlipCount();
  std::atomic<bool> done{false};
  std::thread key_thread([&] {
    ShowStopTimer();
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::seconds(2));  // the key thread waits for the band
  EXPECT_FALSE(done);
  EXPECT_EQ(sim::ScreenFlipCount(), flips);
  band_busy = 0;
  key_thread.join();
  tv_time_stop();
  EXPECT_EQ(sim::ScreenFlipCount(), flips + 2);
  EXPECT_EQ(band_busy.load(), 0);
}

}  // namespace
}  // namespace display_test
