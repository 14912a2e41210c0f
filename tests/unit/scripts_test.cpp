// User scripts and telnetd through the simulator's real shell: the wrapper in
// the sandbox's RAM folder, the set's stand-in ps, mount and telnetd, and the
// scripts of a scratch home folder. Each test script appends a line to
// /mtd_wiselink/ran.log, so that the test sees what ran and in which folder.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "display/fonts.h"
#include "display/image_file.h"
#include "display/signal_guard.h"
#include "display/text_library.h"
#include "display_test_support.h"
#include "sandbox_fixture.h"
#include "settings/device_table.h"
#include "settings/script_state.h"
#include "settings/scripts.h"
#include "sim/platform/sandbox.h"
#include "sim/platform/set_commands.h"
#include "sim/platform/sim_time.h"
#include "sim/screen/screen.h"

namespace {

using display_test::BuildHome;

constexpr const char* kRanLog = "/mtd_wiselink/ran.log";

// Streams open the sandbox's file of a set path (the C++ library's own file
// calls are not the simulator's).
std::string ReadText(const std::string& path) {
  std::ifstream in(sim::SandboxPath(path));
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Exists(const char* path) {
  struct stat status;
  return lstat(path, &status) == 0;
}

class ScriptsTest : public display_test::DisplayTest {
 protected:
  void SetUp() override {
    TestSandbox();
    sim::ResetDisks();
    DisplayTest::SetUp();
    SetHome(home_);
    settings.device_script = 1;
    ASSERT_TRUE(sim::SetTelnetdRunning(false));
    for (const char* path : {kScriptWrapperPath, kScriptTagPath, kTelnetProbePath, kRanLog}) unlink(path);
    sim::ClearCommandLog();
  }

  void TearDown() override {
    sim_clock_reset();
    DisplayTest::TearDown();
    sim::ResetDisks();
  }

  // Makes `folder` the home folder (with its "scripts" folder).
  void SetHome(const std::string& folder) {
    scripts_ = folder + "/scripts";
    ASSERT_EQ(mkdir(scripts_.c_str(), 0755) == 0 || errno == EEXIST, true) << scripts_;
    std::snprintf(settings.home_dir, sizeof settings.home_dir, "%s/", folder.c_str());
  }

  // An executable script in the scripts folder: logs its name and the folder
  // it runs in, then `body`.
  void WriteScript(const std::string& name, const std::string& body = "") {
    std::string path = scripts_ + "/" + name;
    std::ofstream(path) << "#!/bin/sh\necho \"" << name << " in $(pwd)\" >>" << kRanLog << "\n" << body;
    ASSERT_EQ(chmod(path.c_str(), 0755), 0);
  }

  std::string Ran() { return ReadText(kRanLog); }
  // What ran through the shell: the system() command lines only.
  std::vector<std::string> ShellCommands() {
    std::vector<std::string> commands;
    for (const std::string& line : sim::CommandLog())
      if (line.rfind("system: ", 0) == 0) commands.push_back(line.substr(8));
    return commands;
  }

  void ExpectNothingRan() {
    EXPECT_EQ(Ran(), "");
    EXPECT_TRUE(sim::CommandLog().empty());
    EXPECT_FALSE(Exists(kScriptWrapperPath));
  }

  std::string scripts_;
};

// The wrapper runs in the background, read through a descriptor handed down
// to the shell.
const std::string kRunWrapper = "sh '/proc/self/fd/[0-9]+' &";
const std::string kProbe = "ps\\|grep 'telnet\\[d\\]' >'/proc/self/fd/[0-9]+'";

// Each line matches its regular expression, and there are as many.
testing::AssertionResult MatchAll(const std::vector<std::string>& lines,
                                  const std::vector<std::string>& patterns) {
  bool same = lines.size() == patterns.size();
  for (size_t i = 0; same && i < lines.size(); ++i) same = std::regex_match(lines[i], std::regex(patterns[i]));
  if (same) return testing::AssertionSuccess();
  auto result = testing::AssertionFailure();
  for (const std::string& line : lines) result << "\n  " << line;
  return result;
}

// Holds the plug-in's next command between the moment the plug-in has made
// its files and the moment the shell starts: the simulator logs every
// command line to its command log before it starts the shell, and the log is
// made a FIFO that is full. While held, the test can put links at the RAM
// folder's names; Release lets the command go on.
class CommandGate {
 public:
  CommandGate() {
    char buffer[4096];
    log_ = sim_platform_file("commands.log", buffer, sizeof buffer);
    aside_ = log_ + ".aside";
    rename(log_.c_str(), aside_.c_str());
    EXPECT_EQ(mkfifo(log_.c_str(), 0644), 0);
    fifo_ = open(log_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    EXPECT_GE(fifo_, 0);
    std::string block(4096, '#');
    while (write(fifo_, block.data(), block.size()) > 0) {
    }
  }
  ~CommandGate() {
    Release();
    close(fifo_);
    unlink(log_.c_str());
    rename(aside_.c_str(), log_.c_str());
  }
  // Empties the FIFO: the command's log line, and the shell's, find room.
  void Release() {
    char buffer[4096];
    while (read(fifo_, buffer, sizeof buffer) > 0) {
    }
  }

 private:
  std::string log_, aside_;
  int fifo_ = -1;
};

// Waits, on the PC's clock, until `path` exists (the plug-in made it).
bool Appears(const char* path) {
  struct stat status;
  for (int i = 0; i < 1000; ++i) {
    if (lstat(path, &status) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

// ---- names and quoting ----

TEST(ScriptNames, NamesAndQuotesAreBuiltWithinTheirBuffers) {
  DeviceEntry entry{};
  char out[64];
  std::strcpy(entry.product, "a/../b$`'\"\xc3\xa4-.x");
  ASSERT_TRUE(DeviceScriptName(out, sizeof out, entry));
  EXPECT_STREQ(out, "a_.._b______-.x.sh");
  // A field filled to its end without a terminator is read within the field;
  // a buffer one byte short is refused and emptied, never cut.
  std::memset(entry.product, 'P', sizeof entry.product);
  std::memset(entry.serial, 'S', sizeof entry.serial);
  ASSERT_TRUE(DeviceScriptName(out, 24, entry));
  EXPECT_EQ(std::string(out), std::string(20, 'P') + ".sh");
  EXPECT_FALSE(DeviceScriptName(out, 23, entry));
  EXPECT_STREQ(out, "");

  ASSERT_TRUE(ShellQuote(out, sizeof out, "a b$`x`"));
  EXPECT_STREQ(out, "'a b$`x`'");
  ASSERT_TRUE(ShellQuote(out, 10, "it's"));  // exactly fits with its terminator
  EXPECT_STREQ(out, "'it'\\''s'");
  EXPECT_FALSE(ShellQuote(out, 9, "it's"));
  EXPECT_STREQ(out, "");
}

// ---- device scripts ----

TEST_F(ScriptsTest, TheDestinationDeviceRunsItsScript) {
  ASSERT_TRUE(sim::PlugDevice({"USB1", "Acme", "My Disk", "7",
                               {{"/dtv/usb/sda1", SIM_FS_FAT, 1ull << 30}, {"/dtv/usb/sda2", SIM_FS_FAT, 1ull << 30}}}));
  BuildDeviceTable();
  ASSERT_STREQ(DeviceDisplayText(device_table.entries[2]), "My Disk 1");
  WriteScript("My_Disk_1.sh");
  WriteScript("My_Disk_2.sh");
  int flips = sim::ScreenFlipCount();
  EXPECT_EQ(RunDeviceScript(2), 1);
  EXPECT_EQ(Ran(), "My_Disk_1.sh in " + scripts_ + "\n");  // run from its own folder
  EXPECT_EQ(sim::ScreenFlipCount(), flips + 1);             // the script icon
  EXPECT_EQ(OsdSurface.load(), nullptr);                    // closed afterwards
}

TEST_F(ScriptsTest, NothingRunsForAutoWhenSwitchedOffOnASplitOrWithoutScript) {
  ASSERT_TRUE(sim::PlugDevice({"USB1", "Acme", "Stick", "7", {{"/dtv/usb/sda1", SIM_FS_FAT, 1ull << 30}}}));
  BuildDeviceTable();
  WriteScript("Auto.sh");
  WriteScript("Stick.sh");
  EXPECT_EQ(RunDeviceScript(0), 1);
  settings.device_script = 0;
  EXPECT_EQ(RunDeviceScript(2), 1);
  settings.device_script = 1;
  split_in_progress = 1;
  EXPECT_EQ(RunDeviceScript(2), 1);
  split_in_progress = 0;
  // Missing scripts: 0, and not even a wrapper is written.
  EXPECT_EQ(RunDeviceScript(1), 0);  // MOVIE001.sh
  EXPECT_EQ(RunDeviceScript(3), 0);  // beyond the table
  EXPECT_EQ(RunDeviceScript(-1), 0);
  EXPECT_EQ(RunScript("source.sh"), 0);
  ExpectNothingRan();
  EXPECT_EQ(OsdSurface.load(), nullptr);
}

// ---- running a script ----

TEST_F(ScriptsTest, TheWrapperRunsExactlyTheScriptThenRemovesTheTag) {
  WriteScript("source.sh", "cp /mtd_ram/_script.sh /mtd_wiselink/wrapper\n"
                           "[ -s /mtd_ram/_script.tag ] && echo stale tag >>/mtd_wiselink/ran.log\n"
                           "[ -f /mtd_ram/_script.tag ] && echo tag made >>/mtd_wiselink/ran.log\n");
  std::ofstream(sim::SandboxPath(kScriptTagPath)) << "old";  // left by an earlier run
  telnet_running = 1;
  auto descriptors = [] {
    auto entries = std::filesystem::directory_iterator("/proc/self/fd");
    return std::distance(begin(entries), end(entries));
  };
  const auto open_before = descriptors();
  EXPECT_EQ(RunScript("source.sh"), 1);
  EXPECT_EQ(descriptors(), open_before);  // the wrapper, the tag and their copies closed
  // The plug-in made a new tag for the run; the wrapper removed it.
  EXPECT_EQ(Ran(), "source.sh in " + scripts_ + "\ntag made\n");
  EXPECT_EQ(ReadText("/mtd_wiselink/wrapper"),
            "opwd=`pwd`\ncd '" + scripts_ + "'\n'" + scripts_ + "/source.sh'\ncd \"$opwd\"\n"
            "\nrm -f '/mtd_ram/_script.tag'\n");
  EXPECT_TRUE(MatchAll(ShellCommands(), {kRunWrapper}));
  EXPECT_FALSE(Exists(kScriptWrapperPath));
  EXPECT_FALSE(Exists(kScriptTagPath));
}

TEST_F(ScriptsTest, AHomeFolderWithBlanksQuotesAndDollarsRunsTheIntendedScript) {
  // Unquoted, "<base>/dir one'..." would run <base>/dir, a decoy.
  std::string home = home_ + "/dir one's $HOME `touch hit` \"x\"";
  ASSERT_EQ(mkdir(home.c_str(), 0755), 0);
  std::string decoy = home_ + "/dir";
  std::ofstream(decoy) << "#!/bin/sh\necho decoy >>" << kRanLog << "\n";
  ASSERT_EQ(chmod(decoy.c_str(), 0755), 0);
  SetHome(home);
  WriteScript("favch.sh");
  telnet_running = 1;
  EXPECT_EQ(RunScript("favch.sh"), 1);
  EXPECT_EQ(Ran(), "favch.sh in " + scripts_ + "\n");
  EXPECT_FALSE(Exists((scripts_ + "/hit").c_str()));
}

TEST_F(ScriptsTest, AnOverlongHomeFolderRunsNothing) {
  WriteScript("source.sh");
  std::memset(settings.home_dir, 'a', sizeof settings.home_dir);  // not even terminated
  EXPECT_EQ(RunScript("source.sh"), 0);
  // One character too many for the 256-byte path buffer.
  std::string home = "/" + std::string(255 - std::strlen("/scripts/source.sh"), 'h');
  std::snprintf(settings.home_dir, sizeof settings.home_dir, "%s/", home.c_str());
  EXPECT_EQ(std::strlen(settings.home_dir) + std::strlen("scripts/source.sh"), 256u);
  EXPECT_EQ(RunScript("source.sh"), 0);
  EXPECT_EQ(RunScript(std::string(300, 'n').c_str()), 0);
  ExpectNothingRan();
}

// ---- telnetd ----

TEST_F(ScriptsTest, TelnetdFoundAtStartIsNeverStartedAgain) {
  ASSERT_TRUE(sim::SetTelnetdRunning(true));
  telnet_running = TelnetRunning();  // what init_config does
  EXPECT_EQ(telnet_running.load(), 1);
  sim::ClearCommandLog();
  WriteScript("source.sh");
  EXPECT_EQ(RunScript("source.sh"), 1);
  EXPECT_TRUE(MatchAll(ShellCommands(), {kRunWrapper}));
}

TEST_F(ScriptsTest, TheFirstScriptStartsTelnetdWhenItDoesNotRun) {
  WriteScript("source.sh", "ps | grep -q 'telnet[d]' && echo telnetd up >>/mtd_wiselink/ran.log\n");
  EXPECT_EQ(RunScript("source.sh"), 1);
  EXPECT_EQ(telnet_running.load(), 1);
  EXPECT_EQ(Ran(), "source.sh in " + scripts_ + "\ntelnetd up\n");
  // Only fixed command lines reach the shell; the script's own ps comes last.
  EXPECT_TRUE(MatchAll(sim::CommandLog(), {"system: " + kProbe, "ps",
                                           "system: mount -t devpts devpts /dev/pts",
                                           "mount -t devpts devpts /dev/pts", "system: telnetd",
                                           "telnetd started", "system: " + kRunWrapper, "ps"}));
  EXPECT_FALSE(Exists(kTelnetProbePath));
  // Known to run now: the next script neither probes nor starts it.
  sim::ClearCommandLog();
  EXPECT_EQ(RunScript("source.sh"), 1);
  EXPECT_TRUE(MatchAll(ShellCommands(), {kRunWrapper}));
}

// ---- the RAM folder ----

TEST_F(ScriptsTest, LinksPlacedAtTheFixedNamesAreNeverFollowed) {
  WriteScript("source.sh");
  std::vector<std::string> victims;
  for (const char* name : {kScriptWrapperPath, kScriptTagPath, kTelnetProbePath}) {
    std::string victim = home_ + "/victim" + std::to_string(victims.size());
    std::ofstream(victim) << "keep";
    ASSERT_EQ(symlink(victim.c_str(), name), 0);
    victims.push_back(victim);
  }
  EXPECT_EQ(RunScript("source.sh"), 1);  // probes and starts telnetd too
  EXPECT_EQ(Ran(), "source.sh in " + scripts_ + "\n");
  for (const std::string& victim : victims) {
    EXPECT_EQ(ReadText(victim), "keep") << victim;
    struct stat status;
    ASSERT_EQ(stat(victim.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0111, 0u) << victim;  // chmod a+x did not reach it
  }
  for (const char* name : {kScriptWrapperPath, kScriptTagPath, kTelnetProbePath}) EXPECT_FALSE(Exists(name));
}

// Links put at the names after the plug-in made its files and before the
// shell starts: the shell runs the wrapper the plug-in wrote and writes the
// probe output into the plug-in's file, and nothing reaches the targets.
TEST_F(ScriptsTest, LinksPlacedWhileTheShellStartsAreNeverFollowed) {
  WriteScript("source.sh");
  telnet_running = 1;
  // A script of someone else's, and a tag target that does not exist yet.
  std::string decoy = home_ + "/decoy.sh";
  std::ofstream(decoy) << "echo decoy ran >>" << sim::SandboxPath(kRanLog) << "\n";
  std::string tag_target = home_ + "/tag_target";
  int result = 0;
  {
    CommandGate gate;
    std::thread run([&] { result = RunScript("source.sh"); });
    bool made = Appears(kScriptTagPath);  // the wrapper is written before the tag
    unlink(kScriptWrapperPath);
    unlink(kScriptTagPath);
    EXPECT_EQ(symlink(decoy.c_str(), kScriptWrapperPath), 0);
    EXPECT_EQ(symlink(tag_target.c_str(), kScriptTagPath), 0);
    gate.Release();
    run.join();
    EXPECT_TRUE(made);
  }
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Ran(), "source.sh in " + scripts_ + "\n");  // the decoy never ran
  struct stat status;
  ASSERT_EQ(stat(decoy.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0111, 0u);  // nor was it made executable
  EXPECT_NE(lstat(tag_target.c_str(), &status), 0);  // nor the tag's target made
  // The links went with the plug-in's own names.
  EXPECT_FALSE(Exists(kScriptWrapperPath));
  EXPECT_FALSE(Exists(kScriptTagPath));
}

TEST_F(ScriptsTest, ALinkPlacedAtTheProbeWhileTheShellStartsIsNeverFollowed) {
  ASSERT_TRUE(sim::SetTelnetdRunning(true));
  std::string victim = home_ + "/victim";
  std::ofstream(victim) << "keep";
  int found = -1;
  {
    CommandGate gate;
    std::thread probe([&] { found = TelnetRunning(); });
    bool made = Appears(kTelnetProbePath);
    unlink(kTelnetProbePath);
    EXPECT_EQ(symlink(victim.c_str(), kTelnetProbePath), 0);
    gate.Release();
    probe.join();
    EXPECT_TRUE(made);
  }
  EXPECT_EQ(ReadText(victim), "keep");
  EXPECT_EQ(found, 1);  // the process list reached the plug-in's own file
  EXPECT_FALSE(Exists(kTelnetProbePath));
}

TEST_F(ScriptsTest, AnUnwritableRamFolderGivesMinusOneAndLeavesNoWrapper) {
  WriteScript("source.sh");
  telnet_running = 1;
  // The RAM folder is no folder at all.
  std::string ram = sim::SandboxPath("/mtd_ram");
  ASSERT_EQ(rename(ram.c_str(), (ram + ".aside").c_str()), 0);
  std::ofstream(ram) << "";
  int result = RunScript("source.sh");
  unlink(ram.c_str());
  ASSERT_EQ(rename((ram + ".aside").c_str(), ram.c_str()), 0);
  EXPECT_EQ(result, -1);
  ExpectNothingRan();

  // The folder takes the file, but not its bytes (a full RAM disk).
  struct rlimit limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
  struct rlimit small = {16, limit.rlim_max};
  void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  result = RunScript("source.sh");
  setrlimit(RLIMIT_FSIZE, &limit);
  signal(SIGXFSZ, previous);
  EXPECT_EQ(result, -1);
  ExpectNothingRan();
}

// ---- what a script gets from the host ----

TEST_F(ScriptsTest, AScriptThatRunsOnGivesTheRemoteBackAfterTenSeconds) {
  WriteScript("favch.sh", "echo $$ >/mtd_wiselink/sleeper.pid\nexec sleep 30\n");
  telnet_running = 1;
  sim_clock_set(-1, 10.0);  // ten seconds of TV time pass in one
  int64_t start = sim_clock_wall_ns();
  EXPECT_EQ(RunScript("favch.sh"), 1);
  double seconds = static_cast<double>(sim_clock_wall_ns() - start) / 1e9;
  sim_clock_reset();
  EXPECT_GE(seconds, 10.0);
  EXPECT_LT(seconds, 20.0);
  EXPECT_FALSE(Exists(kScriptWrapperPath));
  EXPECT_FALSE(Exists(kScriptTagPath));

  // The script still runs. Someone puts a link at the tag's name; once the
  // script is stopped, the wrapper removes that link, and its target stays
  // as it was: not even made.
  std::string target = home_ + "/tag_target";
  ASSERT_EQ(symlink(target.c_str(), kScriptTagPath), 0);
  pid_t sleeper = std::atoi(ReadText("/mtd_wiselink/sleeper.pid").c_str());
  ASSERT_GT(sleeper, 0);
  EXPECT_EQ(kill(sleeper, SIGTERM), 0);
  for (int i = 0; i < 500 && Exists(kScriptTagPath); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_FALSE(Exists(kScriptTagPath));
  struct stat status;
  EXPECT_NE(lstat(target.c_str(), &status), 0);
  unlink(kScriptTagPath);
}

TEST_F(ScriptsTest, AScriptInheritsNoFontOrImageFile) {
  OpenOsd();
  ASSERT_NE(StandardFont[0], nullptr);
  WriteScript("source.sh", "ls -l /proc/$$/fd/ >/mtd_wiselink/fds\n");
  telnet_running = 1;
  EXPECT_EQ(RunScript("source.sh"), 1);
  std::string listing = ReadText("/mtd_wiselink/fds");
  EXPECT_NE(listing.find("->"), std::string::npos) << listing;
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    if (line.find(scripts_ + "/source.sh") != std::string::npos) continue;  // the shell reads its script
    EXPECT_EQ(line.find(BuildHome()), std::string::npos) << line;
    EXPECT_EQ(line.find(home_), std::string::npos) << line;
  }

  // Loads that fail close what they opened.
  auto descriptors = [] {
    auto entries = std::filesystem::directory_iterator("/proc/self/fd");
    return std::distance(begin(entries), end(entries));
  };
  std::string junk = home_ + "/osd/junk.png";
  std::ofstream(junk) << "neither a font nor an image";
  auto before = descriptors();
  EXPECT_EQ(text_library.open_font(junk.c_str(), 20), nullptr);
  EXPECT_EQ(LoadImageFile(junk.c_str()), nullptr);
  EXPECT_EQ(descriptors(), before);
}

void HostHandler(int) {}

TEST_F(ScriptsTest, TheHostsSignalDispositionsStayAsTheHostSetThem) {
  struct sigaction host {};
  host.sa_handler = HostHandler;
  sigaction(SIGINT, &host, nullptr);
  sigaction(SIGCHLD, &host, nullptr);
  SignalDispositions before;
  SaveSignalDispositions(&before);
  WriteScript("source.sh");
  EXPECT_EQ(RunScript("source.sh"), 1);  // probes and starts telnetd too
  for (int sig = 1; sig < NSIG; ++sig) {
    struct sigaction now;
    if (!before.valid[sig] || sigaction(sig, nullptr, &now) != 0) continue;
    EXPECT_TRUE(SameDisposition(now, before.action[sig])) << "signal " << sig;
  }
  signal(SIGINT, SIG_DFL);
  signal(SIGCHLD, SIG_DFL);
}

// ---- the script icon ----

TEST_F(ScriptsTest, TheScriptIconShowsOnlyWhereTheOverlayMayDraw) {
  int flips = sim::ScreenFlipCount();
  settings.osd_opacity = 0;
  ShowScriptIcon();
  settings.osd_opacity = 100;
  key44_count = 1;
  ShowScriptIcon();
  key44_count = 0;
  EXPECT_EQ(OsdSurface.load(), nullptr);
  EXPECT_EQ(sim::ScreenFlipCount(), flips);
  ShowScriptIcon();
  EXPECT_NE(OsdSurface.load(), nullptr);  // left open with the icon on it
  EXPECT_EQ(sim::ScreenFlipCount(), flips + 1);
  CloseOsd();
  unlink((home_ + "/osd/icon_script.png").c_str());  // nothing to show: closed again
  ShowScriptIcon();
  EXPECT_EQ(OsdSurface.load(), nullptr);
}

}  // namespace
