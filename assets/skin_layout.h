// Sizes of the skin images, each derived from the coordinates at which the
// screens draw them, so that every text lands on its panel.
#pragma once

// Toolbox: "toolbox_header" at (210, 45) with its middle row repeated 212
// times ends where "toolbox_footer" starts, at y 454; the body that the menu
// makes uniformly translucent runs from x 212 to 737, so the frame is 2
// pixels wider on each side. The title (y 55) sits in a bar down to y 83.
inline constexpr int kPanelX = 210;
inline constexpr int kPanelWidth = 530;
inline constexpr int kHeaderHeight = 454 - 45 - 212;  // 197
inline constexpr int kTitleBarRows = 83 - 45 - 2;     // the body starts at y 83
// The footer holds the key legend: text at y 463, icons from y 460 to 484.
inline constexpr int kFooterHeight = 36;
// The selection frame at (225, 96 + 39 row) around a 39-row line whose text
// is at 106 + 39 row, from the label at 240 to past the right arrow at 698.
inline constexpr int kFrameWidth = 510;
inline constexpr int kFrameHeight = 38;
// The value arrows at x 520 and 698 on the text row; the scroll marks at
// (230, 60) above the list and (230, 467) in the footer.
inline constexpr int kSideArrowWidth = 14;
inline constexpr int kSideArrowHeight = 20;
inline constexpr int kScrollArrowWidth = 20;
inline constexpr int kScrollArrowHeight = 12;
// The summary's red key at (705 - w, 490), 22 pixels left of its text.
inline constexpr int kRedIconSize = 18;

// The delete dialog: buttons at +116 and +252 of the box, labels centred at
// button x + 54, text row at button y + 8.
inline constexpr int kButtonWidth = 108;
inline constexpr int kButtonHeight = 38;
// "warnbox_ext": the question at (+85, +41), the buttons at y +107 to +145.
inline constexpr int kWarnExtWidth = 460;
inline constexpr int kWarnExtHeight = 170;
// "warnbox": the text at (+89, +42), a second line at +52.
inline constexpr int kWarnWidth = 560;
inline constexpr int kWarnHeight = 100;

// Message icons at (10, 10), left of the status band (x 140 on).
inline constexpr int kMessageIconWidth = 120;
inline constexpr int kMessageIconHeight = 40;

// The information pane, centred at the bottom: its texts run from x 240 to
// 790 and from y 385 to the title line at 505, so the pane spans x 160 to
// 799 and y 370 to 539. In its left column, the destination icon at (20, 24)
// and the free-space bar at (44, 80), whose 83 rows hold free_gauge 0..83.
inline constexpr int kPaneWidth = 640;
inline constexpr int kPaneHeight = 170;
inline constexpr int kDestIconSize = 32;
inline constexpr int kBarX = 44;
inline constexpr int kBarY = 80;
inline constexpr int kBarWidth = 24;
inline constexpr int kBarHeight = 83;
inline constexpr int kPaneTitleRule = 131;  // above the title line at y 505
