#include "supervision/status_notices.h"

#include <SDL.h>

#include <cstring>

#include "display/display_lock.h"
#include "display/osd_surface.h"
#include "display/skin.h"
#include "display/pixels.h"
#include "display/text.h"
#include "display/text_fit.h"
#include "host/dispatcher_state.h"
#include "host/recording_state.h"
#include "host/tv_services.h"
#include "settings/message_catalogue.h"
#include "settings/screen_switches.h"
#include "settings/settings_record.h"
#include "supervision/local_time.h"
#include "supervision/programme_state.h"
#include "supervision/status_notices_state.h"
#include "supervision/supervision_state.h"

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

// The band: rows 9..49, columns 140..959, animated in 10 steps of 82 pixels.
constexpr int kBandTop = 9;
constexpr int kBandBottom = 49;
constexpr int kBandLeft = 140;
constexpr int kBandStep = 82;
constexpr int kBandSteps = 10;
constexpr int kBandTextY = 12;

constexpr uint32_t kBandWaitMs = 100;
constexpr uint32_t kSlideInFrameMs = 10;
constexpr uint32_t kSlideOutFrameMs = 8;
constexpr uint32_t kNoticeMs = 3000;
constexpr uint32_t kStopTimerMs = 1000;

constexpr int kStandbyKey = 258;
// The standby countdown: its seconds, and the step in which it looks for a
// key that cancelled it.
constexpr int kStandbySeconds = 10;
constexpr uint32_t kCountdownStepMs = 100;

SDL_Surface* Surface() { return OsdSurface.load(kRelaxed); }
bool OverlayUp() { return key44_count.load(kRelaxed) > 0; }

// Owns the band for its scope: waits in 100 ms steps until the other user
// gives it back.
class BandTurn {
 public:
  BandTurn() {
    while (band_busy.exchange(1, std::memory_order_acquire) != 0) SDL_Delay(kBandWaitMs);
  }
  ~BandTurn() { band_busy.store(0, std::memory_order_release); }
  BandTurn(const BandTurn&) = delete;
  BandTurn& operator=(const BandTurn&) = delete;
};

int BandAlpha() {
  return ImageAlphaPercent() * ((OsdOpacity() * 128) / 100) / 100;
}

// Band rows from column `first` to the right edge in the band colour; with
// clear_first the whole band is made transparent black first.
void FillBand(SDL_Surface* surface, int first, uint8_t alpha, bool clear_first) {
  const uint8_t colour[4] = {8, 8, 8, alpha};
  Span columns = ClipSpan(first, kOsdWidth - first, surface->w);
  Span band = ClipSpan(kBandLeft, kOsdWidth - kBandLeft, surface->w);
  Span rows = ClipSpan(kBandTop, kBandBottom - kBandTop + 1, surface->h);
  SurfaceLock lock(surface);
  for (int row = rows.first; row < rows.last; ++row) {
    uint8_t* out = PixelAt(surface, 0, row);
    if (clear_first) std::memset(out + band.first * 4, 0, (band.last - band.first) * 4);
    for (int column = columns.first; column < columns.last; ++column) std::memcpy(out + column * 4, colour, 4);
  }
}

// One frame of the band's animation under the display lock; false when the
// other thread closed the display meanwhile.
bool BandFrame(int first, uint8_t alpha, bool clear_first, uint32_t wait_ms) {
  {
    DisplayLock lock(display_mutex);
    SDL_Surface* surface = Surface();
    if (surface == nullptr) return false;
    FillBand(surface, first, alpha, clear_first);
    SDL_Flip(surface);
  }
  SDL_Delay(wait_ms);
  return true;
}

// Draws text on the band (under the display lock) and flips; with
// fill_first the band is filled anew first (a text that replaces another).
// false when there is no display.
bool DrawBandText(const char* text, uint8_t alpha = 0, bool fill_first = false) {
  DisplayLock lock(display_mutex);
  SDL_Surface* surface = Surface();
  if (surface == nullptr) return false;
  if (fill_first) FillBand(surface, kBandLeft, alpha, true);
  DrawBigText(kBandTextX, kBandTextY, text);
  SDL_Flip(surface);
  return true;
}

// The band slides in (or is filled at once without animation); false when
// the display went meanwhile.
bool SlideBandIn(uint8_t alpha, bool animate) {
  if (!animate) return BandFrame(kBandLeft, alpha, false, kSlideInFrameMs);
  for (int k = kBandSteps - 1; k >= 0; --k) {
    if (!BandFrame(kBandLeft + kBandStep * k, alpha, false, kSlideInFrameMs)) return false;
  }
  return true;
}

// The band slides out when animated, and is cleared.
void SlideBandOut(uint8_t alpha, bool animate) {
  if (animate) {
    for (int width = kBandStep * kBandSteps; width >= kBandStep; width -= kBandStep) {
      if (!BandFrame(kOsdWidth - width, alpha, true, kSlideOutFrameMs)) return;
    }
  }
  ClearStatusBand();
}

// Opens the display for a band of this thread's (the caller owns the band):
// the picture back on, the catalogue refreshed, the band's alpha. false when
// there is no display.
bool PrepareBand(uint8_t* alpha) REQUIRES(display_mutex) {
  if (Surface() == nullptr) return false;
  RefreshMessages();
  *alpha = static_cast<uint8_t>(BandAlpha());
  return true;
}

bool StandbyPending() { return recording.phase.load(kRelaxed) == kPhaseStandbyPending; }

// Waits `ms` in steps of kCountdownStepMs while the standby is pending.
// false as soon as it no longer is (a key cancelled it).
bool WaitWhilePending(uint32_t ms) {
  for (uint32_t waited = 0; waited < ms; waited += kCountdownStepMs) {
    if (!StandbyPending()) return false;
    SDL_Delay(kCountdownStepMs);
  }
  return StandbyPending();
}

// The countdown before the standby: text 107 on the band with its number
// counting the seconds down, one second each; it ends early when a key
// cancels the standby. Without a display (or with notices off) it waits
// the same seconds without drawing.
void CountDownToStandby() {
  if (NoticesOff()) {
    WaitWhilePending(kStandbySeconds * 1000);
    return;
  }
  BandTurn turn;
  RestorePictureIfOff();
  OpenOsd();
  uint8_t alpha = 0;
  char pattern[256] = "";
  bool drawing = false;
  {
    DisplayLock lock(display_mutex);
    drawing = PrepareBand(&alpha);
    if (drawing) AppendFormat(pattern, sizeof pattern, "%s", Message(kStandbyCountdownText));
  }
  const bool animate = settings.pane_animation.load(kRelaxed) != 0;
  drawing = drawing && StandbyPending() && SlideBandIn(alpha, animate);
  bool untouched = true;
  for (int left = kStandbySeconds; left > 0 && untouched; --left) {
    if (drawing) {
      char text[256];
      BuildCountdownText(text, sizeof text, pattern, left);
      drawing = DrawBandText(text, alpha, left != kStandbySeconds);
    }
    untouched = WaitWhilePending(1000);
  }
  // A key that cancelled the standby wants the picture at once.
  SlideBandOut(alpha, animate && untouched);
}

struct ClockTime {
  long long year;
  int hour;
  int minute;
};

ClockTime CurrentClock(time_t now) {
  if (settings.clock_source.load(kRelaxed) == 1 && host_objects_ready.load(kRelaxed)) {
    // The tick may be refreshing host_time now: its published copy.
    const HostClock host = ReadHostClock();
    return {host.year, host.hour, host.minute};
  }
  const TimeZone& zone = TimeZones[ChoiceSetting(settings.time_zone, kTimeZoneCount)];
  struct tm local{};
  LocalTimeAt(now, zone.standard, zone.summer, &local);
  return {CalendarYear(local), local.tm_hour, local.tm_min};
}

// "(hh:mm) " of the clock `minutes` from now, when the clock is set.
void AppendEndTime(char* out, size_t size, int minutes, time_t now) {
  ClockTime clock = CurrentClock(now);
  if (clock.year < 2011 || clock.year > 3000) return;
  long long hour = clock.hour;
  long long mm = static_cast<long long>(clock.minute) + minutes;
  if (mm > 59) {
    hour += mm / 60;
    mm %= 60;
    if (hour > 23) hour %= 24;
  }
  if (mm >= 0 && mm <= 59 && hour >= 0 && hour <= 23) {
    AppendFormat(out, size, "(%02d:%02d) ", static_cast<int>(hour), static_cast<int>(mm));
  }
}

}  // namespace

size_t BuildNoticeText(char* out, size_t size, const char* text, const char* tail) {
  if (size == 0) return 0;
  out[0] = '\0';
  if (AppendFormat(out, size, "%s", text) && tail != nullptr && tail[0] != '\0')
    AppendFormat(out, size, " %s", tail);
  CutToWidth(out, kBigFontId, kBandTextWidth);
  return std::strlen(out);
}

size_t BuildCountdownText(char* out, size_t size, const char* text, int seconds) {
  if (size == 0) return 0;
  out[0] = '\0';
  const char* digits = text;
  while (*digits != '\0' && (*digits < '0' || *digits > '9')) ++digits;
  if (*digits == '\0') {
    AppendFormat(out, size, "%s", text);
  } else {
    const char* after = digits;
    while (*after >= '0' && *after <= '9') ++after;
    AppendFormat(out, size, "%.*s%d%s", static_cast<int>(digits - text), text, seconds, after);
  }
  CutToWidth(out, kBigFontId, kBandTextWidth);
  return std::strlen(out);
}

size_t BuildStopTimerText(char* out, size_t size, time_t now) {
  if (size == 0) return 0;
  out[0] = '\0';
  const int timer = stop_timer.load(kRelaxed);
  if (timer == 0) {
    AppendFormat(out, size, " %s ", Message(15));
  } else if (timer == -1) {
    // A text cut short is not followed by the rest of the line.
    const bool whole = AppendFormat(out, size, " %s ", Message(42));
    const int extra = StopExtraMinutes();
    if (whole && extra > 0) AppendFormat(out, size, "+%dmin ", extra);
  } else {
    const int minutes = StopTimerMinutesShown(now);
    if (AppendFormat(out, size, " +%dmin ", minutes)) AppendEndTime(out, size, minutes, now);
  }
  return std::strlen(out);
}

void ShowStatusNotice(int n) { ShowStatusNoticeWith(n, nullptr); }

void ShowStatusNoticeWith(int n, const char* tail) {
  if (NoticesOff()) return;
  BandTurn turn;
  RestorePictureIfOff();
  OpenOsd();
  char text[256];
  uint8_t alpha = 0;
  {
    DisplayLock lock(display_mutex);
    if (!PrepareBand(&alpha)) return;
    BuildNoticeText(text, sizeof text, Message(n), tail);
  }
  const bool animate = settings.pane_animation.load(kRelaxed) != 0;
  if (!SlideBandIn(alpha, animate)) return;
  if (!DrawBandText(text)) return;
  SDL_Delay(kNoticeMs);
  SlideBandOut(alpha, animate);
}

void NoticeAndStandby() {
  CountDownToStandby();
  // The standby belongs to the recording that ended: a key during the
  // countdown took the phase back to idle, and nothing is sent.
  if (LeaveStandbyPending()) SendHostKey(kStandbyKey);
}

void ShowStopTimer() {
  if (OsdOpacity() == 0 || recording_active.load(kRelaxed) == 0) return;
  if (settings.key44_passthrough.load(kRelaxed) != 0 && OverlayUp()) return;
  BandTurn turn;
  OpenOsd();
  {
    DisplayLock lock(display_mutex);
    if (Surface() == nullptr) return;
    RefreshMessages();
    char text[kStopTimerTextSize];
    BuildStopTimerText(text, sizeof text, time(nullptr));
    for (char* p = text; *p != '\0'; ++p) {
      if (*p == ' ') *p = kDrawnBlank;
    }
    CutToWidth(text, kBigFontId, kBandTextWidth);
    DrawBigText(kBandTextX, kBandTextY, text);
    SDL_Flip(Surface());
  }
  SDL_Delay(kStopTimerMs);
  ClearStatusBand();
}
