// The looks of the information pane's figures, chosen by the clock_style
// setting: a name for the settings screen, the font the figures are drawn in,
// and the width of the pane's value column in tens of pixels.
#pragma once

struct ClockStyle {
  const char* name;
  int font_id;
  int column_width;
};

inline constexpr int kClockStyleCount = 3;
extern const ClockStyle ClockStyles[kClockStyleCount];
