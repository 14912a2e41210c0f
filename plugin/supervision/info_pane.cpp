#include "supervision/info_pane.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "display/display_lock.h"
#include "display/display_state.h"
#include "display/osd_surface.h"
#include "display/pane_canvas.h"
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
#include "supervision/line_text.h"
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

// The lines of one redraw, in the order they are drawn; the figures are
// built into the lines' own buffers.
struct Lines {
  PaneText line[kPaneLines];
  char text[kPaneLines][kPaneTextSize];
  int count = 0;

  void Add(int font, int x, int y, const char* shown, int colour, PaneAnchor anchor = PaneAnchor::kLeft) {
    if (count < kPaneLines && shown != nullptr) line[count++] = PaneText{font, x, y, colour, shown, anchor};
  }
  // A builder of the next line's text (refusing everything when the lines
  // are all taken); Add(..., built.text(), ...) adds it.
  LineText Build() { return count < kPaneLines ? LineText(text[count], sizeof text[count]) : LineText(nullptr, 0); }
};

constexpr PaneAnchor kLeft = PaneAnchor::kLeft;
constexpr PaneAnchor kRight = PaneAnchor::kRight;

// "h:mm:ss" of the seconds since `since` (0 when the clock is behind it).
void AddElapsed(Lines& lines, const Layout& layout, uint32_t since, int y, int colour) {
  long seconds = layout.now - static_cast<long>(since);
  if (seconds < 0) seconds = 0;
  LineText text = lines.Build();
  text.Number(seconds / 3600).Text(":").Number(seconds / 60 % 60, 2).Text(":").Number(seconds % 60, 2);
  lines.Add(layout.font, 790, y, text.text(), colour, kRight);
}

void AddStopTimer(Lines& lines, const Layout& layout) {
  const int timer = stop_timer.load(kRelaxed);
  if (timer == 0) return;
  const bool standby = settings.standby_after.load(kRelaxed) != 0;
  LineText text = lines.Build();
  if (timer == -1) {
    text.Text("+EPG");
  } else {
    text.Text("+").Number(StopTimerMinutesShown(layout.now)).Text("min");
  }
  if (standby) text.Text(" !");
  lines.Add(layout.font, layout.column, 390, text.text(), standby ? 3 : 4, kRight);
}

void AddSizes(Lines& lines, const Layout& layout, int segment) REQUIRES(recording_owner) {
  const char* mb = layout.french_units ? " Mo" : " MB";
  LineText total = lines.Build();
  lines.Add(layout.font, 240, 418, total.Text(Message(24)).Text(": ").Text(total_text.data()).text(), 9);
  const long size = segment_size_mb.load(kRelaxed);
  LineText sum = lines.Build();
  lines.Add(layout.font, layout.column, 418, sum.Number(earlier_segments_mb.load(kRelaxed) + size).Text(mb).text(), 9,
            kRight);
  if (segment > 0) {
    LineText part = lines.Build();
    lines.Add(layout.font, layout.column, 446, part.Number(size).Text(mb).text(), 1, kRight);
  }
}

// The destination's label, cut to 150 pixels in font 20 and drawn in font
// 26, and its file system's name after it. `label` and `name` stay until
// the pane is drawn.
void AddDestination(Lines& lines, char (&label)[32], char (&name)[16]) {
  label[0] = '\0';
  const int count = device_table.count.load(kRelaxed);
  const int active = settings.active_dest.load(kRelaxed);
  if (active >= 0 && active < count && active < kDeviceSlots) {
    CopyDeviceDisplayText(device_table.entries[active], label, sizeof label);
  }
  if (lines.count >= kPaneLines) return;
  lines.line[lines.count++] = PaneText{26, 242, 385, 7, label, kLeft, PaneFit::kCut, 20, 150};
  FileSystemName(static_cast<uint32_t>(fs.f_type), name, sizeof name);
  lines.Add(20, 10, 389, name, 2, PaneAnchor::kAfterPrevious);
}

void AddBitrate(Lines& lines, const Layout& layout) {
  const uint32_t rate = bitrate.load(kRelaxed);
  if (rate == 0) return;
  if (rate < 8000) {
    LineText text = lines.Build();
    text.Text(Message(22)).Text(": ").Number(rate).Text(layout.french_units ? " Ko/s" : " KB/s");
    lines.Add(layout.font, 240, 446, text.text(), 0);
  } else {
    lines.Add(layout.font, 240, 446, Message(23), 0);
  }
  const long left = minutes_left.load(kRelaxed);
  LineText text = lines.Build();
  if (left <= 180) text.Number(left).Text(" min");
  else text.Number(left / 60).Text(" h");
  // Red from the low-space warning on (ten minutes before the stop at the
  // bitrate measured, or below 32 MiB), and in the last three minutes.
  lines.Add(layout.font, 790, 474, text.text(), left <= 3 || low_space.load(kRelaxed) ? 3 : 0, kRight);
}

static_assert(kTitleTextSize == kPaneTextSize, "the title is cut with its dots as in its own buffer");

// The split notice, the low-space notice, or the programme title cut to
// the pane's width (converted into `title`, which stays until the pane is
// drawn).
void AddBottomLine(Lines& lines, char (&title)[kTitleTextSize]) {
  if (split_in_progress.load(kRelaxed)) {
    lines.Add(20, 241, 505, Message(19), 0);
  } else if (low_space.load(kRelaxed)) {
    lines.Add(20, 241, 505, Message(20), 3);
  } else if (raw_title[0] != 0 || raw_title[1] != 0) {
    TitleToUtf8(raw_title, kRawTitleUnits, title, sizeof title, 0);
    if (lines.count >= kPaneLines) return;
    lines.line[lines.count++] = PaneText{20, 241, 505, 2, title, kLeft, PaneFit::kCutWithDots, 20, 539};
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
  // The pane stays composed while it shows: a redraw draws again only the
  // lines that changed, and copies the pane.
  SkinScreenScope screen(SkinScreen::kPane);
  const Layout layout{style.font_id, 790 - 10 * style.column_width, static_cast<long>(time(nullptr)),
                      settings.language.load(kRelaxed) == 12};
  const int segment = segment_number.load(kRelaxed);
  Lines lines;
  char label[32], name[16], title[kTitleTextSize];
  AddElapsed(lines, layout, rec_start_time.load(kRelaxed), 418, 5);
  if (segment > 0) {
    AddElapsed(lines, layout, segment_start_time.load(kRelaxed), 446, 6);
    LineText part = lines.Build();
    lines.Add(layout.font, 790, 390, part.Text(Message(26)).Text(" ").Number(segment + 1).text(), 0, kRight);
  }
  lines.Add(layout.font, layout.column, 474, free_text.data(), low_space.load(kRelaxed) ? 3 : 0, kRight);
  AddSizes(lines, layout, segment);
  AddStopTimer(lines, layout);
  AddDestination(lines, label, name);
  lines.Add(layout.font, 240, 474, Message(25), 0);
  AddBitrate(lines, layout);
  AddBottomLine(lines, title);
  if (!DrawComposedPane(surface, RecordingDestinationIcon(), free_gauge.load(kRelaxed), lines.line, lines.count)) {
    return;
  }
  SDL_Flip(surface);
}
