// The simulator's screen. The plug-in's SDL_Init, SDL_Quit, SDL_SetVideoMode
// and SDL_Flip are the simulator's (sim_sdl.cpp): the plug-in draws into a
// 960x540 overlay, and at each flip the simulator composites the overlay
// (per-pixel alpha) over a moving test picture, which shows the channel, the
// programme and the TV's freeze, video mute and picture-off states. Frames
// can be saved as PNG files. Headless by default; a window on request.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace sim {

inline constexpr int kScreenWidth = 960;
inline constexpr int kScreenHeight = 540;

struct ScreenOptions {
  bool window = false;         // show a real window (else SDL's dummy driver)
  std::string frame_folder;    // when set, every flip is saved there as frame_NNNNN.png
  std::string home_dir;        // the plug-in's home (its font118.png labels the picture)
  // Screenshots or screen checks will read the overlay as last flipped: each
  // flip keeps a copy of it (the window, saved frames and a flip observer
  // keep one anyway). Without any of them a flip only counts, and
  // screenshots see the overlay as it is.
  bool keep_shown = true;
};

// Call before the plug-in is loaded. Without a call (a benchmark), nothing
// keeps the flipped overlay. With options.window, opens the window
// (titled with WindowTitle()); WindowOpen() then says whether that worked.
void ConfigureScreen(const ScreenOptions& options);

// True when ConfigureScreen opened a window.
bool WindowOpen();

// The window's title: which PC key is which remote button, and how to quit.
std::string WindowTitle();
// One line per window key: the PC key, the remote button(s) it presses and
// what the plug-in does with them, or the step it plays on the stick.
void PrintWindowKeys(FILE* out);

// The USB stick a window starts with (tvsim --window; --no-stick leaves it
// out), as scenario lines, and what the window's keys F5, F6 and F7 play.
inline constexpr const char* kWindowStick = "plug USB1 Acme Stick 0042 fat:8G:/dtv/usb/sda1";
inline constexpr const char* kWindowStickUnplug = "unplug USB1";
inline constexpr const char* kWindowStickFill = "fill /dtv/usb/sda1 40 free";

// What the test picture shows besides the TV state.
void SetPictureCaption(int channel, const std::string& programme);

// Number of the plug-in's flips of the overlay so far.
int ScreenFlipCount();
// How often the plug-in called the simulator's SDL entry points.
struct SdlCallCounts {
  int init, quit, set_video_mode;
};
SdlCallCounts SdlCalls();
// True while the plug-in holds the overlay (between its SetVideoMode and Quit).
bool OverlayActive();
// The overlay surface (BGRA bytes), or null before the first SetVideoMode.
SDL_Surface* OverlaySurface();

// Guard bands around the overlay's pixels: kOverlayGuardRows rows of pitch
// above and below, kOverlayGuardTail more bytes after them. Every flip checks
// them and reports a written band loudly on stderr ("surface guard band
// written"); CheckOverlayGuards checks now (tvsim at the end of a run).
// Returns false, reported, when a band was written since the last check.
inline constexpr int kOverlayGuardRows = 8;
inline constexpr int kOverlayGuardTail = 64;
bool CheckOverlayGuards(const char* when);
// Whether each flip checks the bands (it reads about 60 KiB): on by default.
// Benchmarks turn it off, so that a flip they time is the plug-in's alone,
// and check once at their end.
void CheckGuardsAtFlips(bool check);
// How many checks, at flips or asked, found a band written.
int OverlayGuardFaults();

// Composites the overlay as the plug-in last flipped it (what the viewer
// sees; nothing before its first flip) over the test picture and saves it.
bool SaveScreenshot(const std::string& path, std::string* error);

// With a window: handles its events, calling run with the scenario lines
// each PC key plays ("key RECORD", "unplug USB1"), and shows the screen as
// it is now (the moving test picture under the overlay last flipped).
// Returns false when the window was closed (or q pressed); true at once
// without a window.
bool PumpWindowEvents(const std::function<void(const std::string& steps)>& run);

// Writes one PNG showing every skin image of home_dir/osd and the font
// sheets of home_dir/fonts, each labelled, on a checkerboard so that alpha
// shows. Returns false with error set.
bool WriteContactSheet(const std::string& home_dir, const std::string& png_path, std::string* error);

// One picture of a sheet: width x height RGBA pixels (alpha blends them over
// the sheet's checkerboard) and the label drawn above it.
struct SheetPicture {
  std::string label;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;  // width * height * 4 bytes
};
// Writes the pictures in rows, left to right, each under its label in the
// 12x18 font image label_font (none drawn when it cannot be loaded), a new
// row when the next one does not fit sheet_width. Pictures wider than the
// sheet are cut at its edge. Returns false with error set when there is no
// picture, a picture's bytes do not match its size, or the PNG cannot be
// written.
bool WriteLabelledSheet(const std::vector<SheetPicture>& pictures, int sheet_width,
                        const std::string& label_font, const std::string& png_path, std::string* error);

// Composites into rgba (960 x 540 x 4 bytes, RGBA order): used by flips,
// screenshots and tests.
void ComposeFrame(uint8_t* rgba);
// The same with the overlay as last flipped: what the viewer sees while the
// plug-in may be drawing its next frame (screenshots, screen checks, the
// window's repaint).
void ComposeShownFrame(uint8_t* rgba);

// Called at every flip of the overlay, on the flipping thread, with the
// frame as the viewer sees it (rgba as ComposeFrame makes it) and the
// overlay just flipped (960 x 540 x 4 bytes, BGRA, alpha last). Both are
// valid during the call only; the observer must not call back into the
// screen. An empty function removes the observer.
using FlipObserver = std::function<void(const uint8_t* rgba, const uint8_t* overlay_bgra)>;
void ObserveFlips(FlipObserver observer);

}  // namespace sim
