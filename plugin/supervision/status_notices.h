// The status band at the top of the screen (rows 9 to 49, columns 140 to 959):
// the tick's notices and the stop-timer line, drawn in the big bitmap font
// from whichever thread calls them. The two take turns through band_busy
// (waiting in 100 ms steps), and every draw-and-flip runs under the display
// lock, released for the waits.
#pragma once

#include <cstddef>
#include <ctime>

// Pixels of text the band holds from x 155 to the screen's right edge.
inline constexpr int kBandTextX = 155;
inline constexpr int kBandTextWidth = 960 - kBandTextX;
// The stop-timer line's buffer.
inline constexpr size_t kStopTimerTextSize = 84;

// Catalogue text n on the band for 3 s, sliding in and out when
// pane_animation is set; the text is cut at a character boundary to the
// band's width. Nothing when show_notices or osd_opacity is 0 or the key-44
// overlay is up. Blocks the calling thread a little over 3 s. Switches the
// picture back on when it was off. Without a display (or when the other
// thread closes it meanwhile) it stops drawing and gives the band back.
void ShowStatusNotice(int n);

// The same for catalogue text n followed by a blank and `tail` (a device's
// name), the whole cut to the band's width; tail may be null.
void ShowStatusNoticeWith(int n, const char* tail);

// The countdown text of the standby after a timed stop.
inline constexpr int kStandbyCountdownText = 107;

// The standby after a timed stop, called with the recording's phase at
// kPhaseStandbyPending: the band counts down ten seconds (text 107, its
// number the seconds left, redrawn each second), then the host's standby
// key 258 is sent and the phase becomes idle. A remote key during the
// countdown cancels it (the key dispatcher leaves the phase first): the
// band clears within a tenth of a second and nothing is sent. With notices
// off or no display the ten seconds pass undrawn and a key cancels alike.
void NoticeAndStandby();

// The stop timer's state for 1 s: " +90min (23:15) ", catalogue text 42
// (programme end, with the run-on minutes) or text 15 (no timer), spaces
// drawn as glyph 16, no band behind. Only while a recording runs, with
// osd_opacity above 0 and, when key44_passthrough is set, the key-44 overlay
// down. Blocks the calling thread a little over 1 s; without a display it
// draws nothing and gives the band back at once.
void ShowStopTimer();

// The band's text of a notice: `text`, then a blank and `tail` when tail is
// neither null nor empty, cut at a character boundary to the band's width
// and to `size`. Returns the length.
size_t BuildNoticeText(char* out, size_t size, const char* text, const char* tail);

// The countdown's text for `seconds` left: `text` with its first run of
// digits replaced by the number (as it stands when it has no digits), cut at
// a character boundary to the band's width and to `size`. Returns the
// length.
size_t BuildCountdownText(char* out, size_t size, const char* text, int seconds);

// The stop-timer line as ShowStopTimer draws it (spaces still spaces) for the
// clock time `now`, into out (size bytes; at most kStopTimerTextSize are
// meant): built with bounded formatting, cut at a character boundary when
// it does not fit. Returns the length.
size_t BuildStopTimerText(char* out, size_t size, time_t now);
