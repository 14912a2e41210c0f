#include "sim/gallery/gallery_screens.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>

#include "display/display_lock.h"
#include "display/osd_surface.h"
#include "display/skin.h"
#include "display/text.h"
#include "display/text_fit.h"
#include "host/dispatcher_state.h"
#include "host/recording_state.h"
#include "host/storage_checks.h"
#include "settings/device_table.h"
#include "settings/message_catalogue.h"
#include "settings/dialog_state.h"
#include "settings/notices.h"
#include "settings/run_time_reset.h"
#include "settings/screen_switches.h"
#include "settings/settings_record.h"
#include "settings/toolbox.h"
#include "settings/toolbox_items.h"
#include "settings/toolbox_state.h"
#include "supervision/info_pane.h"
#include "supervision/info_pane_state.h"
#include "supervision/programme_state.h"
#include "supervision/status_notices.h"
#include "supervision/status_notices_state.h"
#include "supervision/supervision_state.h"
#include "supervision/timer_tick.h"

namespace gallery {

namespace {

// The file name of the summary: long enough to be cut, as real titles are.
constexpr const char* kSummaryFile =
    "/dtv/usb/sda1/DVR2/R2024-03-31_20-15_A_very_long_programme_title_that_does_not_fit_003.ts";
// The programme title of the pane, with letters of several scripts.
constexpr const char16_t* kPaneTitle = u"Zażółć gęślą jaźń – Вечерние новости – Ειδήσεις";

// Draws a skin image the way the plug-in's icons come up: on a fresh display.
void ShowImage(const char* name) {
  OpenOsd();
  DisplayLock lock(display_mutex);
  if (OsdSurface.load() != nullptr) ShowMessageImage(name);
}

void SetPaneTitle(const char16_t* title) {
  size_t i = 0;
  for (const char16_t* unit = title; *unit != 0 && i + 3 < sizeof raw_title; ++unit) {
    raw_title[i++] = static_cast<unsigned char>(*unit >> 8);
    raw_title[i++] = static_cast<unsigned char>(*unit & 0xFF);
  }
  raw_title[i] = raw_title[i + 1] = 0;
}

// A recording of 1:02:03 on the internal memory (FAT), 512 MB in its file,
// 41.5 of 64 GB free (in the language's units), a 90-minute stop timer.
void SetRecordingFigures() {
  const time_t now = time(nullptr);
  RefreshMessages();  // the language whose units the sizes take
  recording_active = 1;
  settings.active_dest = 1;
  fs.f_type = 0x4D44;
  rec_start_time = static_cast<uint32_t>(now - 3723);
  FormatSpace(total_text.data(), sizeof total_text, 64u << 20, settings.language);
  FormatSpace(free_text.data(), sizeof free_text, 83u << 19, settings.language);
  free_gauge = 54;
  segment_size_mb = 512;
  bitrate = 1234;
  minutes_left = 560;
  stop_timer = 90;
  stop_time = static_cast<uint32_t>(now + 90 * 60);
  SetPaneTitle(kPaneTitle);
}

void ShowPane(int clock_style) {
  settings.clock_style = clock_style;
  OpenOsd();
  InfoPaneShown = 1;
  DrawInfoPane();
}

// The second file of the recording, 2:05 into it.
void SetSecondFile() {
  segment_number = 1;
  segment_start_time = static_cast<uint32_t>(time(nullptr) - 125);
  earlier_segments_mb = 4076;
}

constexpr int kOpacityItem = 11;

// Every item but the opacity (so the screen stays as visible) stepped
// forward `steps` times from where it is.
void StepItems(int steps) {
  for (int step = 0; step < steps; ++step) {
    for (int item = 0; item < kToolboxItems; ++item)
      if (item != kOpacityItem) StepToolboxItem(item, 1);
  }
}

// How many forward steps take `item` from its value to its widest value text
// (in the toolbox's font 20), looking kValueSearch steps ahead: the value
// that comes closest to the cursor's right arrow. Steps the item on; needs
// the display open for the fonts.
int StepsToWidestValue(int item) {
  constexpr int kValueSearch = 40;  // more than any item has values
  int best = 0, best_width = -1;
  for (int step = 0; step < kValueSearch; ++step) {
    char text[64];
    ToolboxValueText(item, text, sizeof text);
    const int width = TextWidth(20, text);
    if (width > best_width) best = step, best_width = width;
    StepToolboxItem(item, 1);
  }
  return best;
}

// The settings screen with item kItem under the cursor showing its widest
// value, on the page that holds it (items 0-8, 9-17, 18-26, and for the
// last item the last page, 19-27: the screen scrolls no further than its
// last item; the cursor's row moving down the page). The other items were stepped from their defaults
// once per row above the cursor, up to five steps (two on the last page):
// over a page's nine pictures every value text of its items comes up.
template <int kItem>
void ShowToolboxItem() {
  constexpr int kScroll = std::min(kItem / kToolboxRows * kToolboxRows, kToolboxLastScroll);
  constexpr int kRow = kItem - kScroll;
  constexpr int kSteps = kRow % (kScroll == kToolboxLastScroll ? 3 : 6);
  StepItems(kSteps);
  int widest = 0;
  if (kItem != kOpacityItem) {
    // Found by stepping the item round; then the state starts over.
    OpenOsd();
    widest = StepsToWidestValue(kItem);
    char home[sizeof settings.home_dir];
    std::memcpy(home, settings.home_dir, sizeof home);
    PrepareScreen(home);
    StepItems(kSteps);
  }
  for (int step = 0; step < widest; ++step) StepToolboxItem(kItem, 1);
  OpenOsd();
  toolbox_open = 1;
  toolbox_item = kItem;
  toolbox_row = kRow;
  toolbox_scroll = kScroll;
  DrawToolbox();
}

const char* ToolboxCaption(int item) {
  static const std::vector<std::string> captions = [] {
    std::vector<std::string> all;
    for (int i = 0; i < kToolboxItems; ++i) all.push_back("toolbox, item " + std::to_string(i) + " at the cursor, widest value");
    return all;
  }();
  return captions[item].c_str();
}

template <size_t... kItems>
void AddToolboxItems(std::vector<GalleryScreen>* screens, std::index_sequence<kItems...>) {
  (screens->push_back({ToolboxCaption(kItems), 1, ShowToolboxItem<kItems>}), ...);
}

template <int kText>
void ShowBox() {
  ShowMessageBox(kText, 1);
}

template <int kText>
void ShowNotice() {
  ShowStatusNotice(kText);
}

// A recording of three files and 3000 MiB that ran 1:02:03.
StopOutcome SummaryOutcome() {
  StopOutcome outcome;
  outcome.start_time = static_cast<uint32_t>(time(nullptr) - 3723);
  outcome.size_mb = 3000;
  outcome.files = 3;
  return outcome;
}

void ShowSummary() {
  StopOutcome outcome = SummaryOutcome();
  outcome.dvr_folder = 2;
  std::snprintf(outcome.last_path, sizeof outcome.last_path, "%s", kSummaryFile);
  ShowStopSummary(outcome);
}

// The summary of a recording that went on on a second disk when its first
// one filled.
void ShowSummaryOfTwoDisks() {
  StopOutcome outcome = SummaryOutcome();
  outcome.disk_count = 2;
  const char* const labels[] = {"Cruzer Blade", "DataTraveler 3.0"};
  for (int i = 0; i < 2; ++i) {
    RecordingDisk& disk = outcome.disks[i];
    std::snprintf(disk.label, sizeof disk.label, "%s", labels[i]);
    disk.files = 2 - i;
    disk.dvr_folder = 2 * i;
    std::snprintf(disk.last_path, sizeof disk.last_path, "%s", kSummaryFile);
  }
  ShowStopSummary(outcome);
}

void ShowStopTimerAt(int timer) {
  recording_active = 1;
  stop_timer = timer;
  stop_time = static_cast<uint32_t>(time(nullptr) + 90 * 60);
  settings.stop_extra_minutes = 10;
  ShowStopTimer();
}

// The 28 accented letters of the bitmap fonts after their base letters, in
// two lines, in the big font (font_id kBigFontId) on its own band cells, or
// in font 118 or 218 in white on black.
void ShowAccentedLetters(int font_id) {
  static const char* const kLines[2] = {"A\u0104\u00C4 C\u0106 E\u0118 L\u0141 N\u0143 O\u00D3\u00D6 "
                                        "S\u015A Z\u0179\u017B U\u00DC",
                                        "a\u0105\u00E4 c\u0107 e\u00E8\u00E9\u00EA\u0119 l\u0142 n\u0144 "
                                        "o\u00F3\u00F6 s\u015B z\u017A\u017C u\u00FC \u00DF"};
  OpenOsd();
  DisplayLock lock(display_mutex);
  SDL_Surface* surface = OsdSurface.load();
  if (surface == nullptr) return;
  for (int line = 0; line < 2; ++line) {
    if (font_id == kBigFontId) {
      DrawBigText(10, 10 + line * 40, kLines[line]);
    } else {
      SetAlphaRect(6, 6 + line * 22, TextWidth(font_id, kLines[line]) + 8, 22, 255);  // black
      DrawText(font_id, 10, 8 + line * 22, kLines[line], 9);
    }
  }
  SDL_Flip(surface);
}

std::vector<GalleryScreen> BuildScreens() {
  std::vector<GalleryScreen> screens = {
      {"record icon", 1, [] { ShowRecordIcon(); }},
      {"refused key icon", 2, [] {
         ShowRecordIcon();
         ShowRefusedIcon();
       }},
      {"stop icon", 2, [] {
         ShowRecordIcon();
         ShowStopNotice(0);
       }},
      {"stop key icon", 1, [] { ShowImage("icon_stoprec"); }},
      {"script icon", 1, [] { ShowImage("icon_script"); }},
      {"box 3", 1, ShowBox<3>},
      {"box 4", 1, ShowBox<4>},
      {"box 5", 1, ShowBox<5>},
      {"box 6", 1, ShowBox<6>},
      {"box 8", 1, ShowBox<8>},
      {"box 39 (none deleted: 103)", 1, ShowBox<39>},
      {"box 39 (1 deleted: 41)", 1, [] {
         deleted_recording_count = 1;
         ShowBox<39>();
       }},
      {"box 39 (10 deleted: 40)", 1, [] {
         deleted_recording_count = 10;
         ShowBox<39>();
       }},
      {"box 44", 1, ShowBox<44>},
      {"box 45", 1, ShowBox<45>},
      {"box 47", 1, ShowBox<47>},
      {"box 48", 1, ShowBox<48>},
      {"stop summary 27-33, 43", 1, ShowSummary},
      {"stop summary on two disks 27-33, 40, 41, 43", 1, ShowSummaryOfTwoDisks},
      {"delete dialog 36, right focus", 1, [] { OpenDeleteDialog(36); }},
      {"delete dialog 36, left focus", 2, [] {
         OpenDeleteDialog(36);
         delete_choice = 1;
         DrawDeleteDialogButtons();
       }},
      {"stop timer +90min", 1, [] { ShowStopTimerAt(90); }},
      {"stop timer 42 (programme end)", 1, [] { ShowStopTimerAt(-1); }},
      {"stop timer 15 (none)", 1, [] { ShowStopTimerAt(0); }},
  };
  // The band's notices: flip 1 lays the band, flip 2 writes the text.
  const std::vector<GalleryScreen> notices = {
      {"band 7", 2, ShowNotice<7>},   {"band 18", 2, ShowNotice<18>}, {"band 19", 2, ShowNotice<19>},
      {"band 20", 2, ShowNotice<20>}, {"band 21", 2, ShowNotice<21>}, {"band 34", 2, ShowNotice<34>},
      {"band 35", 2, ShowNotice<35>}, {"band 46", 2, ShowNotice<46>}, {"band 49", 2, ShowNotice<49>},
      {"band 104", 2, ShowNotice<104>},
      {"band 106 (and the device)", 2, [] { ShowStatusNoticeWith(106, "DataTraveler 3.0"); }},
      {"band 107 (the standby countdown)", 2, ShowNotice<107>},
  };
  screens.insert(screens.end(), notices.begin(), notices.end());
  const std::vector<GalleryScreen> panes = {
      {"pane: first file (style 0)", 1, [] {
         SetRecordingFigures();
         ShowPane(0);
       }},
      {"pane: split line 19 (style 1)", 1, [] {
         SetRecordingFigures();
         SetSecondFile();
         split_in_progress = 1;
         ShowPane(1);
       }},
      {"pane: low space 20 (style 2)", 1, [] {
         SetRecordingFigures();
         SetSecondFile();
         stop_timer = -1;
         settings.standby_after = 1;
         low_space = 1;
         free_gauge = 1;
         FormatSpace(free_text.data(), sizeof free_text, 20u << 10, settings.language);
         minutes_left = 2;
         ShowPane(2);
       }},
  };
  screens.insert(screens.end(), panes.begin(), panes.end());
  // The accented letters of the three bitmap fonts beside their base
  // letters, magnified.
  const std::vector<GalleryScreen> letters = {
      {"accented letters: band (big font), 3x", 1, [] { ShowAccentedLetters(kBigFontId); }, 3},
      {"accented letters: pane Dot Matrix (118), 4x", 1, [] { ShowAccentedLetters(118); }, 4},
      {"accented letters: pane LCD (218), 4x", 1, [] { ShowAccentedLetters(218); }, 4},
  };
  screens.insert(screens.end(), letters.begin(), letters.end());
  AddToolboxItems(&screens, std::make_index_sequence<kToolboxItems>());
  return screens;
}

}  // namespace

const std::vector<GalleryScreen>& GalleryScreens() {
  static const std::vector<GalleryScreen> screens = BuildScreens();
  return screens;
}

bool PrepareScreen(const char* home_dir) {
  // Whatever the last screen left open goes first, with the fonts.
  recording_active = 0;
  tick_stop_state = 0;
  CloseOsd();
  ForgetDisplay();
  if (std::strlen(home_dir) >= sizeof settings.home_dir) return false;
  DefaultSettings(&settings);
  std::snprintf(settings.home_dir, sizeof settings.home_dir, "%s", home_dir);
  settings.show_notices = 1;
  settings.pane_animation = 0;
  settings.osd_opacity = 100;
  settings.image_alpha_percent = 80;
  settings.stop_extra_minutes = 0;
  ResetRunTimeState();
  fs.f_type = 0;
  BuildDeviceTable();
  return true;
}

}  // namespace gallery
