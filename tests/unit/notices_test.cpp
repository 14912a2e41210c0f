// The short-lived screens: message boxes, icons, the stop notice and summary,
// the delete dialog. Skin images are replaced with solid ones of known
// colours, so the pixels show what was copied where.
#include "display/fonts.h"
#include "display/text.h"
#include "notices_test_support.h"
#include "settings/notices.h"
#include "supervision/status_notices.h"

namespace display_test {
namespace {

constexpr int kConsumedCode = 255;

class NoticesTest : public NoticeScreenTest {
 protected:
  void SetUp() override {
    NoticeScreenTest::SetUp();
    WriteImage("osd/warnbox.png", Solid(200, 60, 10, 20, 30));
    WriteImage("osd/warnbox_ext.png", Solid(460, 170, 40, 40, 40));
    WriteImage("osd/button.png", Solid(108, 38, 0, 0, 200));
    WriteImage("osd/button_focus.png", Solid(108, 38, 200, 100, 0));
    WriteImage("osd/icon_rec.png", Solid(20, 20, 255, 0, 0));
    WriteImage("osd/icon_no.png", Solid(20, 20, 0, 0, 255));
    WriteImage("osd/icon_stop.png", Solid(20, 20, 0, 255, 0));
  }

  // Pixels of the surface with exactly this colour (any alpha) in the rows.
  int CountColour(uint8_t r, uint8_t g, uint8_t b, int first_row, int last_row, int* rightmost = nullptr) {
    int count = 0;
    if (rightmost) *rightmost = -1;
    for (int y = first_row; y <= last_row; ++y)
      for (int x = 0; x < kOsdWidth; ++x) {
        const uint8_t* p = Pixel(x, y);
        if (p[0] == b && p[1] == g && p[2] == r) {
          ++count;
          if (rightmost && x > *rightmost) *rightmost = x;
        }
      }
    return count;
  }
  // Icons are written with alpha opacity x image percent (100 x 80): 204.
  static constexpr uint8_t kIconAlpha = 204;
};

// ---- Message boxes

TEST_F(NoticesTest, MessageBoxCopiesTheBoxCentredAndWritesItsText) {
  EXPECT_EQ(ShowMessageBox(3, 0), kConsumedCode);
  ASSERT_NE(OsdSurface.load(), nullptr);  // close 0 leaves the display open
  // x = (960 - 200) / 2 + 1 = 381, y = (540 - 60) / 2 = 240.
  EXPECT_EQ(PixelWord(381, 240), Bgra(30, 20, 10, 255));
  EXPECT_EQ(PixelWord(380, 240), 0u);
  EXPECT_EQ(PixelWord(580, 299), Bgra(30, 20, 10, 255));
  EXPECT_EQ(PixelWord(581, 299), 0u);
  // Text 3 in colour 8 (200, 200, 200) from (470, 282).
  int right = 0;
  EXPECT_GT(CountColour(200, 200, 200, 282, 300, &right), 20);
  EXPECT_NEAR(right, 470 + TextWidth(18, Message(3)), 3);
}

TEST_F(NoticesTest, MessageBoxWithCloseClosesTheDisplay) {
  EXPECT_EQ(ShowMessageBox(5, 1), kConsumedCode);
  EXPECT_EQ(OsdSurface.load(), nullptr);
  EXPECT_FALSE(sim::OverlayActive());
}

TEST_F(NoticesTest, DeletionBoxCountsTheRecordingsActuallyDeleted) {
  // Three recordings listed, none deleted: the box says that nothing could
  // be deleted (text 103, one line at y 282) instead of claiming success,
  // and has no count line (it reports what the deletion did, not the list).
  recording.recent_file_count = 3;
  deleted_recording_count = 0;
  ShowMessageBox(39, 0);
  EXPECT_EQ(CountColour(128, 128, 128, 240, 299), 0);
  ASSERT_STREQ(Message(103), "No recording could be deleted");
  int first_line_right = 0;
  EXPECT_GT(CountColour(200, 200, 200, 282, 300, &first_line_right), 20);
  EXPECT_NEAR(first_line_right, 470 + TextWidth(18, Message(103)), 3);
  EXPECT_EQ(CountColour(200, 200, 200, 272, 281), 0);  // nothing above the line

  for (int deleted : {1, 3}) {
    FillSurface(0);
    deleted_recording_count = deleted;
    ShowMessageBox(39, 0);
    // The question moves up to y 272; the count line in colour 1 at y 292.
    EXPECT_GT(CountColour(200, 200, 200, 272, 290), 20);
    int right = 0;
    EXPECT_GT(CountColour(128, 128, 128, 292, 310, &right), 5) << deleted;
    const std::string line = deleted == 1 ? "(1 " + std::string(Message(41)) + ")"
                                          : "(3 " + std::string(Message(40)) + ")";
    EXPECT_NEAR(right, 470 + TextWidth(18, line.c_str()), 3) << line;
  }
}

TEST_F(NoticesTest, MessageBoxWithoutItsImageStillWritesTheText) {
  unlink((home_ + "/osd/warnbox.png").c_str());
  ShowMessageBox(4, 0);
  EXPECT_GT(CountColour(200, 200, 200, 42, 60), 20);  // at (89, 42)
}

TEST_F(NoticesTest, ABoxLargerThanTheScreenIsClipped) {
  TestImage huge(1201, 701, 4);
  for (int y = 0; y < huge.h; ++y)
    for (int x = 0; x < huge.w; ++x) {
      uint8_t* p = huge.At(x, y);
      p[0] = static_cast<uint8_t>(x), p[1] = static_cast<uint8_t>(y), p[2] = 7, p[3] = 255;
    }
  WriteImage("osd/warnbox.png", huge);
  WriteImage("osd/warnbox_ext.png", huge);
  ShowMessageBox(3, 0);
  // x = floor(-241 / 2) + 1 = -120, y = floor(-161 / 2) = -81: the screen's
  // corner shows the image's pixel (120, 81).
  EXPECT_EQ(PixelWord(0, 0), Bgra(7, 81, 120, 255));
  EXPECT_EQ(PixelWord(959, 539), Bgra(7, static_cast<uint8_t>(539 + 81), static_cast<uint8_t>(959 + 120), 255));
  EXPECT_EQ(OpenDeleteDialog(36), kConsumedCode);
  EXPECT_EQ(PixelWord(0, 0), Bgra(7, 81, 121, 255));
}

// ---- What switches the screens off

TEST_F(NoticesTest, SwitchesLeaveTheScreenUntouchedAndTheKeyConsumed) {
  OpenCleared();
  recording_active = 1;
  const int flips = sim::ScreenFlipCount();
  settings.show_notices = 0;  // boxes and the refused icon only
  EXPECT_EQ(ShowMessageBox(3, 1), kConsumedCode);
  EXPECT_EQ(ShowRefusedIcon(), kConsumedCode);
  EXPECT_EQ(sim::ScreenFlipCount(), flips);
  EXPECT_EQ(ShowRecordIcon(), kConsumedCode);  // still drawn
  EXPECT_EQ(PixelWord(15, 15), Bgra(0, 0, 255, kIconAlpha));
  settings.show_notices = 1;

  for (int variant : {0, 1}) {
    FillSurface(0);
    const int before = sim::ScreenFlipCount();
    if (variant == 0) settings.osd_opacity = 0;
    else key44_count = 1;
    EXPECT_EQ(ShowMessageBox(3, 0), kConsumedCode);
    EXPECT_EQ(ShowRefusedIcon(), kConsumedCode);
    EXPECT_EQ(ShowRecordIcon(), kConsumedCode);
    EXPECT_EQ(ShowStopNotice(1), kConsumedCode);
    ShowStopSummary(StopOutcome{});
    EXPECT_EQ(OpenDeleteDialog(36), kConsumedCode);
    EXPECT_EQ(delete_dialog_open.load(), 0);
    EXPECT_EQ(sim::ScreenFlipCount(), before) << variant;
    EXPECT_EQ(PixelWord(15, 15), 0u);
    settings.osd_opacity = 100;
    key44_count = 0;
  }
}

TEST_F(NoticesTest, WithoutADisplayTheScreensSaySo) {
  unlink((home_ + "/osd_ttf.so").c_str());  // the display cannot open
  EXPECT_EQ(ShowMessageBox(3, 1), 123);
  EXPECT_EQ(ShowRecordIcon(), 122);
  EXPECT_EQ(ShowRefusedIcon(), 123);
  EXPECT_EQ(ShowStopNotice(0), 125);
  EXPECT_EQ(OpenDeleteDialog(36), 123);
  EXPECT_EQ(delete_dialog_open.load(), 0);
}

// ---- Icons

TEST_F(NoticesTest, RefusedIconKeepsTheFontsOfARunningRecording) {
  recording_active = 1;
  OpenCleared();
  KeepDisplayOpen(true);
  TTF_Font* font = StandardFont[0];
  ASSERT_NE(font, nullptr);
  const int quits = sim::SdlCalls().quit;
  // The "no" icon is on the screen during its second.
  WhileShowing([] { ShowRefusedIcon(); }, 1, [](int) { EXPECT_EQ(PixelWord(15, 15), Bgra(255, 0, 0, kIconAlpha)); });
  EXPECT_EQ(PixelWord(15, 15), Bgra(0, 0, 255, kIconAlpha));  // the record icon again
  EXPECT_EQ(StandardFont[0], font);
  EXPECT_EQ(sim::SdlCalls().quit, quits);
  KeepDisplayOpen(false);
}

TEST_F(NoticesTest, RefusedIconWithThePaneHiddenByKeyClearsTheScreen) {
  recording_active = 1;
  OpenCleared();
  pane_state = 2;
  EXPECT_EQ(ShowRefusedIcon(), kConsumedCode);
  EXPECT_EQ(PixelWord(15, 15), 0u);
}

TEST_F(NoticesTest, RefusedIconNeedsAnOpenDisplay) {
  EXPECT_EQ(ShowRefusedIcon(), 123);
  EXPECT_EQ(OsdSurface.load(), nullptr);
}

TEST_F(NoticesTest, RecordIconStaysWithTheDisplayOpen) {
  EXPECT_EQ(ShowRecordIcon(), kConsumedCode);
  ASSERT_NE(OsdSurface.load(), nullptr);
  EXPECT_EQ(PixelWord(10, 10), Bgra(0, 0, 255, kIconAlpha));
  EXPECT_EQ(PixelWord(30, 30), 0u);
  unlink((home_ + "/osd/icon_rec.png").c_str());
  EXPECT_EQ(ShowRecordIcon(), 122);
  EXPECT_EQ(OsdSurface.load(), nullptr);
}

// ---- Stop notice and summary

TEST_F(NoticesTest, StopNoticeShowsTheStopIconAndClosesAtRest) {
  OpenCleared();
  WhileShowing([] { EXPECT_EQ(ShowStopNotice(0), kConsumedCode); }, 1,
               [](int) { EXPECT_EQ(PixelWord(15, 15), Bgra(0, 255, 0, kIconAlpha)); });
  EXPECT_EQ(OsdSurface.load(), nullptr);
}

TEST_F(NoticesTest, StopNoticeOnTheTickLeavesSdlRunningAndClears) {
  OpenCleared();
  tick_stop_state = 1;
  const int quits = sim::SdlCalls().quit;
  std::thread tick([] {
    TimerThreadScope timer_thread;
    EXPECT_EQ(ShowStopNotice(1), kConsumedCode);  // box 8, which would close
    ShowStopSummary(StopOutcome{});
  });
  tick.join();
  EXPECT_EQ(sim::SdlCalls().quit, quits);
  ASSERT_NE(OsdSurface.load(), nullptr);
  EXPECT_EQ(PixelWord(15, 15), 0u);
  EXPECT_EQ(PixelWord(381, 240), 0u);
}

TEST_F(NoticesTest, SummaryCutsALongFileNameAtACharacterBoundary) {
  static StopOutcome outcome;
  outcome.start_time = static_cast<uint32_t>(time(nullptr) - 3723);
  outcome.size_mb = 3000;
  outcome.files = 3;
  std::string name = "/dtv/usb/sda1/R";
  while (name.size() < 240) name += "\xC5\xBC\xE2\x82\xAC";  // two- and three-byte letters
  std::snprintf(outcome.last_path, sizeof outcome.last_path, "%s", name.c_str());
  WhileShowing([] { ShowStopSummary(outcome); }, 1, [](int) {
    // The name in colour 9 (white) on row 450..470 ends by 230 + 490 + "...".
    int rightmost = -1;
    for (int y = 450; y < 472; ++y)
      for (int x = 0; x < kOsdWidth; ++x)
        if (PixelWord(x, y) == Bgra(255, 255, 255, PixelWord(x, y) >> 24)) rightmost = std::max(rightmost, x);
    EXPECT_GT(rightmost, 600);
    EXPECT_LE(rightmost, 230 + 490 + TextWidth(20, "..."));
  });
  EXPECT_EQ(OsdSurface.load(), nullptr);  // closed at rest
}

// A recording that moved to a second disk: the panel grows upwards by one
// disk's rows and lists each disk's folder line (colour 7) and last file
// (colour 9); one disk keeps the single folder line and name.
TEST_F(NoticesTest, SummaryOfARecordingOnTwoDisksListsEach) {
  static StopOutcome outcome;
  outcome = StopOutcome{};
  outcome.start_time = static_cast<uint32_t>(time(nullptr) - 60);
  outcome.files = 3;
  outcome.disk_count = 2;
  std::snprintf(outcome.disks[0].label, sizeof outcome.disks[0].label, "Alpha");
  outcome.disks[0].files = 1;
  std::snprintf(outcome.disks[0].last_path, kPathSize, "/dtv/usb/sda1/R2024-03-07_20-15_Das_Boot_001.ts");
  std::snprintf(outcome.disks[1].label, sizeof outcome.disks[1].label, "Beta");
  outcome.disks[1].files = 2;
  outcome.disks[1].dvr_folder = 3;
  std::snprintf(outcome.disks[1].last_path, kPathSize, "/dtv/usb/sdb1/DVR3/R2024-03-07_20-16_Das_Boot_003.ts");
  static int rows[2][4];
  WhileShowing([] { ShowStopSummary(outcome); }, 1, [this](int) {
    // Folder lines at 430 - 44 and 430, names 20 rows below each.
    rows[0][0] = CountColour(230, 230, 230, 386, 402);
    rows[0][1] = CountColour(255, 255, 255, 408, 426);
    rows[0][2] = CountColour(230, 230, 230, 430, 446);
    rows[0][3] = CountColour(255, 255, 255, 452, 470);
  });
  for (int i = 0; i < 4; ++i) EXPECT_GT(rows[0][i], 50) << i;

  outcome.disk_count = 1;
  std::memcpy(outcome.last_path, outcome.disks[1].last_path, kPathSize);
  WhileShowing([] { ShowStopSummary(outcome); }, 1, [this](int) {
    rows[1][0] = CountColour(230, 230, 230, 386, 402);
    rows[1][1] = CountColour(255, 255, 255, 408, 426);
    rows[1][2] = CountColour(230, 230, 230, 430, 446);
    rows[1][3] = CountColour(255, 255, 255, 452, 470);
  });
  EXPECT_EQ(rows[1][0], 0);  // nothing above the single folder line but the figures
  EXPECT_EQ(rows[1][1], 0);
  EXPECT_GT(rows[1][2], 50);
  EXPECT_GT(rows[1][3], 50);
  // The single folder line is shorter than the first disk's with its device.
  EXPECT_LT(rows[1][2], rows[0][2]);
}

// ---- The yes/no and on/off pairs (texts 14-17) the screens share

TEST_F(NoticesTest, FlagPairsDrawTheirCatalogueTexts) {
  OpenCleared();
  RefreshMessages();
  struct Pair {
    void (*draw)(int, int, int, int);
    int set_text, clear_text;
  };
  for (Pair pair : {Pair{DrawOnOffText, 14, 15}, Pair{DrawFlagPairText, 16, 17}}) {
    for (int flag : {1, 0}) {
      FillSurface(0);
      DrawText(20, 300, 200, Message(flag ? pair.set_text : pair.clear_text), 9);
      std::vector<uint8_t> expected = Snapshot();
      FillSurface(0);
      pair.draw(300, 200, flag, 9);
      EXPECT_EQ(Snapshot(), expected) << pair.set_text << " flag " << flag;
      EXPECT_GT(CountColour(255, 255, 255, 200, 225), 5);
    }
  }
  EXPECT_NE(std::string(Message(14)), Message(15));
  EXPECT_NE(std::string(Message(16)), Message(17));
}

// ---- Delete dialog

TEST_F(NoticesTest, DeleteDialogOpensWithTheKeepingButtonFocused) {
  EXPECT_EQ(OpenDeleteDialog(36), kConsumedCode);
  EXPECT_EQ(delete_dialog_open.load(), 1);
  EXPECT_EQ(delete_choice.load(), -1);
  // x = 250, y = 185: buttons at (366, 292) and (502, 292).
  EXPECT_EQ(PixelWord(250, 185), Bgra(40, 40, 40, 255));
  EXPECT_EQ(PixelWord(367, 293), Bgra(200, 0, 0, 255));   // "button"
  EXPECT_EQ(PixelWord(503, 293), Bgra(0, 100, 200, 255)); // "button_focus"
  delete_choice = 1;
  DrawDeleteDialogButtons();
  EXPECT_EQ(PixelWord(367, 293), Bgra(0, 100, 200, 255));
  EXPECT_EQ(PixelWord(503, 293), Bgra(200, 0, 0, 255));
  // Labels in white, centred on each button.
  int right = 0;
  EXPECT_GT(CountColour(255, 255, 255, 300, 325, &right), 10);
  EXPECT_NEAR(right, 502 + 54 + TextWidth(20, Message(38)) - TextWidth(20, Message(38)) / 2, 3);
}

// Buttons with rounded corners: their transparent corners show the box, not
// the TV picture, and moving the focus back and forth leaves nothing of the
// button drawn there before in a half-transparent edge.
TEST_F(NoticesTest, DialogButtonCornersShowTheBoxAndKeepNoTrace) {
  for (const char* name : {"button", "button_focus"}) {
    TestImage button = std::string(name) == "button" ? Solid(108, 36, 200, 0, 0) : Solid(108, 36, 0, 100, 200);
    button.At(0, 0)[3] = 0;    // a transparent corner
    button.At(1, 0)[3] = 128;  // its antialiased edge
    WriteImage(std::string("osd/") + name + ".png", button);
  }
  EXPECT_EQ(OpenDeleteDialog(36), kConsumedCode);
  EXPECT_EQ(PixelWord(366, 292), Bgra(40, 40, 40, 255));  // the box, under the left corner
  EXPECT_EQ(PixelWord(502, 292), Bgra(40, 40, 40, 255));
  const uint32_t left_edge = PixelWord(367, 292);
  EXPECT_EQ(left_edge, Bgra(40 * 127 / 255, 40 * 127 / 255, (200 * 128 + 40 * 127) / 255, 255));
  const std::vector<uint8_t> first = Snapshot();
  delete_choice = 1;
  DrawDeleteDialogButtons();
  EXPECT_EQ(PixelWord(366, 292), Bgra(40, 40, 40, 255));
  EXPECT_NE(PixelWord(367, 292), left_edge);  // now the focused colour mixes in
  delete_choice = 0;
  DrawDeleteDialogButtons();
  EXPECT_TRUE(Snapshot() == first);
}

TEST_F(NoticesTest, DeleteDialogWithoutItsImageStaysClosed) {
  unlink((home_ + "/osd/warnbox_ext.png").c_str());
  EXPECT_EQ(OpenDeleteDialog(36), kConsumedCode);
  EXPECT_EQ(delete_dialog_open.load(), 0);
}

}  // namespace
}  // namespace display_test

// ---- Pictures of every screen with the real skin, fonts and English texts,
// saved into the build folder's "screens" to look at.
namespace display_test {
namespace {

class ScreenPictures : public NoticeScreenTest {
 protected:
  void SetUp() override {
    NoticeScreenTest::SetUp();
    folder_ = BuildDir() + "/screens";
    Shell("mkdir -p " + folder_);
    sim::ScreenOptions options;
    options.home_dir = BuildHome();
    sim::ConfigureScreen(options);
    sim::SetPictureCaption(5, "Evening News");
  }
  // Saves the screen and notes how many pixels were drawn on it then.
  void Save(const std::string& name) {
    std::string error;
    EXPECT_TRUE(sim::SaveScreenshot(folder_ + "/" + name + ".png", &error)) << error;
    drawn_.emplace_back(name, DrawnPixels());
  }
  // Every picture saved shows something, and all of `names` were saved.
  void ExpectPictures(const std::vector<std::string>& names) {
    std::vector<std::string> saved;
    for (const auto& [name, drawn] : drawn_) {
      EXPECT_GT(drawn, 0) << name << " is an empty screen";
      saved.push_back(name);
    }
    EXPECT_EQ(saved, names);
  }
  std::vector<std::pair<std::string, int>> drawn_;
  // Saves the screen while `screen` waits after its flip number `flips`.
  void SaveWhile(const std::string& name, const std::function<void()>& screen, int flips = 1) {
    WhileShowing(screen, flips, [&](int) { Save(name); });
  }
  std::string folder_;
};

TEST_F(ScreenPictures, IconsBoxesSummaryAndDialog) {
  recording_active = 1;
  ShowRecordIcon();
  Save("notices_record_icon");
  SaveWhile("notices_refused_icon", [] { ShowRefusedIcon(); });
  recording_active = 0;
  CloseOsd();
  OpenOsd();
  SaveWhile("notices_stop_icon", [] { ShowStopNotice(0); });
  for (int text : {3, 4, 5, 6, 8, 44, 45, 47, 48}) {
    SaveWhile("notices_box_" + std::to_string(text), [text] { ShowMessageBox(text, 1); });
  }
  for (int deleted : {0, 1, 3}) {
    deleted_recording_count = deleted;
    SaveWhile("notices_box_39_deleted_" + std::to_string(deleted), [] { ShowMessageBox(39, 1); });
  }
  static StopOutcome outcome;
  outcome.start_time = static_cast<uint32_t>(time(nullptr) - 3723);
  outcome.size_mb = 3000;
  outcome.files = 3;
  outcome.dvr_folder = 2;
  std::snprintf(outcome.last_path, sizeof outcome.last_path, "%s",
                "/dtv/usb/sda1/DVR2/R2024-03-31_20-15_A_very_long_programme_title_that_does_not_fit_003.ts");
  SaveWhile("notices_stop_summary", [] { ShowStopSummary(outcome); });
  OpenDeleteDialog(36);
  Save("notices_delete_dialog_right_focus");
  delete_choice = 1;
  DrawDeleteDialogButtons();
  Save("notices_delete_dialog_left_focus");
  delete_choice = 0;
  DrawDeleteDialogButtons();
  Save("notices_delete_dialog_right_again");
  ExpectPictures({"notices_record_icon", "notices_refused_icon", "notices_stop_icon",
                  "notices_box_3", "notices_box_4", "notices_box_5", "notices_box_6",
                  "notices_box_8", "notices_box_44", "notices_box_45", "notices_box_47",
                  "notices_box_48", "notices_box_39_deleted_0", "notices_box_39_deleted_1", "notices_box_39_deleted_3",
                  "notices_stop_summary", "notices_delete_dialog_right_focus",
                  "notices_delete_dialog_left_focus", "notices_delete_dialog_right_again"});
}

TEST_F(ScreenPictures, StatusBand) {
  recording_active = 1;
  SaveWhile("notices_band_mid_slide", [] { ShowStatusNotice(18); }, 5);
  SaveWhile("notices_band_at_rest", [] { ShowStatusNotice(18); }, 11);
  stop_timer = 90;
  stop_time = static_cast<uint32_t>(time(nullptr) + 90 * 60);
  SaveWhile("notices_stop_timer_line", [] { ShowStopTimer(); });
  stop_timer = -1;
  settings.stop_extra_minutes = 10;
  SaveWhile("notices_stop_timer_programme_end", [] { ShowStopTimer(); });
  ExpectPictures({"notices_band_mid_slide", "notices_band_at_rest", "notices_stop_timer_line",
                  "notices_stop_timer_programme_end"});
}

}  // namespace
}  // namespace display_test
