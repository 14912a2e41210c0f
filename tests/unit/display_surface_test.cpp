// The display's states, the text library binding and its debug log, and the
// host's signal dispositions across SDL's start and stop.
#include <dlfcn.h>
#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include "display/debug_log.h"
#include "display/fonts.h"
#include "display/signal_guard.h"
#include "display/text.h"
#include "display/text_library.h"
#include "display_test_support.h"
#include "sandbox_fixture.h"
#include "sim/platform/faults.h"
#include "sim/screen/screen.h"

namespace display_test {
namespace {

class SurfaceTest : public DisplayTest {};

// The seven entry points in the order they are looked up, with where the
// binding keeps each.
std::vector<std::pair<const char*, void*>> BoundEntryPoints() {
  return {{"OSD_TTF_Init", reinterpret_cast<void*>(text_library.init)},
          {"OSD_TTF_WasInit", reinterpret_cast<void*>(text_library.was_init)},
          {"OSD_TTF_Quit", reinterpret_cast<void*>(text_library.quit)},
          {"OSD_TTF_OpenFont", reinterpret_cast<void*>(text_library.open_font)},
          {"OSD_TTF_CloseFont", reinterpret_cast<void*>(text_library.close_font)},
          {"OSD_TTF_RenderUTF8_Blended", reinterpret_cast<void*>(text_library.render_utf8_blended)},
          {"OSD_TTF_SizeUTF8", reinterpret_cast<void*>(text_library.size_utf8)}};
}

TEST_F(SurfaceTest, OpeningTwiceStartsSdlBindsAndSetsTheModeOnce) {
  sim::SdlCallCounts before = sim::SdlCalls();
  OpenOsd();
  SDL_Surface* surface = OsdSurface.load();
  ASSERT_NE(surface, nullptr);
  TTF_Font* font20 = StandardFont[1];
  ASSERT_NE(font20, nullptr);
  // All seven entry points are bound, each to the library's own.
  for (const auto& [name, bound] : BoundEntryPoints())
    EXPECT_EQ(bound, dlsym(text_library.handle, name)) << name;
  // The second open binds nothing: a new binding would replace the handle.
  void* handle = text_library.handle;
  text_library.handle = nullptr;
  OpenOsd();
  EXPECT_EQ(text_library.handle, nullptr) << "the library was bound again";
  text_library.handle = handle;
  sim::SdlCallCounts after = sim::SdlCalls();
  EXPECT_EQ(after.init - before.init, 1);
  EXPECT_EQ(after.set_video_mode - before.set_video_mode, 1);
  EXPECT_EQ(OsdSurface.load(), surface);
  EXPECT_EQ(StandardFont[1], font20);  // open fonts are not opened again
  EXPECT_EQ(surface->w, 960);
  EXPECT_EQ(surface->h, 540);
  EXPECT_EQ(surface->format->BitsPerPixel, 32);
}

TEST_F(SurfaceTest, ClosingAKeptDisplayClearsItAndKeepsTheFonts) {
  OpenOsd();
  ASSERT_NE(OsdSurface.load(), nullptr);
  KeepDisplayOpen(true);  // a recording runs: the tick draws with the fonts
  TTF_Font* font = StandardFont[1];
  sim::SdlCallCounts before = sim::SdlCalls();
  FillSurface(0xFFFFFFFF);
  int flips = sim::ScreenFlipCount();
  CloseOsd();
  // What the screen drew is gone; surface, SDL, fonts and library stay.
  EXPECT_EQ(PixelWord(959, 539), 0u);
  EXPECT_EQ(PixelWord(0, 0), 0u);
  EXPECT_EQ(sim::ScreenFlipCount(), flips + 1);
  ASSERT_NE(OsdSurface.load(), nullptr);
  EXPECT_EQ(VideoStarted.load(), 1);
  EXPECT_EQ(sim::SdlCalls().quit, before.quit);
  EXPECT_EQ(StandardFont[1], font);
  EXPECT_NE(text_library.was_init(), 0);
  EXPECT_GT(TextWidth(20, "abc"), 0);
  // Once the recording has ended, the next close closes.
  KeepDisplayOpen(false);
  CloseOsd();
  EXPECT_EQ(OsdSurface.load(), nullptr);
  EXPECT_EQ(VideoStarted.load(), 0);
  EXPECT_EQ(sim::SdlCalls().quit, before.quit + 1);
}

TEST_F(SurfaceTest, ClearingTheIconCornerLeavesTheRest) {
  OpenOsd();
  FillSurface(0xFFFFFFFF);
  ClearIconCorner();
  EXPECT_EQ(PixelWord(0, 0), 0u);
  EXPECT_EQ(PixelWord(139, 59), 0u);
  EXPECT_EQ(PixelWord(140, 10), 0xFFFFFFFFu);  // the status band's first column
  EXPECT_EQ(PixelWord(10, 60), 0xFFFFFFFFu);
  CloseOsd();
}

TEST_F(SurfaceTest, ClosingAnUnboundDisplayCallsNoEntryPoint) {
  ForgetDisplay();
  text_library = TextLibrary{};  // a call through any entry point would crash
  CloseOsd();
  EXPECT_EQ(OsdSurface.load(), nullptr);
}

void ExpectDispositions(const struct sigaction (&expected)[NSIG], const char* when) {
  for (int sig = 1; sig < NSIG; ++sig) {
    struct sigaction now;
    if (sigaction(sig, nullptr, &now) != 0) continue;
    EXPECT_TRUE(SameDisposition(now, expected[sig])) << "signal " << sig << " changed " << when;
  }
}

void HostHandler(int) {}

TEST_F(SurfaceTest, SignalDispositionsSurviveOpeningAndClosing) {
  // The host's own choices, set before the plug-in opens its display.
  struct sigaction host{};
  host.sa_handler = HostHandler;
  sigaction(SIGUSR1, &host, nullptr);
  struct sigaction previous_alarm;
  sigaction(SIGALRM, nullptr, &previous_alarm);
  struct sigaction before[NSIG];
  for (int sig = 1; sig < NSIG; ++sig) sigaction(sig, nullptr, &before[sig]);
  for (int round = 0; round < 2; ++round) {
    OpenOsd();
    ASSERT_NE(OsdSurface.load(), nullptr);
    ExpectDispositions(before, "by OpenOsd");
    CloseOsd();
    ASSERT_EQ(OsdSurface.load(), nullptr);
    ExpectDispositions(before, "by CloseOsd");
  }
  signal(SIGUSR1, SIG_DFL);
}

TEST_F(SurfaceTest, ClearStatusBandClearsOnlyTheBand) {
  OpenCleared();
  FillSurface(0x11223344);
  ClearStatusBand();
  for (int y = 0; y < kOsdHeight; ++y) {
    for (int x = 0; x < kOsdWidth; ++x) {
      bool band = y >= 9 && y <= 49 && x >= 140;
      ASSERT_EQ(PixelWord(x, y), band ? 0u : 0x11223344u) << x << "," << y;
    }
  }
}

TEST_F(SurfaceTest, ClearsWithoutSurfaceDoNothing) {
  int flips = sim::ScreenFlipCount();
  ClearOsd();
  ClearStatusBand();
  EXPECT_EQ(sim::ScreenFlipCount(), flips);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// True when a file whose path ends in name is mapped into the process.
bool LibraryMapped(const std::string& name) {
  std::string maps = ReadFile("/proc/self/maps");
  return maps.find("/" + name + "\n") != std::string::npos;
}

// The set's debug log and TV font folder live in the test sandbox; each test
// starts without a log and without a TV font.
class BindingTest : public DisplayTest {
 protected:
  void SetUp() override {
    TestSandbox();
    log_ = sim::SandboxPath(kDebugLogPath);
    tv_font_ = sim::SandboxPath(std::string(kTvFontFolder) + "/shadow.ttf");
    Forget();
    DisplayTest::SetUp();
  }
  void TearDown() override {
    DisplayTest::TearDown();
    Forget();
  }
  void Forget() {
    unlink(log_.c_str());
    unlink(tv_font_.c_str());
  }
  std::string log_;
  std::string tv_font_;
};

TEST_F(BindingTest, AMissingLibraryLeavesTheDisplayClosedWithoutALogLine) {
  unlink((home_ + "/osd_ttf.so").c_str());
  OpenOsd();
  EXPECT_EQ(OsdSurface.load(), nullptr);
  EXPECT_EQ(VideoStarted.load(), 0);
  EXPECT_EQ(TextLibraryBound.load(), 0);
  EXPECT_EQ(access(log_.c_str(), F_OK), -1);
}

TEST_F(BindingTest, AMissingEntryPointLogsTwoLinesAndStopsTheLookups) {
  Shell("ln -sf " + BuildDir() + "/test_libs/osd_ttf_noquit.so " + home_ + "/osd_ttf.so");
  OpenOsd();
  EXPECT_EQ(OsdSurface.load(), nullptr);
  EXPECT_EQ(TextLibraryBound.load(), 0);
  std::string text = ReadFile(log_);
  ASSERT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
  EXPECT_EQ(text.substr(0, text.find('\n')), "Function [OSD_TTF_Quit] not found:");
  EXPECT_NE(text.find("OSD_TTF_Quit", text.find('\n')), std::string::npos);  // dlerror names it
  // Only Quit is named: Init and WasInit were found, OpenFont and the later
  // ones are never reached, and the library is closed at once (a lookup
  // after the close would fail and be logged).
  for (const auto& [name, bound] : BoundEntryPoints()) {
    if (std::string(name) != "OSD_TTF_Quit") {
      EXPECT_EQ(text.find(name), std::string::npos) << name;
    }
  }
  EXPECT_FALSE(LibraryMapped("osd_ttf_noquit.so"));
  OpenOsd();  // the next attempt binds from the start again and stops there again
  std::string again = ReadFile(log_);
  EXPECT_EQ(std::count(again.begin(), again.end(), '\n'), 4);
  EXPECT_EQ(again, text + text);
}

TEST_F(BindingTest, TheLogCutsOverlongLines) {
  std::string text(600, 'x');
  DebugLog(text.c_str());
  DebugLog("next");
  EXPECT_EQ(ReadFile(log_), std::string(258, 'x') + "\nnext\n");
}

// The log lives in the RAM folder the TV's other programs share: whatever
// stands at its name and is not the plug-in's own plain file (a symbolic
// link, a second name of another file, a FIFO) is replaced, never written
// through; an earlier log of the plug-in is appended to.
TEST_F(BindingTest, TheLogNeverWritesThroughWhatOthersPutAtItsName) {
  std::string victim = home_ + "/victim";
  std::ofstream(victim) << "keep";
  ASSERT_EQ(symlink(victim.c_str(), kDebugLogPath), 0);
  DebugLog("through a link");
  ASSERT_EQ(ReadFile(victim), "keep");
  struct stat status;
  ASSERT_EQ(lstat(kDebugLogPath, &status), 0);
  EXPECT_TRUE(S_ISREG(status.st_mode));
  EXPECT_EQ(ReadFile(log_), "through a link\n");

  // An earlier log of the plug-in goes on.
  DebugLog("again");
  EXPECT_EQ(ReadFile(log_), "through a link\nagain\n");

  // A hard link to another file of the RAM folder.
  std::string other = sim::SandboxPath("/mtd_ram/other");
  std::ofstream(other) << "keep";
  unlink(log_.c_str());
  ASSERT_EQ(link(other.c_str(), log_.c_str()), 0);
  DebugLog("second name");
  ASSERT_EQ(ReadFile(other), "keep");
  EXPECT_EQ(ReadFile(log_), "second name\n");
  unlink(other.c_str());

  // A FIFO nobody reads would block the host's thread for good.
  unlink(log_.c_str());
  ASSERT_EQ(mkfifo(log_.c_str(), 0666), 0);
  DebugLog("not a pipe");
  ASSERT_EQ(lstat(kDebugLogPath, &status), 0);
  EXPECT_TRUE(S_ISREG(status.st_mode));
  EXPECT_EQ(ReadFile(log_), "not a pipe\n");
}

// A read-only RAM folder takes no log: the line is dropped, the earlier
// log stays as it was and goes on once the folder can be written again.
TEST_F(BindingTest, AReadOnlyRamFolderDropsTheLineAndKeepsTheLog) {
  DebugLog("before");
  ASSERT_EQ(sim_fault_set(SIM_FAULT_READONLY, "/mtd_ram", EROFS), 0);
  DebugLog("dropped");
  sim_fault_clear("/mtd_ram");
  EXPECT_EQ(ReadFile(log_), "before\n");
  DebugLog("after");
  EXPECT_EQ(ReadFile(log_), "before\nafter\n");
}

TEST_F(BindingTest, TheTvFontFolderTakesPrecedence) {
  OpenOsd();
  int home_width = TextWidth(20, "iiiiiiiiii");
  CloseOsd();
  std::filesystem::copy_file("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf", tv_font_);
  OpenOsd();
  int tv_width = TextWidth(20, "iiiiiiiiii");
  CloseOsd();
  EXPECT_GT(home_width, 0);
  EXPECT_GT(tv_width, home_width);  // the monospaced face has wide i's
}

TEST_F(BindingTest, OverlongHomeFolderBindsNothing) {
  std::memset(settings.home_dir, 'a', sizeof settings.home_dir);  // not even terminated
  OpenOsd();
  EXPECT_EQ(OsdSurface.load(), nullptr);
}

}  // namespace
}  // namespace display_test
