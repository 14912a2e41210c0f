#include "supervision/info_pane.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "display/display_lock.h"
#include "display/display_state.h"
#include "display/osd_surface.h"
#include "display/skin.h"
#include "display/skin_images.h"
#include "display/text.h"
#include "display/text_fit.h"
#include "host/storage_checks.h"
#include "settings/device_table.h"
#include "settings/message_catalogue.h"
#include "settings/screen_switches.h"
#include "settings/settings_record.h"
#include "supervision/clock_styles.h"
#include "supervision/programme_state.h"
#include "supervision/supervision_state.h"
#include "supervision/title_text.h"

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

struct FileSystem {
  uint32_t type;
  const char* name;
};

constexpr FileSystem FileSystemNames[] = {
    {0x137D, "EXT1"},      {0xEF51, "EXT2 OLD"},   {0xEF53, "EXT2/3/4"},   {0x4D44, "FAT"},
    {0x517B, "SMB"},       {0x6969, "NFS"},        {0x9660, "ISOFS"},      {0x9FA2, "USB DEV"},
    {0x414A53, "EFS"},     {0x15013346, "UDF"},    {0x2003BAB1, "RFS"},    {0x5346544E, "NTFS"},
    {0xF995E849, "HPFS"},  {0xFF534D42, "CIFS"},
};

// Everything drawn at one call: the style's font and value column, the time.
struct Layout {
  int font;    // F: the figures' font
  int column;  // C: right edge of the sizes column
  long now;
  bool french_units;
};

void DrawRight(int font, int right, int y, const char* text, int colour) {
  DrawText(font, right - TextWidth(font, text), y, text, colour);
}

// "h:mm:ss" of the seconds since `since` (0 when the clock is behind it).
void DrawElapsed(const Layout& layout, uint32_t since, int y, int colour) {
  long seconds = layout.now - static_cast<long>(since);
  if (seconds < 0) seconds = 0;
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60, seconds % 60);
  DrawRight(layout.font, 790, y, text, colour);
}

void DrawStopTimer(const Layout& layout) {
  const int timer = stop_timer.load(kRelaxed);
  if (timer == 0) return;
  const bool standby = settings.standby_after.load(kRelaxed) != 0;
  char text[32];
  if (timer == -1) {
    std::snprintf(text, sizeof text, "+EPG%s", standby ? " !" : "");
  } else {
    std::snprintf(text, sizeof text, "+%dmin%s", StopTimerMinutesShown(layout.now), standby ? " !" : "");
  }
  DrawRight(layout.font, layout.column, 390, text, standby ? 3 : 4);
}

void DrawSizes(const Layout& layout, int segment) REQUIRES(recording_owner) {
  const char* mb = layout.french_units ? "Mo" : "MB";
  char text[64];
  std::snprintf(text, sizeof text, "%s: %s", Message(24), total_text.data());
  DrawText(layout.font, 240, 418, text, 9);
  const long size = segment_size_mb.load(kRelaxed);
  std::snprintf(text, sizeof text, "%ld %s", earlier_segments_mb.load(kRelaxed) + size, mb);
  DrawRight(layout.font, layout.column, 418, text, 9);
  if (segment > 0) {
    std::snprintf(text, sizeof text, "%ld %s", size, mb);
    DrawRight(layout.font, layout.column, 446, text, 1);
  }
}

void DrawDestination() {
  char label[32] = "";
  const int count = device_table.count.load(kRelaxed);
  const int active = settings.active_dest.load(kRelaxed);
  if (active >= 0 && active < count && active < kDeviceSlots) {
    CopyDeviceDisplayText(device_table.entries[active], label, sizeof label);
  }
  CutToWidth(label, 20, 150);
  DrawText(26, 242, 385, label, 7);
  char name[16];
  FileSystemName(static_cast<uint32_t>(fs.f_type), name, sizeof name);
  DrawText(20, 252 + TextWidth(26, label), 389, name, 2);
}

void DrawBitrate(const Layout& layout) {
  const uint32_t rate = bitrate.load(kRelaxed);
  if (rate == 0) return;
  char text[64];
  if (rate < 8000) {
    std::snprintf(text, sizeof text, "%s: %u %s/s", Message(22), rate, layout.french_units ? "Ko" : "KB");
  } else {
    std::snprintf(text, sizeof text, "%s", Message(23));
  }
  DrawText(layout.font, 240, 446, text, 0);
  const long left = minutes_left.load(kRelaxed);
  if (left <= 180) std::snprintf(text, sizeof text, "%ld min", left);
  else std::snprintf(text, sizeof text, "%ld h", left / 60);
  // Red from the low-space warning on (ten minutes before the stop at the
  // bitrate measured, or below 32 MiB), and in the last three minutes.
  DrawRight(layout.font, 790, 474, text, left <= 3 || low_space.load(kRelaxed) ? 3 : 0);
}

// The split notice, the low-space notice, or the programme title cut to
// the pane's width.
void DrawBottomLine() {
  if (split_in_progress.load(kRelaxed)) {
    DrawText(20, 241, 505, Message(19), 0);
  } else if (low_space.load(kRelaxed)) {
    DrawText(20, 241, 505, Message(20), 3);
  } else if (raw_title[0] != 0 || raw_title[1] != 0) {
    char title[kTitleTextSize];
    TitleToUtf8(raw_title, kRawTitleUnits, title, sizeof title, 0);
    CutToWidthWithDots(title, sizeof title, 20, 539);
    DrawText(20, 241, 505, title, 2);
  }
}

}  // namespace

const char* FileSystemName(uint32_t type, char* out, size_t size) {
  if (size == 0) return out;
  for (const FileSystem& known : FileSystemNames) {
    if (known.type == type) {
      std::snprintf(out, size, "%s", known.name);
      return out;
    }
  }
  std::snprintf(out, size, "%X", static_cast<unsigned>(type));
  return out;
}

void DrawInfoPane() REQUIRES(recording_owner) {
  const ClockStyle& style = ClockStyles[ChoiceSetting(settings.clock_style, kClockStyleCount)];
  DisplayLock lock(display_mutex);
  RefreshMessages();
  SDL_Surface* surface = OsdSurface.load(kRelaxed);
  if (InfoPaneShown.load(kRelaxed) == 0 || surface == nullptr) {
    ReleaseSkinImages(SkinScreen::kPane);  // hidden without its fade-out
    return;
  }
  // The pane's images stay decoded, the pane ready in the surface's format,
  // while it shows: a redraw only copies and blends.
  SkinScreenScope screen(SkinScreen::kPane);
  SkinImage pane("infopane", SkinForm::kPane, OsdOpacity(), ImageAlphaPercent());
  if (pane.get() == nullptr) return;
  SDL_LockSurface(surface);
  PutInfoPane(surface, *pane.get(), pane.get()->h, RecordingDestinationIcon(), free_gauge.load(kRelaxed));
  SDL_UnlockSurface(surface);

  const Layout layout{style.font_id, 790 - 10 * style.column_width, static_cast<long>(time(nullptr)),
                      settings.language.load(kRelaxed) == 12};
  const int segment = segment_number.load(kRelaxed);
  DrawElapsed(layout, rec_start_time.load(kRelaxed), 418, 5);
  if (segment > 0) {
    DrawElapsed(layout, segment_start_time.load(kRelaxed), 446, 6);
    char text[64];
    std::snprintf(text, sizeof text, "%s %d", Message(26), segment + 1);
    DrawRight(layout.font, 790, 390, text, 0);
  }
  DrawRight(layout.font, layout.column, 474, free_text.data(), low_space.load(kRelaxed) ? 3 : 0);
  DrawSizes(layout, segment);
  DrawStopTimer(layout);
  DrawDestination();
  DrawText(layout.font, 240, 474, Message(25), 0);
  DrawBitrate(layout);
  DrawBottomLine();
  SDL_Flip(surface);
}
