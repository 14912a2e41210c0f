// Builds the skin (osd/*.png) and the bitmap fonts (fonts/font32.png,
// font118.png, font218.png) of the home folder at build time, drawing glyphs
// from a free TrueType face.
//
// usage: generate_assets HOME_DIR TRUETYPE_FILE
//
// Sizes come from where the screens draw: the toolbox frame from
// "toolbox_header" at (210, 45) repeated 212 times down to the footer at y 454,
// the buttons at +116/+252 of the extended warning box, the pane's texts
// between x 240 and 790 from y 385 on, and so on (see skin_layout.h).
#include <SDL.h>
#include <SDL_ttf.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "assets/raster.h"
#include "assets/skin_layout.h"
#include "sim/screen/png_file.h"

namespace {

std::string home;
TTF_Font* sans = nullptr;
TTF_Font* bold = nullptr;
TTF_Font* mono = nullptr;
TTF_Font* big = nullptr;
TTF_Font* tiny = nullptr;

bool Save(const Image& image, const char* folder, const char* name) {
  std::string error;
  std::string path = home + "/" + folder + "/" + name + ".png";
  if (!sim::WritePng(path, image.w, image.h, 4, image.rgba.data(), image.w * 4, &error)) {
    std::fprintf(stderr, "generate_assets: %s\n", error.c_str());
    return false;
  }
  return true;
}

// ---- skin ----------------------------------------------------------------

const Rgba kBody{22, 34, 66, 235};
const Rgba kBorder{110, 160, 230, 255};
const Rgba kTitleTop{50, 90, 170, 240};
const Rgba kTitleBottom{24, 44, 100, 240};
const Rgba kHighlight{255, 196, 40, 255};
const Rgba kBlack{0, 0, 0, 255};

Image ToolboxHeader() {
  Image image(kPanelWidth, kHeaderHeight);
  image.RoundedRect(0, 0, image.w, image.h + 12, 10, kBody, kBorder, 2);
  image.VerticalGradient(2, 2, image.w - 4, kTitleBarRows - 2, kTitleTop, kTitleBottom, 10 - 2);
  image.FillRect(2, kTitleBarRows, image.w - 4, 2, kBorder);
  image.FillRect(2, image.h - 2, image.w - 4, 2, Rgba{60, 90, 150, 255});
  return image;
}

Image ToolboxFooter() {
  Image image(kPanelWidth, kFooterHeight);
  image.RoundedRect(0, -12, image.w, image.h + 12, 10, Rgba{16, 26, 52, 240}, kBorder, 2);
  return image;
}

Image SelectionFrame() {
  Image image(kFrameWidth, kFrameHeight, kBlack);
  image.RoundedRect(0, 0, image.w, image.h, 6, kBlack, kHighlight, 2);
  image.ReplaceTransparentWith(kBlack);
  return image;
}

Image Triangle(int w, int h, Direction direction, Rgba colour) {
  Image image(w, h, kBlack);
  image.Arrow(0, 0, w, h, direction, colour);
  return image;
}

Image DoubleArrow(int w, int h, bool vertical) {
  Image image(w, h, kBlack);
  Rgba colour{230, 230, 230, 255};
  if (vertical) {
    image.Arrow(2, 1, w - 4, h / 2 - 2, kUp, colour);
    image.Arrow(2, h / 2 + 1, w - 4, h / 2 - 2, kDown, colour);
  } else {
    image.Arrow(0, h / 4, w / 2 - 1, h / 2, kLeft, colour);
    image.Arrow(w / 2 + 1, h / 4, w / 2 - 1, h / 2, kRight, colour);
  }
  return image;
}

Image KeyCap(int w, int h, const char* label) {
  Image image(w, h, kBlack);
  image.RoundedRect(0, 0, w, h, 4, Rgba{70, 80, 100, 255}, Rgba{220, 220, 220, 255}, 1);
  image.Text(tiny, label, Rgba{255, 255, 255, 255}, -1, -1);
  return image;
}

Image RedButton() {
  Image image(kRedIconSize, kRedIconSize, Rgba{0, 0, 0, 0});
  image.Disc(kRedIconSize / 2.0, kRedIconSize / 2.0, kRedIconSize / 2.0 - 1, Rgba{230, 30, 30, 255});
  return image;
}

Image Button(bool focus) {
  Image image(kButtonWidth, kButtonHeight, Rgba{0, 0, 0, 0});
  Rgba top = focus ? Rgba{255, 190, 60, 255} : Rgba{80, 96, 130, 255};
  Rgba bottom = focus ? Rgba{200, 110, 0, 255} : Rgba{40, 50, 76, 255};
  image.RoundedRect(0, 0, image.w, image.h, 8, top, focus ? Rgba{255, 240, 180, 255} : kBorder, 2);
  image.VerticalGradient(2, 2, image.w - 4, image.h - 4, top, bottom, 6);
  return image;
}

// A message icon: a dark rounded plate with a symbol and a word.
Image MessageIcon(const char* word, int symbol) {
  Image image(kMessageIconWidth, kMessageIconHeight, Rgba{0, 0, 0, 0});
  image.RoundedRect(0, 0, image.w, image.h, 12, Rgba{20, 20, 28, 230}, Rgba{200, 200, 200, 255}, 2);
  const double cx = 22, cy = image.h / 2.0;
  switch (symbol) {
    case 0: image.Disc(cx, cy, 10, Rgba{240, 30, 30, 255}); break;                    // recording
    case 1: image.FillRect(12, 10, 20, 20, Rgba{240, 240, 240, 255}); break;          // stop
    case 2:                                                                            // recording ends
      image.Disc(cx, cy, 10, Rgba{240, 30, 30, 255});
      image.FillRect(16, 14, 12, 12, Rgba{240, 240, 240, 255});
      break;
    case 3:                                                                            // refused
      image.Disc(cx, cy, 11, Rgba{230, 30, 30, 255});
      image.FillRect(14, 17, 16, 6, Rgba{255, 255, 255, 255});
      break;
    default: image.Text(mono, ">_", Rgba{80, 255, 120, 255}, 8, 8); break;            // script
  }
  image.Text(bold, word, Rgba{255, 255, 255, 255}, 40, -1);
  return image;
}

Image WarnBox(int w, int h) {
  Image image(w, h, Rgba{0, 0, 0, 0});
  image.RoundedRect(0, 0, w, h, 12, Rgba{40, 36, 30, 240}, Rgba{250, 200, 40, 255}, 3);
  // The warning sign left of the text, which starts at x 85.
  image.Triangle(44, 24, 14, 76, 74, 76, Rgba{250, 200, 40, 255});
  image.Text(bold, "!", Rgba{40, 36, 30, 255}, 39, 44);
  return image;
}

Image InfoPane() {
  Image image(kPaneWidth, kPaneHeight, Rgba{0, 0, 0, 0});
  image.RoundedRect(0, 0, image.w, image.h + 16, 14, Rgba{14, 22, 46, 230}, kBorder, 2);
  image.VerticalGradient(2, 2, image.w - 4, 40, Rgba{36, 60, 120, 235}, Rgba{14, 22, 46, 230}, 12);
  // The left column holds the destination icon and the free-space bar.
  image.FillRect(kBarX - 2, kBarY - 2, kBarWidth + 4, kBarHeight + 4, Rgba{60, 70, 90, 255});
  image.FillRect(kBarX, kBarY, kBarWidth, kBarHeight, Rgba{8, 10, 16, 255});
  image.FillRect(76, kPaneTitleRule, image.w - 92, 1, Rgba{70, 100, 160, 255});
  return image;
}

Image Destination(int kind) {
  // Blended at half strength into the pane: drawn twice as bright.
  Image image(kDestIconSize, kDestIconSize, kBlack);
  Rgba c{255, 255, 255, 255};
  if (kind == 0) {  // USB stick
    image.FillRect(10, 12, 16, 18, Rgba{120, 200, 255, 255});
    image.FillRect(13, 3, 10, 9, c);
    image.FillRect(15, 5, 2, 2, kBlack);
    image.FillRect(19, 5, 2, 2, kBlack);
  } else if (kind == 1) {  // network share: three linked nodes
    image.FillRect(15, 8, 2, 14, c);
    image.FillRect(6, 21, 20, 2, c);
    image.Disc(16, 7, 5, Rgba{120, 255, 160, 255});
    image.Disc(6, 25, 5, Rgba{120, 255, 160, 255});
    image.Disc(26, 25, 5, Rgba{120, 255, 160, 255});
  } else {  // internal memory: a chip
    image.FillRect(8, 8, 16, 16, Rgba{255, 220, 120, 255});
    for (int i = 0; i < 4; ++i) {
      image.FillRect(10 + i * 4, 3, 2, 4, c);
      image.FillRect(10 + i * 4, 25, 2, 4, c);
      image.FillRect(3, 10 + i * 4, 4, 2, c);
      image.FillRect(25, 10 + i * 4, 4, 2, c);
    }
  }
  return image;
}

Image Bar(bool full) {
  Image image(kBarWidth, kBarHeight);
  Rgba top = full ? Rgba{255, 90, 60, 255} : Rgba{90, 255, 110, 255};
  Rgba bottom = full ? Rgba{200, 40, 20, 255} : Rgba{40, 200, 60, 255};
  image.VerticalGradient(0, 0, image.w, image.h, top, bottom, 0);
  for (int y = 4; y < image.h; y += 8) image.FillRect(0, y, image.w, 1, Rgba{0, 0, 0, 255});
  return image;
}

bool WriteSkin() {
  struct Named {
    const char* name;
    Image image;
  };
  Named images[] = {
      {"toolbox_header", ToolboxHeader()},
      {"toolbox_footer", ToolboxFooter()},
      {"toolbox_frame", SelectionFrame()},
      {"icon_left", Triangle(kSideArrowWidth, kSideArrowHeight, kLeft, kHighlight)},
      {"icon_right", Triangle(kSideArrowWidth, kSideArrowHeight, kRight, kHighlight)},
      {"icon_up", Triangle(kScrollArrowWidth, kScrollArrowHeight, kUp, kHighlight)},
      {"icon_down", Triangle(kScrollArrowWidth, kScrollArrowHeight, kDown, kHighlight)},
      {"icon_updown", DoubleArrow(16, 24, true)},
      {"icon_leftright", DoubleArrow(20, 24, false)},
      {"icon_enter", KeyCap(24, 18, "OK")},
      {"icon_exit", KeyCap(28, 16, "EXIT")},
      {"icon_red", RedButton()},
      {"button", Button(false)},
      {"button_focus", Button(true)},
      {"icon_rec", MessageIcon("REC", 0)},
      {"icon_stop", MessageIcon("STOP", 1)},
      {"icon_stoprec", MessageIcon("END", 2)},
      {"icon_no", MessageIcon("NO", 3)},
      {"icon_script", MessageIcon("RUN", 4)},
      {"warnbox", WarnBox(kWarnWidth, kWarnHeight)},
      {"warnbox_ext", WarnBox(kWarnExtWidth, kWarnExtHeight)},
      {"infopane", InfoPane()},
      {"destusb", Destination(0)},
      {"destnet", Destination(1)},
      {"destmem", Destination(2)},
      {"bar_free", Bar(false)},
      {"bar_full", Bar(true)},
  };
  for (const Named& named : images) {
    if (!Save(named.image, "osd", named.name)) return false;
  }
  return true;
}

// ---- fonts ---------------------------------------------------------------

// The letter each glyph index stands for: ASCII, the accented letters of
// indices 1..29, and nothing for the other control codes. Index 16 is the
// replacement mark and is drawn apart.
const char* GlyphText(int index, char* ascii) {
  static const char* const kAccented[30] = {nullptr, "Ą", "Ć", "Ę", "Ł", "Ń", "Ó", "Ś", "Ź", "Ż",
                                            "Ä",     "Ö", "Ü", "è", "é", "ê", nullptr, "ą", "ć", "ę",
                                            "ł",     "ń", "ó", "ś", "ź", "ż", "ä", "ö", "ü", "ß"};
  if (index >= 1 && index <= 29) return kAccented[index];
  if (index > 32 && index < 127) {
    ascii[0] = static_cast<char>(index);
    ascii[1] = '\0';
    return ascii;
  }
  return nullptr;
}

// The accented letters of indices 1..28 are drawn as their base letter with
// a mark made for the font's size: sampled from the face, accents too small
// for the cells merge with the letter or each other (two dots into a bar)
// or vanish. ß (29) is a letter of its own.
struct Accent {
  char base;
  Mark mark;
};
Accent AccentOf(int index) {
  static const Accent kAccents[29] = {
      {0, Mark::kNone},        {'A', Mark::kOgonek},    {'C', Mark::kAcute},     {'E', Mark::kOgonek},
      {'L', Mark::kStroke},    {'N', Mark::kAcute},     {'O', Mark::kAcute},     {'S', Mark::kAcute},
      {'Z', Mark::kAcute},     {'Z', Mark::kDot},       {'A', Mark::kDiaeresis}, {'O', Mark::kDiaeresis},
      {'U', Mark::kDiaeresis}, {'e', Mark::kGrave},     {'e', Mark::kAcute},     {'e', Mark::kCircumflex},
      {0, Mark::kNone},        {'a', Mark::kOgonek},    {'c', Mark::kAcute},     {'e', Mark::kOgonek},
      {'l', Mark::kStroke},    {'n', Mark::kAcute},     {'o', Mark::kAcute},     {'s', Mark::kAcute},
      {'z', Mark::kAcute},     {'z', Mark::kDot},       {'a', Mark::kDiaeresis}, {'o', Mark::kDiaeresis},
      {'u', Mark::kDiaeresis}};
  return index >= 1 && index <= 28 ? kAccents[index] : Accent{0, Mark::kNone};
}

// The text a glyph is drawn from (its base letter for the accented ones),
// and the mark to add; null for no glyph.
const char* GlyphSource(int index, char* text, Mark* mark) {
  const Accent accent = AccentOf(index);
  *mark = accent.mark;
  if (accent.base == 0) return GlyphText(index, text);
  text[0] = accent.base;
  text[1] = '\0';
  return text;
}

// font118 (dot matrix) and font218 (segments): 12 x 18 cells of ink.
bool WriteSmallFont(const char* name, bool dots) {
  Grey sheet(192, 144);
  for (int index = 0; index < 128; ++index) {
    int cx = (index % 16) * 12, cy = (index / 16) * 18;
    char letter[2];
    Mark mark = Mark::kNone;
    const char* text = GlyphSource(index, letter, &mark);
    Grey cell(12, 18);
    if (index == 16) {
      cell.ReplacementMark();
    } else if (!dots && index >= '0' && index <= '9') {
      cell.SevenSegment(index - '0');
    } else if (text != nullptr) {
      const bool above = mark != Mark::kNone && mark != Mark::kOgonek && mark != Mark::kStroke;
      DotGrid grid;
      if (!above || !SmallCapital(text[0], &grid)) grid = SampleDots(RenderCoverage(mono, text));
      MarkDots(&grid, mark);
      if (dots) {
        cell.DotMatrix(grid);
      } else {
        cell.Segments(grid);
      }
    }
    sheet.Paste(cell, cx, cy);
  }
  std::string error;
  std::string path = home + "/fonts/" + name;
  if (!sim::WritePng(path, sheet.w, sheet.h, 1, sheet.ink.data(), sheet.w, &error)) {
    std::fprintf(stderr, "generate_assets: %s\n", error.c_str());
    return false;
  }
  return true;
}

// font32: 16 x 8 cells of 32 x 32 RGBA on the status band's own colour.
bool WriteBigFont() {
  static const uint8_t kWidths[128] = {
      20, 20, 20, 15, 15, 17, 17, 18, 16, 16, 18, 16, 18, 20, 20, 20, 20, 19, 18, 18, 13, 19,
      18, 17, 14, 14, 16, 16, 17, 20, 20, 20, 20, 12, 20, 20, 20, 20, 20, 14, 14, 14, 11, 20,
      11, 12, 11, 16, 20, 17, 19, 20, 20, 20, 20, 18, 20, 20, 11, 11, 20, 20, 20, 20, 20, 20,
      20, 20, 20, 15, 15, 20, 20, 11, 12, 20, 15, 24, 17, 17, 17, 17, 17, 17, 17, 17, 20, 28,
      20, 20, 16, 20, 20, 20, 20, 22, 20, 19, 20, 19, 20, 19, 13, 20, 20, 11, 12, 18, 13, 28,
      20, 19, 20, 19, 14, 17, 14, 20, 19, 25, 18, 18, 14, 20, 20, 20, 20, 20};
  const Rgba band{8, 8, 8, 128};
  Image sheet(512, 256, band);
  for (int index = 0; index < 128; ++index) {
    char letter[2];
    Mark mark = Mark::kNone;
    const char* text = GlyphSource(index, letter, &mark);
    if (text == nullptr) continue;  // index 16 and the control codes: plain band
    Coverage cell = BandCell(RenderCoverage(big, text), kWidths[index]);
    MarkBandCell(&cell, mark);
    sheet.PaintCell(cell, (index % 16) * 32, (index / 16) * 32, band, Rgba{240, 240, 240, 255});
  }
  return Save(sheet, "fonts", "font32");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: generate_assets HOME_DIR TRUETYPE_FILE\n");
    return 2;
  }
  home = argv[1];
  if (TTF_Init() != 0) return 1;
  sans = TTF_OpenFont(argv[2], 16);
  bold = TTF_OpenFont(argv[2], 18);
  mono = TTF_OpenFont(argv[2], 40);
  big = TTF_OpenFont(argv[2], 22);
  tiny = TTF_OpenFont(argv[2], 9);
  if (!sans || !bold || !mono || !big || !tiny) {
    std::fprintf(stderr, "generate_assets: cannot open %s\n", argv[2]);
    return 1;
  }
  TTF_SetFontStyle(bold, TTF_STYLE_BOLD);
  TTF_SetFontStyle(big, TTF_STYLE_BOLD);
  bool ok = WriteSkin() && WriteSmallFont("font118.png", true) && WriteSmallFont("font218.png", false) &&
            WriteBigFont();
  TTF_Quit();
  return ok ? 0 : 1;
}
