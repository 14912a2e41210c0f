// What the viewer reads, as lines of the TV's log: the simulator watches the
// plug-in draw (the texts the text library renders and where they land on
// the overlay, the skin images it decodes, the status band's big bitmap
// text read back from the flipped pixels) and, at each flip, says which
// screens appeared, changed or went:
//
//   screen: record icon
//   screen: message box: Destination 1 is not available
//   screen: notice: Recording continues in a new file
//   screen: settings screen: Recolyx settings | Destination 1 Auto | ...
//   screen: settings screen now: Destination 1 Acme Stick
//   screen: message box closed
//
// A screen is a region of the overlay: it opens with the image that makes
// it (warnbox: a message box, warnbox_ext: the delete dialog, the toolbox's
// footer: the settings screen, icon_red: the summary, infopane: the
// information pane, the icons), takes the texts drawn inside it, and closes
// when its region turns transparent, another screen is drawn over it, or
// the plug-in quits the display. Texts are given row by row (" | " between
// rows, left to right within one). The information pane is named when it
// first has its texts; its figures, redrawn every second, are not followed.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// A rectangle of the overlay, [x0, x1) x [y0, y1).
struct ScreenRect {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool empty() const { return x0 >= x1 || y0 >= y1; }
};

// Reads screens from what it is told. Not thread-safe: the simulator's
// hooks (below) serialise their calls.
class ScreenReader {
 public:
  // big_font: the status band's font image (fonts/font32.png as decoded,
  // 3 or 4 bytes a pixel, R G B (A)); null reads no band text.
  explicit ScreenReader(SDL_Surface* big_font = nullptr);

  void TextDrawn(const std::string& text, const ScreenRect& where);
  void ImageDecoded(const std::string& name);
  // A text drawn in the status band with the TrueType face in the big
  // font's place (its letters cannot be read back from the pixels).
  void BandFaceDrawn(const std::string& text);
  // A flip of the overlay (960 x 540, B G R A): the lines it makes.
  std::vector<std::string> Flipped(const uint8_t* bgra);
  // The overlay left the screen: every screen closes.
  std::vector<std::string> Gone();

 private:
  struct Text {
    std::string text;
    ScreenRect rect;
  };
  struct Screen {
    std::string kind;         // "" while only its pixels are known
    ScreenRect region;
    std::vector<Text> texts;
    std::string said;         // the text last logged ("" before)
    bool logged = false;
  };

  void Close(size_t index, std::vector<std::string>* lines);
  void Say(Screen& screen, std::vector<std::string>* lines);
  bool Transparent(const uint8_t* bgra, const ScreenRect& rect) const;

  SDL_Surface* big_font_;
  std::vector<Text> drawn_;          // since the last flip
  std::vector<std::string> images_;  // decoded since the last flip
  std::vector<uint8_t> previous_;    // the overlay as last flipped
  std::vector<Screen> screens_;      // open, oldest first
  Screen band_;                      // the status band's notice
  std::vector<std::string> band_faces_;  // BandFaceDrawn since the last flip
  std::vector<Screen> closed_;       // recently closed, for redraws with kept images
};

// The text the status band shows in the big font at text origin (x, y), read
// back from the overlay's pixels; "" when no glyph of font is there. Glyph
// 16 (the blank cell) and letters the font lacks read as blanks; blanks
// before and after the text are dropped.
std::string ReadBigText(const uint8_t* bgra, SDL_Surface* font, int x, int y);

// The texts as the log gives them: rows top to bottom joined by " | ", the
// texts of a row left to right joined by blanks.
std::string TextRows(std::vector<std::pair<std::string, ScreenRect>> texts);

// The simulator's reader (tvsim starts it): the drawing hooks and the flips
// feed it, its lines go to the host's log.
void StartScreenReader(const std::string& home_dir);
bool ScreenReaderStarted();
void ReaderTextRendered(const SDL_Surface* rendered, const char* text);
void ReaderBlit(const SDL_Surface* source, const SDL_Surface* target, const SDL_Rect& where);
void ReaderImageDecoded(const SDL_Surface* image);
// Surfaces big enough to hold a screen: the plug-in may compose one off the
// overlay (the information pane stays composed while it shows) and copy it
// there; texts drawn into it are said when its pixels are found on the
// overlay at a flip.
void ReaderSurfaceCreated(const SDL_Surface* surface);
void ReaderSurfaceFreed(const SDL_Surface* surface);
void ReaderFlip(const uint8_t* bgra);
void ReaderOverlayGone();

}  // namespace sim
