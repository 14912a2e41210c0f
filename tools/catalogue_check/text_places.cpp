#include "text_places.h"

#include "assets/skin_layout.h"
#include "settings/catalogue_format.h"
#include "text_measure.h"

static_assert(kLastTextUsed < kCatalogueTextCount, "the catalogue has no slot for the last text used");

namespace {

// Things on one row keep 8 pixels apart.
constexpr int kGap = 8;

// The skin's geometry (the sizes the generator gives the images). The
// message box ("warnbox") and the dialog ("warnbox_ext") are centred skin
// images; their text starts 89 and 85 pixels into the image and keeps 20
// pixels from the right border.
constexpr int kBoxX = (960 - kWarnWidth) / 2 + 1;
constexpr int kBoxTextEnd = kBoxX + kWarnWidth - 20;
constexpr int kDialogX = (960 - kWarnExtWidth) / 2;
constexpr int kDialogTextEnd = kDialogX + kWarnExtWidth - 20;
// A dialog button's label is centred on it, 4 pixels from either edge.
constexpr int kButtonLabelRoom = kButtonWidth - 8;

// The toolbox frame's inside runs from x 212 for 526 pixels; labels end
// before the colon at 530 and, on the cursor's row, before the left-arrow
// icon at 520; values end before the right-arrow icon at 698 (kGap apart
// from either arrow).
constexpr int kFrameLeft = 212 + 10;
constexpr int kFrameRight = 212 + 526 - 10;
constexpr int kLabelEnd = 520 - kGap;
constexpr int kValueEnd = 698 - kGap;
// The footer legends are laid out leftwards from x 720 with 158 pixels of
// icons and gaps between them; their first icon stays kGap clear of the
// scroll-down mark at x 230 in the footer.
constexpr int kFooterGaps = 30 + 20 + 26 + 20 + 22 + 20 + 20;
constexpr int kFooterStart = 230 + kScrollArrowWidth + kGap;

// The recording summary's panel body: x 217 to 743.
constexpr int kSummaryRight = 743 - 10;

// The information pane: labels at x 240; values right-aligned at C (610 for
// the "Standard" style in font 20, 670 for the bitmap styles) and at 790.
// The status band: big text from x 155 to the right edge of the screen.
constexpr int kBandX = 155;
constexpr int kScreenRight = 960;

std::vector<TextPlace> BuildPlaces() {
  std::vector<TextPlace> places;
  auto add = [&](const char* where, int font, const char* layout, int x, int limit,
                 const char* neighbour = nullptr, int max_bytes = 0) {
    places.push_back({where, font, layout, x, limit, neighbour, max_bytes});
  };

  // Message boxes (font 18); box 39 has a second line with the file count,
  // and shows text 103 in place of its own when nothing was deleted; box
  // 105 tells that the home folder's path is too long for its files.
  for (const char* layout : {"{3}", "{4}", "{5}", "{6}", "{8}", "{39}", "{103}", "{44}", "{45}",
                             "{47}", "{48}", "(10 {40})", "(1 {41})", "{105}"})
    add("message box", 18, layout, kBoxX + 89, kBoxTextEnd);
  // Delete dialog.
  add("delete dialog question", 18, "{36}", kDialogX + 85, kDialogTextEnd);
  add("delete dialog button", 20, "{37}", 0, kButtonLabelRoom);
  add("delete dialog button", 20, "{38}", 0, kButtonLabelRoom);

  // Toolbox: title, footer, labels 50..76, values.
  add("toolbox title", 20, "{9}", kFrameLeft, kFrameRight);
  add("toolbox footer", 20, "{10}{11}{12}{13}", kFooterStart + kFooterGaps, 720);
  static const char* const kLabels[] = {
      "{50}", "{51}", "{52}", "{53}", "{54}", "{55}", "{56}", "{57}", "{58}",
      "{59}", "{60}", "{61}", "{62}", "{63}", "{64}", "{65}", "{66}", "{67}",
      "{68}", "{69}", "{70}", "{71}", "{72}", "{73}", "{74}", "{75}", "{76}",
      // Item 27, of the second settings file.
      "{108}"};
  for (const char* label : kLabels) add("toolbox label", 20, label, 240, kLabelEnd);
  static const char* const kValues[] = {
      "{14}", "{15}", "{16}", "{17}", "{77}", "{78}", "{79}", "{80}", "{81}", "{82}",
      "{83}", "{84}", "{85}", "{86}", "{87}", "{88}", "{89}", "{90}", "{91}", "{92}",
      "{93}", "{94}", "{95}", "{96}", "{97}", "{98}", "{99}", "{100}", "{101}", "{102}"};
  for (const char* value : kValues) add("toolbox value", 20, value, 550, kValueEnd);

  // Recording summary.
  add("summary title", 20, "{27}", kFrameLeft, kFrameRight);
  add("summary line", 18, "{28}: 99:59:59", 230, kSummaryRight);
  add("summary line", 18, "{29}: 999999 {MB}", 230, kSummaryRight);
  add("summary line", 18, "{30}: 99", 230, kSummaryRight);
  add("summary folder line", 18, "{31} ({32} DVR9{33}):", 230, kSummaryRight);
  // Right-aligned at 727 with the red-key icon 22 pixels before it.
  add("summary red-key hint", 18, "- {43}", 230 + 22, 727);

  // Information pane, in each style's font.
  struct Style {
    int font;
    int c;
  };
  for (Style style : {Style{20, 610}, Style{118, 670}, Style{218, 670}}) {
    // Row 390: the part number at 790, the stop line right-aligned at C.
    add("info pane part number", style.font, "{26} 99", style.c + kGap, 790);
    // Row 418: the total, with the size right-aligned at C.
    add("info pane total", style.font, "{24}: 9999.99 {GB}", 240, style.c - kGap, "99999 {MB}");
    // Row 446: bitrate (or text 23), with the file size right-aligned at C.
    add("info pane bitrate", style.font, "{22}: 7999 {KB}/s", 240, style.c - kGap, "99999 {MB}");
    add("info pane bitrate", style.font, "{23}", 240, style.c - kGap, "99999 {MB}");
    // Row 474: the free-space label, with the free space right-aligned at C.
    add("info pane free space", style.font, "{25}", 240, style.c - kGap, "9999.99 {GB}");
  }
  add("info pane bottom line", 20, "{19}", 241, 790);
  add("info pane bottom line", 20, "{20}", 241, 790);

  // Status band notices (104: the recording stopped because its file no
  // longer grew; 106 followed by the device the recording moved to, here a
  // label of 16 characters; 107 the standby countdown, its number at its
  // widest) and the stop-timer line (84-byte buffer, blanks drawn as
  // 20-pixel glyphs like the big font's space).
  for (const char* layout : {"{7}", "{18}", "{19}", "{20}", "{21}", "{34}", "{35}", "{46}", "{49}",
                             "{104}", "{106} DataTraveler 3.0", "{107}"})
    add("status notice", kBigFontId, layout, kBandX, kScreenRight);
  add("stop-timer line", kBigFontId, " {15} ", kBandX, kScreenRight, nullptr, 84);
  add("stop-timer line", kBigFontId, " {42} +30min ", kBandX, kScreenRight, nullptr, 84);
  return places;
}

}  // namespace

const std::vector<TextPlace>& TextPlaces() {
  static const std::vector<TextPlace> places = BuildPlaces();
  return places;
}

bool TextUsed(int number) { return number >= 3 && number <= kLastTextUsed; }

bool MayBeEmpty(int number) { return number == 33; }
