#include "settings/notices.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <ctime>

#include "display/display_lock.h"
#include "display/osd_surface.h"
#include "display/pixels.h"
#include "display/skin.h"
#include "display/skin_images.h"
#include "display/text.h"
#include "display/text_fit.h"
#include "host/dispatcher_state.h"
#include "host/key_codes.h"
#include "host/recording_state.h"
#include "host/tv_services.h"
#include "settings/dialog_state.h"
#include "settings/message_catalogue.h"
#include "settings/screen_switches.h"
#include "settings/settings_record.h"
#include "supervision/info_pane_state.h"
#include "supervision/supervision_state.h"

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

constexpr uint32_t kMessageBoxMs = 2500;
constexpr uint32_t kIconMs = 1000;
constexpr uint32_t kSummaryMs = 7000;

// The summary's file name must fit this many pixels in font 20.
constexpr int kFileNameWidth = 490;
// Pixel rows of one disk in the summary of a recording on several disks.
constexpr int kSummaryDiskRows = 44;
// The row of the delete dialog's box where its buttons stand.
constexpr int kDeleteButtonRow = 107;

SDL_Surface* Surface() { return OsdSurface.load(kRelaxed); }

// Closes and opens the display in one step of the display lock, so the other
// thread never draws in between. While a recording runs the fonts and the
// text library stay open: the tick draws with them.
void ReopenOsd() {
  DisplayLock lock(display_mutex);
  if (DisplayKept.load(kRelaxed) == 0) CloseOsd();
  OpenOsd();
}

void Flip() {
  if (SDL_Surface* surface = Surface()) SDL_Flip(surface);
}

void DrawMessageBox(int text) {
  int x = 0, y = 0;
  CopyCentredSkinImage("warnbox", 1, &x, &y);
  const int deleted = deleted_recording_count.load(kRelaxed);
  if (text != 39 || deleted <= 0) {
    // Box 39 after a deletion that removed nothing says so (text 103)
    // instead of reporting the recordings deleted.
    const int shown = text == 39 ? 103 : text;
    DrawText(18, x + 89, y + 42, Message(shown), 8);
    return;
  }
  DrawText(18, x + 89, y + 32, Message(39), 8);
  char count[64] = "";
  AppendFormat(count, sizeof count, "(%d %s)", deleted, Message(deleted == 1 ? 41 : 40));
  DrawText(18, x + 89, y + 52, count, 1);
}

// The summary's last line: "- text 43" right-aligned at 727 with the red
// key's icon before it.
void DrawSummaryHint() {
  char hint[256] = "";
  AppendFormat(hint, sizeof hint, "- %s", Message(43));
  const int width = TextWidth(18, hint);
  DrawText(18, 727 - width, 487, hint, 8);
  BlendSkinPanel(705 - width, 490, "icon_red");  // over the box: its corners show the box
}

// The last file's name (after the last '/' or '\') in font 20, cut to
// kFileNameWidth pixels, at row y.
void DrawSummaryFileName(const char (&path)[kPathSize], int y = 450) {
  if (path[0] == '\0') return;
  const char* name = path;
  for (const char* p = path; p < path + kPathSize && *p != '\0'; ++p) {
    if (*p == '/' || *p == '\\') name = p + 1;
  }
  char text[kPathSize + 4] = "";
  AppendFormat(text, sizeof text, "%.*s", static_cast<int>(path + kPathSize - name), name);
  CutToWidthWithDots(text, sizeof text, 20, kFileNameWidth);
  DrawText(20, 230, y, text, 9);
}

// The folder line of one disk of a recording that went to several:
// "<31> (<device>, <n> <files>[, <32> DVR<n><33>]):", cut to the panel.
void DrawSummaryDiskLine(const RecordingDisk& disk, int y) {
  char line[256] = "";
  AppendFormat(line, sizeof line, "%s (%.*s, %d %s", Message(31), static_cast<int>(sizeof disk.label),
               disk.label, disk.files, Message(disk.files == 1 ? 41 : 40));
  if (disk.dvr_folder > 0)
    AppendFormat(line, sizeof line, ", %s %s%d%s", Message(32), "DVR", disk.dvr_folder, Message(33));
  AppendFormat(line, sizeof line, "):");
  CutToWidthWithDots(line, sizeof line, 18, kFileNameWidth);
  DrawText(18, 230, y, line, 7);
}

void DrawSummary(const StopOutcome& outcome) {
  // A recording on several disks lists each disk's folder line and last
  // file: the panel grows upwards by their rows.
  const int disks = outcome.disk_count < 1 ? 1 : outcome.disk_count > kRecordingDisks ? kRecordingDisks
                                                                                        : outcome.disk_count;
  const int raised = (disks - 1) * kSummaryDiskRows;
  DrawSkinPanel(215, 320 - raised, "toolbox_header", raised);  // its middle row stretched
  SetAlphaRect(217, 358 - raised, 526, 120 + raised, static_cast<uint8_t>(OsdOpacity() * 2 % 256));
  const char* title = Message(27);
  DrawText(20, FloorHalf(kOsdWidth - TextWidth(20, title)), 329 - raised, title, 9);

  char line[256] = "";
  long long elapsed = static_cast<long long>(time(nullptr)) - outcome.start_time;
  if (elapsed < 0) elapsed = 0;  // the clock went back
  AppendFormat(line, sizeof line, "%s: %lld:%02d:%02d", Message(28), elapsed / 3600,
               static_cast<int>(elapsed / 60 % 60), static_cast<int>(elapsed % 60));
  DrawText(18, 230, 370 - raised, line, 5);

  line[0] = '\0';
  const unsigned long size_mb = outcome.size_mb;
  AppendFormat(line, sizeof line, "%s: %lu %s", Message(29), size_mb,
               settings.language.load(kRelaxed) == 12 ? "Mo" : "MB");
  DrawText(18, 230, 390 - raised, line, 4);

  line[0] = '\0';
  AppendFormat(line, sizeof line, "%s: %d", Message(30), outcome.files);
  DrawText(18, 230, 410 - raised, line, 0);

  if (disks > 1) {
    for (int i = 0; i < disks; ++i) {
      const int y = 430 - raised + i * kSummaryDiskRows;
      DrawSummaryDiskLine(outcome.disks[i], y);
      DrawSummaryFileName(outcome.disks[i].last_path, y + 20);
    }
    DrawSummaryHint();
    return;
  }

  line[0] = '\0';
  AppendFormat(line, sizeof line, "%s", Message(31));
  const int folder = outcome.dvr_folder;
  if (folder > 0) AppendFormat(line, sizeof line, " (%s %s%d%s)", Message(32), "DVR", folder, Message(33));
  AppendFormat(line, sizeof line, ":");
  DrawText(18, 230, 430, line, 7);

  DrawSummaryFileName(outcome.last_path);
  DrawSummaryHint();
}

}  // namespace

void CloseScreen() {
  if (tick_stop_state.load(kRelaxed) != 0) {
    ClearOsd();
    return;
  }
  if (recording_active.load(kRelaxed) == 0) {
    CloseOsd();
    return;
  }
  // The recording goes on: what the screen drew goes, the recording's own
  // pictures come back as they were (the record icon unless hidden by key,
  // the pane when it was up).
  DisplayLock lock(display_mutex);
  ClearOsd();
  const int pane = pane_state.load(kRelaxed);
  if (pane != 2) ShowMessageImage("icon_rec");
  if (pane == 1) ShowInfoPaneBackground(0);
}

int ShowBusyIcon() {
  if (recording_active.load(kRelaxed) != 0) return ShowRefusedIcon();
  if (NoticesOff()) return kConsumed;
  const bool opened_here = Surface() == nullptr;
  OpenOsd();
  int shown = 0;
  {
    DisplayLock lock(display_mutex);
    if (Surface() == nullptr) return kConsumed;
    shown = ShowMessageImage("icon_no");
  }
  if (shown) SDL_Delay(kIconMs);
  // The screen it was drawn over (a notice, the summary) stays.
  if (opened_here) {
    CloseOsd();
  } else {
    ClearIconCorner();
  }
  return kConsumed;
}

int ShowMessageBox(int text, int close) {
  if (NoticesOff()) return kConsumed;
  RestorePictureIfOff();
  OpenOsd();
  {
    DisplayLock lock(display_mutex);
    if (Surface() == nullptr) {
      if (close == 1) CloseOsd();
      return kDisplayUnusable;
    }
    SkinScreenScope screen(SkinScreen::kMessageBox);
    RefreshMessages();
    DrawMessageBox(text);
    Flip();
  }
  SDL_Delay(kMessageBoxMs);
  if (close == 1) CloseScreen();
  return kConsumed;
}

int ShowRecordIcon() {
  if (PicturesOff()) return kConsumed;
  OpenOsd();
  {
    DisplayLock lock(display_mutex);
    if (Surface() != nullptr && ShowMessageImage("icon_rec")) return kConsumed;
  }
  CloseOsd();
  return kIconNotShown;
}

int ShowRefusedIcon() {
  if (NoticesOff()) return kConsumed;
  if (Surface() == nullptr) {
    CloseOsd();
    return kDisplayUnusable;
  }
  int shown = 0;
  {
    DisplayLock lock(display_mutex);
    ReopenOsd();
    if (Surface() == nullptr) return kConsumed;
    shown = ShowMessageImage("icon_no");
  }
  if (shown) SDL_Delay(kIconMs);
  DisplayLock lock(display_mutex);
  ReopenOsd();
  if (Surface() == nullptr) return kConsumed;
  if (pane_state.load(kRelaxed) == 2) {
    ClearOsd();
  } else {
    ShowMessageImage("icon_rec");
  }
  return kConsumed;
}

int ShowStopNotice(int deleted) {
  if (PicturesOff()) return kConsumed;
  if (Surface() == nullptr) return kDisplayUnusable125;
  {
    DisplayLock lock(display_mutex);
    if (tick_stop_state.load(kRelaxed) == 0) {
      ReopenOsd();
    } else {
      OpenOsd();
    }
    if (Surface() == nullptr) return kConsumed;
    ShowMessageImage("icon_stop");
  }
  if (deleted == 1) {
    ShowMessageBox(8, 1);
  } else {
    SDL_Delay(kIconMs);
  }
  if (tick_stop_state.load(kRelaxed) == 0) CloseOsd();
  return kConsumed;
}

void ShowStopSummary(const StopOutcome& outcome) {
  if (PicturesOff()) return;
  OpenOsd();
  {
    DisplayLock lock(display_mutex);
    if (Surface() == nullptr) return;
    RefreshMessages();
    DrawSummary(outcome);
    Flip();
  }
  SDL_Delay(kSummaryMs);
  CloseScreen();
}

int OpenDeleteDialog(int text) {
  if (PicturesOff()) return kConsumed;
  RestorePictureIfOff();
  OpenOsd();
  DisplayLock lock(display_mutex);
  if (Surface() == nullptr) {
    CloseOsd();
    return kDisplayUnusable;
  }
  SkinScreenScope screen(SkinScreen::kDialog);  // its images stay until it closes
  RefreshMessages();
  int x = 0, y = 0;
  if (!CopyCentredSkinImage("warnbox_ext", 0, &x, &y)) return kConsumed;
  DrawText(18, x + 85, y + 41, Message(text), 8);
  delete_choice.store(-1, kRelaxed);
  DrawDeleteDialogButtons();
  delete_dialog_open.store(1, kRelaxed);
  return kConsumed;
}

void DrawDeleteDialogButtons() {
  DisplayLock lock(display_mutex);
  if (Surface() == nullptr) return;
  SkinScreenScope screen(SkinScreen::kDialog);
  RefreshMessages();
  // The box under the buttons is copied again and the buttons laid over it:
  // their rounded corners show the box, not the TV picture, and nothing of
  // the button focused before stays in them. The box's place gives theirs.
  int box_x = 0, box_y = 0;
  if (!CopyCentredSkinImage("warnbox_ext", 0, &box_x, &box_y, kDeleteButtonRow)) return;
  const bool left_focused = delete_choice.load(kRelaxed) == 1;
  const int y = box_y + kDeleteButtonRow;
  const struct {
    int x;
    bool focused;
    int text;
  } buttons[2] = {{box_x + 116, left_focused, 37}, {box_x + 252, !left_focused, 38}};
  for (const auto& button : buttons) {
    BlendSkinPanel(button.x, y, button.focused ? "button_focus" : "button");
    const char* label = Message(button.text);
    DrawText(20, button.x + 54 - TextWidth(20, label) / 2, y + 8, label, 9);
  }
  Flip();
}
