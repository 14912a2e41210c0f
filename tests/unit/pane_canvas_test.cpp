// The information pane kept composed: after every redraw of a changing
// sequence, each pixel of the screen is the one the plain drawing gives (the
// pane's background, then each line cut, placed and drawn with DrawText in
// order, on whatever the screen held): lines that change text, colour,
// width or place, lines that come and go, lines lying over each other or
// reaching out of the pane, bitmap and TrueType fonts, the fonts closed and
// opened again, the bar and the icon changing, another opacity.
#include "display/pane_canvas.h"

#include <string>
#include <vector>

#include "display/fonts.h"
#include "display/glyph_cells.h"
#include "display/pixels.h"
#include "display/skin_images.h"
#include "display/text.h"
#include "display/text_fit.h"
#include "display/text_library.h"
#include "display_test_support.h"

namespace display_test {
namespace {

struct Line {
  int font;
  int x;
  int y;
  int colour;
  std::string text;
  PaneAnchor anchor = PaneAnchor::kLeft;
  PaneFit fit = PaneFit::kNone;
  int fit_font = 0;
  int fit_width = 0;
};

constexpr PaneAnchor kRight = PaneAnchor::kRight;
constexpr PaneAnchor kLeft = PaneAnchor::kLeft;
constexpr PaneAnchor kAfter = PaneAnchor::kAfterPrevious;

// Lines laid out as the pane lays out its own: figures right-aligned in two
// columns, labels at the left, the destination in the large face with its
// file system after it, the title cut with dots.
std::vector<Line> PaneLike(long seconds, const std::string& label, const std::string& title, int font = 20) {
  char elapsed[32];
  std::snprintf(elapsed, sizeof elapsed, "%ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return {
      {font, 790, 418, 5, elapsed, kRight},
      {font, 240, 418, 9, "Total: 64.0 GB"},
      {font, 610, 418, 9, std::to_string(4000 + seconds / 10) + " MB", kRight},
      {font, 610, 474, 0, "41.5 GB", kRight},
      {26, 242, 385, 7, label, kLeft, PaneFit::kCut, 20, 150},
      {20, 10, 389, 2, "FAT", kAfter},
      {font, 240, 474, 0, "Free space"},
      {20, 241, 505, 2, title, kLeft, PaneFit::kCutWithDots, 20, 539},
  };
}

class PaneCanvasTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    OpenCleared();
  }

  // Something on the screen that the pane must cover or leave alone.
  static void FillPattern(int seed) {
    for (int y = 0; y < kOsdHeight; ++y) {
      for (int x = 0; x < kOsdWidth; ++x) {
        const uint32_t word = static_cast<uint32_t>(x * 7 + y * 13 + seed) * 0x01020305u;
        std::memcpy(Pixel(x, y), &word, 4);
      }
    }
  }

  static std::vector<uint8_t> Composed(const std::vector<Line>& lines, DestinationIcon icon, int gauge) {
    std::vector<PaneText> texts;
    for (const Line& line : lines) {
      texts.push_back({line.font, line.x, line.y, line.colour, line.text.c_str(), line.anchor, line.fit,
                       line.fit_font, line.fit_width});
    }
    DisplayLock lock(display_mutex);
    SkinScreenScope screen(SkinScreen::kPane);
    EXPECT_TRUE(DrawComposedPane(OsdSurface.load(), icon, gauge, texts.data(), static_cast<int>(texts.size())));
    return Snapshot();
  }

  // The plain drawing, line by line on the screen.
  static std::vector<uint8_t> Plain(const std::vector<Line>& lines, DestinationIcon icon, int gauge) {
    DisplayLock lock(display_mutex);
    SkinScreenScope screen(SkinScreen::kPane);
    SDL_Surface* surface = OsdSurface.load();
    {
      SurfaceLock locked(surface);
      EXPECT_TRUE(PutPaneBackground(surface, 1000, icon, gauge));
    }
    int before_left = 0, before_width = 0;
    for (size_t i = 0; i < lines.size() && i < kPaneLines; ++i) {
      const Line& line = lines[i];
      if (line.text.size() >= kPaneTextSize) continue;
      char text[kPaneTextSize];
      std::snprintf(text, sizeof text, "%s", line.text.c_str());
      if (line.fit == PaneFit::kCut) CutToWidth(text, line.fit_font, line.fit_width);
      if (line.fit == PaneFit::kCutWithDots) CutToWidthWithDots(text, sizeof text, line.fit_font, line.fit_width);
      const int width = TextWidth(line.font, text);
      const int left = line.anchor == kLeft    ? line.x
                       : line.anchor == kRight ? line.x - width
                                               : before_left + before_width + line.x;
      DrawText(line.font, left, line.y, text, line.colour);
      before_left = left;
      before_width = width;
    }
    return Snapshot();
  }

  // The composed pane against the plain drawing, over the same pattern
  // (another at each step). Gives how many texts the text library rendered
  // for the composed pane.
  long ExpectSame(const std::vector<Line>& lines, const std::string& what,
                  DestinationIcon icon = DestinationIcon::kUsb, int gauge = 40) {
    FillPattern(++step_);
    const std::vector<uint8_t> plain = Plain(lines, icon, gauge);
    FillPattern(step_);
    const long renders_before = renders;
    const std::vector<uint8_t> composed = Composed(lines, icon, gauge);
    const long rendered = renders - renders_before;
    EXPECT_EQ(plain.size(), composed.size());
    for (size_t i = 0; i < plain.size() && i < composed.size(); ++i) {
      if (plain[i] != composed[i]) {
        const size_t pixel = i / 4;
        ADD_FAILURE() << what << ": first differing pixel at " << pixel % kOsdWidth << "," << pixel / kOsdWidth;
        return rendered;
      }
    }
    return rendered;
  }

  int step_ = 0;

 public:
  // The text library's renders, counted (and changed by `shift`) while a
  // test swaps its entry point for Counted.
  static inline long renders = 0;
  static inline bool shift = false;
  static inline SDL_Surface* (*library_render)(TTF_Font*, const char*, SDL_Color) = nullptr;

  // The library's render; with `shift`, a text of two characters or more
  // one column further right in its width, as a library that kerns a
  // line's start would.
  static SDL_Surface* Counted(TTF_Font* font, const char* text, SDL_Color colour) {
    ++renders;
    SDL_Surface* render = library_render(font, text, colour);
    if (!shift || render == nullptr || std::strlen(text) < 2) return render;
    const SDL_PixelFormat* f = render->format;
    SDL_Surface* shifted =
        SDL_CreateRGBSurface(SDL_SWSURFACE, render->w, render->h, 32, f->Rmask, f->Gmask, f->Bmask, f->Amask);
    for (int r = 0; shifted != nullptr && r < render->h; ++r) {
      std::memcpy(static_cast<uint8_t*>(shifted->pixels) + r * shifted->pitch + 4,
                  static_cast<uint8_t*>(render->pixels) + r * render->pitch, (render->w - 1) * 4);
    }
    SDL_FreeSurface(render);
    return shifted;
  }
};

// Swaps the text library's render for PaneCanvasTest::Counted while it lives.
struct CountedRenders {
  explicit CountedRenders(bool shift) {
    PaneCanvasTest::shift = shift;
    PaneCanvasTest::library_render = text_library.render_utf8_blended;
    text_library.render_utf8_blended = PaneCanvasTest::Counted;
  }
  ~CountedRenders() {
    text_library.render_utf8_blended = PaneCanvasTest::library_render;
    PaneCanvasTest::shift = false;
  }
};

TEST_F(PaneCanvasTest, SecondsPassLinesChangeComeAndGoAndTheBarAndIconChange) {
  const std::string title = "Evening News with a title far too long for the line it is drawn on, cut with dots";
  for (long seconds = 3597; seconds <= 3602; ++seconds) {  // 0:59:59 -> 1:00:00 is wider
    ExpectSame(PaneLike(seconds, "USB stick (sda1)", title), "second " + std::to_string(seconds));
  }
  std::vector<Line> lines = PaneLike(3602, "USB stick (sda1)", title);
  lines[3].colour = 3;  // low space
  ExpectSame(lines, "a colour");
  lines.erase(lines.begin() + 2);
  ExpectSame(lines, "a line less");
  lines = PaneLike(3602, "A far wider label than the room it has", title);
  ExpectSame(lines, "the label cut and the file system after it moved");
  lines = PaneLike(3602, "", "");
  ExpectSame(lines, "empty texts");
  for (int gauge : {-1, 0, 41, 83, -1}) ExpectSame(lines, "gauge " + std::to_string(gauge), DestinationIcon::kUsb, gauge);
  for (DestinationIcon icon : {DestinationIcon::kNetwork, DestinationIcon::kMemory}) {
    ExpectSame(lines, "another icon", icon, 10);
  }
}

TEST_F(PaneCanvasTest, LinesOverEachOtherOrOutOfThePaneOrRefusedDrawAsPlainly) {
  std::vector<Line> lines = PaneLike(100, "USB", "Title");
  lines.push_back({20, 700, 418, 3, "OVER", kLeft});  // lies on the elapsed time
  for (long seconds = 100; seconds < 103; ++seconds) {
    lines[0].text = "0:01:4" + std::to_string(seconds % 10);
    ExpectSame(lines, "under another line");
  }
  lines.push_back({20, 240, 300, 0, "above the pane"});
  ExpectSame(lines, "a line above the pane");
  lines.back() = {20, 100, 450, 0, "left of the pane"};
  ExpectSame(lines, "a line left of the pane");
  lines.pop_back();
  ExpectSame(lines, "back inside");
  lines.push_back({20, 30, 450, 0, "right-aligned before column 0", kRight});
  ExpectSame(lines, "a line DrawText refuses");
  lines.back() = {20, 240, 390, 0, std::string(kPaneTextSize, 'x')};
  ExpectSame(lines, "a text too long for its slot is not drawn");
  while (lines.size() <= kPaneLines) lines.push_back({20, 240, 390, 0, "more"});
  ExpectSame(lines, "lines beyond the slots are not drawn");
}

TEST_F(PaneCanvasTest, BitmapAndTrueTypeLinesAndTheFontsClosedAndOpenedAgain) {
  for (int font : {118, 218}) {
    for (long seconds = 59; seconds < 62; ++seconds) {
      ExpectSame(PaneLike(seconds, "Network (nfs)", "Zażółć gęślą jaźń", font), "font " + std::to_string(font));
    }
  }
  // A bitmap line the face draws (letters the bitmap fonts lack), whose
  // line is taller than the glyphs' rows, then a line the bitmap font draws
  // in its place: nothing of the face's letters stays.
  for (int font : {118, 218}) {
    std::vector<Line> faced = PaneLike(62, "Network (nfs)", "Title", font);
    faced[6].text = "Ελεύθερος χώρος Ђђ ÿ";
    ExpectSame(faced, "the face in font " + std::to_string(font) + "'s place");
    faced[6].text = "Free";
    ExpectSame(faced, "font " + std::to_string(font) + " again after the face");
  }
  const std::vector<Line> lines = PaneLike(61, "Network (nfs)", "Title");
  ReleaseFonts();  // as a close during a recording leaves them
  ExpectSame(lines, "no TrueType font open");
  OpenTrueTypeFonts();  // the library has quit: nothing opens
  {
    ScopedLock lock(font_mutex);
    EXPECT_EQ(StandardFont[0], nullptr);
  }
  OpenOsd();  // starts the library again and opens the fonts
  {
    ScopedLock lock(font_mutex);
    EXPECT_NE(StandardFont[0], nullptr);
  }
  ExpectSame(lines, "the fonts open again");
}

TEST_F(PaneCanvasTest, AnotherOpacityConvertsThePaneAgainAndARedrawDecodesNothing) {
  const std::vector<Line> lines = PaneLike(61, "USB", "Title");
  ExpectSame(lines, "opacity 100");
  long decodes = 0;
  {
    DisplayLock lock(display_mutex);
    decodes = SkinImageDecodes();
  }
  ExpectSame(PaneLike(62, "USB", "Title"), "a second later");
  settings.osd_opacity = 50;
  ExpectSame(PaneLike(63, "USB", "Title"), "opacity 50");
  DisplayLock lock(display_mutex);
  EXPECT_EQ(SkinImageDecodes(), decodes + 1) << "only the pane's image again, for its new alpha";
  ReleaseSkinImages(SkinScreen::kPane);
  EXPECT_EQ(KeptPaneBytes(), 0);
}

// The figures a second later: only the characters that changed are
// written into the composed pane from their kept cells, with no render of
// the text library; a line that grows, a new colour, a text of other
// characters are rendered whole. With a library whose lines are not their
// characters side by side the cells are refused and every changed line is
// rendered whole. Every pixel as drawn plainly throughout.
TEST_F(PaneCanvasTest, FiguresThatChangeByADigitAreDrawnFromKeptCellsOnlyWhereThatGivesTheSamePixels) {
  {
    CountedRenders counted(false);
    ExpectSame(PaneLike(3590, "USB", "Title"), "the first draw");
    ExpectSame(PaneLike(3591, "USB", "Title"), "cells checked and kept");
    for (long seconds = 3592; seconds <= 3598; ++seconds) {
      EXPECT_EQ(ExpectSame(PaneLike(seconds, "USB", "Title"), "second " + std::to_string(seconds)), 0)
          << "a second later at " << seconds;
    }
    EXPECT_GT(ExpectSame(PaneLike(3600, "USB", "Title"), "0:59:58 to 1:00:00 is wider"), 0);
    std::vector<Line> lines = PaneLike(3601, "USB", "Title");
    lines[0].colour = 3;
    EXPECT_GT(ExpectSame(lines, "another colour"), 0);
    for (long seconds : {3602, 3603}) {
      lines = PaneLike(seconds, "USB", "Title");
      lines[0].colour = 3;
      // The colour's check the first time: a line of all the characters.
      EXPECT_EQ(ExpectSame(lines, "a second later in that colour"), seconds == 3602 ? 1 : 0) << seconds;
    }
    lines[2].text = "4361 MiB";
    ExpectSame(lines, "other letters");
    lines[2].text = "4362 MiB";
    EXPECT_EQ(ExpectSame(lines, "a digit before the letters"), 0);
    lines[2].text = "5362 MiB";
    EXPECT_GT(ExpectSame(lines, "the first character"), 0);
    DisplayLock lock(display_mutex);
    EXPECT_GT(KeptGlyphCellBytes(), 0);
    ReleaseSkinImages(SkinScreen::kPane);
    EXPECT_EQ(KeptGlyphCellBytes(), 0) << "the cells go with the pane";
  }
  CountedRenders shifted(true);
  ExpectSame(PaneLike(3590, "USB", "Title"), "a kerning library");
  for (long seconds = 3591; seconds <= 3594; ++seconds) {
    EXPECT_GT(ExpectSame(PaneLike(seconds, "USB", "Title"), "kerned " + std::to_string(seconds)), 0);
  }
}

}  // namespace
}  // namespace display_test
