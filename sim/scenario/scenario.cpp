#include "sim/scenario/scenario.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <fstream>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "sim/host/guide.h"
#include "sim/host/recorder.h"
#include "sim/host/host_state.h"
#include "sim/host/keys/key_input.h"
#include "sim/loader.h"
#include "sim/platform/faults.h"
#include "sim/platform/sim_time.h"
#include "sim/platform/tv_time.h"
#include "sim/platform/set_commands.h"
#include "sim/platform/virtual_disks.h"
#include "sim/screen/screen.h"
#include "sim/scenario/check_report.h"
#include "sim/scenario/checks.h"
#include "sim/scenario/file_checks.h"
#include "sim/scenario/output_log.h"
#include "sim/scenario/step_arguments.h"

namespace sim {
namespace {

constexpr int kDefaultHoldMs = 100;

// ---- What each step does. A step returns false with a reason when it
// cannot be carried out.

using Step = ScenarioStep;

// key and press need the remote free: one key is held at a time.
bool RemoteFree(std::string* reason) {
  if (std::optional<int> held = HeldKey()) {
    *reason = "key " + std::to_string(*held) + " is held: release it first";
    return false;
  }
  return true;
}

bool KeyStep(const Step& step, LoadedPlugin&, std::string* reason) {
  if (!RemoteFree(reason)) return false;
  long long hold_ms = std::min<long long>(Number(step, 2, kDefaultHoldMs), INT32_MAX);
  QueueKey(KeyArgument(step, 1), Int(step, 3, 0), static_cast<int>(hold_ms));
  return true;
}

bool PressStep(const Step& step, LoadedPlugin&, std::string* reason) {
  return RemoteFree(reason) && QueuePress(KeyArgument(step, 1), Int(step, 2, 0));
}

bool ReleaseStep(const Step&, LoadedPlugin&, std::string* reason) {
  if (QueueRelease()) return true;
  *reason = "release without a held key";
  return false;
}

bool WaitStep(const Step& step, LoadedPlugin&, std::string*) {
  WaitKeysIdle();
  // TV time: the platform layer scales the sleep.
  std::this_thread::sleep_for(std::chrono::milliseconds(Number(step, 1, 0)));
  return true;
}

bool SetupStep(const Step&, LoadedPlugin& plugin, std::string*) {
  WaitKeysIdle();
  HostLog("loader: setup returned " + std::to_string(plugin.setup()));
  return true;
}

bool SettingStep(const Step& step, LoadedPlugin& plugin, std::string* reason) {
  SettingValue setting;
  if (!ToSettingValue(step.words[1], step.words[2], &setting, reason)) return false;
  WaitKeysIdle();
  RestartWithSetting(&plugin, setting);
  return true;
}

bool ChannelStep(const Step& step, LoadedPlugin&, std::string* reason) {
  int channel = Int(step, 1, 0);
  if (!SetCurrentChannel(channel)) {
    *reason = "no such channel";
    return false;
  }
  std::optional<GuideProgramme> programme = PresentProgramme(channel);
  SetPictureCaption(channel, programme ? programme->title : "");
  HostLog("channel " + step.words[1]);
  return true;
}

bool NoChannelStep(const Step&, LoadedPlugin&, std::string*) {
  ClearCurrentChannel();
  HostLog("no channel");
  return true;
}

bool BroadcastStep(const Step& step, LoadedPlugin&, std::string* reason) {
  if (step.words[1] != "off") {
    *reason = "broadcast takes off";
    return false;
  }
  UnsetBroadcastTime();
  return true;
}

bool LanguageStep(const Step& step, LoadedPlugin&, std::string*) {
  {
    std::lock_guard lock(Host().mutex);
    Host().menu_language = Int(step, 1, 0);
  }
  HostLog("menu language " + step.words[1]);
  return true;
}

bool PlugStep(const Step& step, LoadedPlugin&, std::string* reason) {
  const std::vector<std::string>& w = step.words;
  UsbDevice device{w[1], w[2], w[3], w[4], {}};
  for (size_t i = 5; i < w.size(); ++i) {
    Partition partition;
    ToPartition(w[i], &partition);
    device.partitions.push_back(partition);
  }
  if (!PlugDevice(device)) {
    *reason = "cannot plug " + w[1];
    return false;
  }
  HostLog("plugged " + w[1] + " (" + w[3] + ")");
  return true;
}

bool UnplugStep(const Step& step, LoadedPlugin&, std::string* reason) {
  if (!UnplugDevice(step.words[1])) {
    *reason = "no device " + step.words[1];
    return false;
  }
  HostLog("unplugged " + step.words[1]);
  return true;
}

bool RemountStep(const Step& step, LoadedPlugin&, std::string* reason) {
  const std::vector<std::string>& w = step.words;
  if (!RemountPartition(w[1], static_cast<size_t>(Number(step, 2, 0)), w[3])) {
    *reason = "cannot remount";
    return false;
  }
  HostLog("remounted " + w[1] + " at " + w[3]);
  return true;
}

// A file of MB MiB on the disk; with "free", the file takes what the disk
// has free (statvfs, as the plug-in sees it) but MB MiB.
bool FillStep(const Step& step, LoadedPlugin&, std::string* reason) {
  const std::string file = SandboxPath(step.words[1]) + "/fill.bin";
  long long bytes = Number(step, 2, 0) << 20;
  if (step.words.size() > 3) {
    struct statvfs disk {};
    struct stat fill {};
    if (statvfs(step.words[1].c_str(), &disk) != 0) {
      *reason = "cannot measure " + step.words[1] + ": " + std::strerror(errno);
      return false;
    }
    const long long held = stat(file.c_str(), &fill) == 0 ? static_cast<long long>(fill.st_size) : 0;
    const long long free_bytes = static_cast<long long>(disk.f_bavail) * static_cast<long long>(disk.f_frsize);
    bytes = std::max(0LL, held + free_bytes - bytes);
  }
  int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  bool filled = fd >= 0 && ftruncate(fd, static_cast<off_t>(bytes)) == 0;
  if (fd >= 0) close(fd);
  if (!filled) {
    *reason = "cannot fill " + step.words[1];
    return false;
  }
  HostLog("filled " + step.words[1] + " with " + std::to_string(bytes >> 20) + " MiB" +
          (step.words.size() > 3 ? ", " + step.words[2] + " MiB free" : ""));
  return true;
}

bool FolderStep(const Step& step, LoadedPlugin&, std::string* reason) {
  std::error_code error;
  std::filesystem::create_directories(SandboxPath(step.words[1]), error);
  if (error) {
    *reason = "cannot make " + step.words[1] + ": " + error.message();
    return false;
  }
  HostLog("folder " + step.words[1]);
  return true;
}

bool RecordStep(const Step& step, LoadedPlugin&, std::string*) {
  spI_Stream_Record(step.words[1].c_str());
  return true;
}

bool StopStep(const Step&, LoadedPlugin&, std::string*) {
  spI_Stream_Record_Stop();
  return true;
}

bool TvStep(const Step&, LoadedPlugin&, std::string*) {
  WaitKeysIdle();
  int frozen, main_muted, pip_muted, option15;
  {
    std::lock_guard lock(Host().mutex);
    frozen = Host().frozen;
    main_muted = Host().main_window_muted;
    pip_muted = Host().pip_window_muted;
    option15 = Host().options[15];
  }
  HostLog(std::string("tv: picture ") + (frozen ? "frozen" : "running") + ", main video " +
          (main_muted ? "muted" : "unmuted") + ", PIP video " + (pip_muted ? "muted" : "unmuted") +
          ", option 15 = " + std::to_string(option15));
  return true;
}

bool ScreenshotStep(const Step& step, LoadedPlugin&, std::string* reason) {
  WaitKeysIdle();
  if (!SaveScreenshot(step.words[1], reason)) return false;
  // The flip it shows: the frames saved with --frames are numbered by flip.
  HostLog("screen saved: " + step.words[1] + " (flip " + std::to_string(ScreenFlipCount()) + ")");
  return true;
}

bool SayStep(const Step& step, LoadedPlugin&, std::string*) {
  HostLog(Rest(step.words, 1));
  return true;
}

bool ShowStep(const Step& step, LoadedPlugin&, std::string* reason) {
  WaitKeysIdle();
  std::ifstream file(SandboxPath(step.words[1]));
  if (!file) {
    *reason = "no file " + step.words[1];
    return false;
  }
  std::string line;
  while (std::getline(file, line)) HostLog(step.words[1] + ": " + line);
  return true;
}

// One line per entry of the set's folder, by name (DescribeEntry);
// "(empty)" for none.
bool FilesStep(const Step& step, LoadedPlugin&, std::string* reason) {
  WaitKeysIdle();
  const std::string folder = SandboxPath(step.words[1]);
  std::error_code error;
  const std::vector<std::string> names = SortedNames(folder, &error);
  if (error) {
    *reason = "cannot list " + step.words[1] + ": " + error.message();
    return false;
  }
  if (names.empty()) HostLog("files " + step.words[1] + ": (empty)");
  for (const std::string& name : names)
    HostLog("files " + step.words[1] + ": " + DescribeEntry(folder, name));
  return true;
}

bool TelnetdStep(const Step& step, LoadedPlugin&, std::string* reason) {
  const std::string& state = step.words[1];
  if ((state != "running" && state != "stopped") || !SetTelnetdRunning(state == "running")) {
    *reason = "telnetd takes running or stopped";
    return false;
  }
  HostLog("telnetd " + state);
  return true;
}

bool BitrateStep(const Step& step, LoadedPlugin&, std::string*) {
  SetRecorderBitrate(Number(step, 1, 0) << 10);
  HostLog("recorder bitrate " + step.words[1] + " KiB/s");
  return true;
}

bool GrowthStep(const Step& step, LoadedPlugin&, std::string*) {
  SetRecorderGrowth(Number(step, 1, 0) << 20);
  HostLog("recorder growth " + step.words[1] + " MiB/s");
  return true;
}

// The error a fault of each kind gives when the step names none.
bool FaultStep(const Step& step, LoadedPlugin&, std::string* reason) {
  WaitKeysIdle();
  sim_fault_kind kind = ToFaultKind(step.words[1]);
  int error = step.words.size() > 3 ? sim_fault_error_named(step.words[3].c_str())
                                    : sim_fault_default_error(kind);
  if (sim_fault_set(kind, step.words[2].c_str(), error) != 0) {
    *reason = "cannot set the fault: " + std::string(std::strerror(errno));
    return false;
  }
  HostLog("fault " + step.words[1] + " below " + step.words[2] + ": " + std::strerror(error));
  return true;
}

bool HealStep(const Step& step, LoadedPlugin&, std::string*) {
  WaitKeysIdle();
  const std::string& path = step.words[1];
  int removed = sim_fault_clear(path == "all" ? nullptr : path.c_str());
  HostLog("healed " + path + " (" + std::to_string(removed) + " faults)");
  return true;
}

bool ClockStep(const Step& step, LoadedPlugin&, std::string*) {
  WaitKeysIdle();
  sim_clock_jump(Number(step, 1, 0));
  HostLog("clock jumped by " + step.words[1] + " s");
  return true;
}

// ---- Holding a thread at a point of TV time (sim/platform/tv_time.h): an
// edge between threads played the same way every time.
constexpr long long kDefaultReachMs = 60000;

bool HoldStep(const Step& step, LoadedPlugin&, std::string* reason) {
  if (tv_time_hold(step.words[1].c_str()) == 0) {
    HostLog("hold " + step.words[1]);
    return true;
  }
  *reason = "no room for another hold";
  return false;
}

bool ReachedStep(const Step& step, LoadedPlugin&, std::string* reason) {
  WaitKeysIdle();
  const long long ms = Number(step, 2, kDefaultReachMs);
  if (tv_time_wait_held(step.words[1].c_str(), ms * 1000000) == 1) {
    HostLog("held at " + step.words[1]);
    return true;
  }
  *reason = "no thread reached " + step.words[1] + " within " + std::to_string(ms) + " ms";
  return false;
}

bool ResumeStep(const Step& step, LoadedPlugin&, std::string* reason) {
  int result = tv_time_resume(step.words[1].c_str());
  if (result < 0) {
    *reason = "no hold on " + step.words[1];
    return false;
  }
  HostLog("resumed " + step.words[1] + (result == 0 ? " (nothing was held)" : ""));
  return true;
}

// The end of the run: the remote lets go of a held key, the key-input
// thread stops, a recording still running is ended properly, the set's shell
// log is printed and the surface's guard bands are checked. Once only.
std::atomic<bool> tv_ended{false};

bool EndStep(const Step&, LoadedPlugin&, std::string*) {
  EndOfRun();
  return true;
}

// ---- The steps: parsing, help and running all read this table.
enum class Group { kAction, kCheck };

struct StepKind {
  const char* name;
  const char* arguments;  // as the help shows them
  const char* kinds;      // one letter per argument (sim/scenario/step_arguments.h)
  size_t required;        // how many of them must be given
  bool (*run)(const Step&, LoadedPlugin&, std::string* reason);
  const char* help;
  Group group = Group::kAction;  // checks report a failure and the scenario plays on
};

constexpr Group kCheck = Group::kCheck;

const StepKind StepKinds[] = {
    {"key", "K [HOLD_MS [ARG]]", "Kcn", 1, KeyStep,
     "press key K (a code or a button: RECORD) with ARG (0), hold HOLD_MS ms (100), release"},
    {"press", "K [ARG]", "Kn", 1, PressStep,
     "press key K with ARG (0); it stays held"},
    {"release", "", "", 0, ReleaseStep,
     "release the held key"},
    {"wait", "MS", "c", 1, WaitStep,
     "let the queued keys finish, then MS ms of TV time"},
    {"setup", "", "", 0, SetupStep,
     "the loader calls setup()"},
    {"setting", "NAME VALUE", "tv", 2, SettingStep,
     "init_config again with record field NAME = VALUE (recolyx_extra.cfg's settings: that file)"},
    {"channel", "N", "n", 1, ChannelStep,
     "tune channel N"},
    {"nochannel", "", "", 0, NoChannelStep,
     "no channel at all"},
    {"broadcast", "off", "w", 1, BroadcastStep,
     "the broadcast clock stops being sent"},
    {"language", "N", "n", 1, LanguageStep,
     "the TV's menu language number (13 German, 18 English...)"},
    {"plug", "SECTION VENDOR PRODUCT SERIAL FS:SIZE:MOUNT...", "wwwwp*", 5, PlugStep,
     "a USB device (FS fat ntfs ext cifs smb nfs internal; SIZE 8G...)"},
    {"unplug", "SECTION", "w", 1, UnplugStep,
     "the device disappears"},
    {"remount", "SECTION N MOUNT", "wcs", 3, RemountStep,
     "partition N (from 0) moves to MOUNT"},
    {"fill", "MOUNT MB [free]", "scq", 2, FillStep,
     "a file of MB MiB appears on that folder's disk (free: all but MB MiB of it fills)"},
    {"folder", "PATH", "s", 1, FolderStep,
     "a folder appears (with its parents)"},
    {"record", "FILE", "s", 1, RecordStep,
     "the host's recorder starts on its own"},
    {"stop", "", "", 0, StopStep,
     "the host's recorder stops"},
    {"bitrate", "KIB_S", "c", 1, BitrateStep,
     "the recorder's bitrate for the next recordings"},
    {"growth", "MIB_S", "c", 1, GrowthStep,
     "the next recordings also grow MIB_S sparse MiB/s"},
    {"fault", "KIND PATH [ERROR]", "fse", 2, FaultStep,
     "below PATH: write, rename, remove fail / readonly"},
    {"heal", "PATH|all", "a", 1, HealStep,
     "the faults set at PATH (all: every fault) end"},
    {"hold", "POINT", "o", 1, HoldStep,
     "the next thread to reach POINT stays there (record-start record-stop tick flip wait wait-MS)"},
    {"reached", "POINT [MS]", "oc", 1, ReachedStep,
     "TV time goes on until a thread is held at POINT (at most MS ms, 60000)"},
    {"resume", "POINT", "o", 1, ResumeStep,
     "the thread held at POINT goes on"},
    {"clock", "SECONDS", "n", 1, ClockStep,
     "the TV's wall clock jumps (negative: backwards)"},
    {"tv", "", "", 0, TvStep,
     "print freeze, video mute and option 15 (picture off)"},
    {"screenshot", "FILE", "g", 1, ScreenshotStep,
     "save the screen as a PNG"},
    {"say", "TEXT", "w*", 0, SayStep,
     "print TEXT"},
    {"show", "FILE", "s", 1, ShowStep,
     "print each line of the set's file FILE"},
    {"files", "FOLDER", "s", 1, FilesStep,
     "print the set's folder FOLDER: its files with sizes"},
    {"telnetd", "running|stopped", "w", 1, TelnetdStep,
     "the set's telnet daemon runs / has ended"},
    {"end", "", "", 0, EndStep,
     "the TV shuts down here; only checks may follow"},
    // Expectations (sim/scenario/checks.h).
    {"expect", "REGEX", "r", 1, ExpectStep,
     "a line printed since the previous expect's line matches", kCheck},
    {"never", "REGEX", "r", 1, NeverStep,
     "no line printed in the whole run matches REGEX", kCheck},
    {"same", "REGEX", "r", 1, SameStep,
     "2+ lines so far match REGEX, all with the same first group", kCheck},
    {"file", "FOLDER NAME [SIZE] [stream]", "hxzz", 2, FileStep,
     "a file NAME (regex) of SIZE (N MIN-MAX MIN- -MAX; K M G T), a stream", kCheck},
    {"nofile", "FOLDER NAME", "hx", 2, NoFileStep,
     "no entry of FOLDER has a name matching NAME", kCheck},
    {"plays", "FOLDER NAME SECONDS", "hxc", 3, PlaysStep,
     "ffprobe plays each file NAME (.m3u: as a playlist) as SECONDS s of TV time (2 %)", kCheck},
    {"option", "N VALUE", "nn", 2, OptionStep,
     "the host's TV option N holds VALUE", kCheck},
    {"muted", "yes|no", "y", 1, MutedStep,
     "the host's main video is muted / not", kCheck},
    {"frozen", "yes|no", "y", 1, FrozenStep,
     "the host's picture is frozen / not", kCheck},
    {"lastkey", "K [ARG]", "Kn", 1, LastKeyStep,
     "the last press the host processed was key K (with ARG)", kCheck},
    {"saved", "NAME VALUE", "tv", 2, SavedStep,
     "the saved recolyx.cfg (recolyx_extra.cfg) holds VALUE in field NAME", kCheck},
    {"pixel", "X Y RRGGBB [TOLERANCE]", "XYkc", 3, PixelStep,
     "the screen's colour at X,Y, each channel within TOLERANCE (8)", kCheck},
    {"area", "X Y W H RRGGBB [TOLERANCE]", "XYWHkc", 5, AreaStep,
     "the mean colour of that rectangle, within TOLERANCE (8)", kCheck},
};

// Checks the arguments of a step of this kind: their number and kinds.
bool CheckArguments(const StepKind& kind, const ScenarioStep& step, std::string* reason) {
  const std::vector<std::string>& words = step.words;
  const std::string kinds = kind.kinds;
  const bool repeats = !kinds.empty() && kinds.back() == '*';
  const size_t listed = repeats ? kinds.size() - 1 : kinds.size();
  const size_t given = words.size() - 1;
  // A regular expression takes the rest of the line: any number of words.
  const bool rest_of_line = kinds == "r";
  if (given < kind.required || (!repeats && !rest_of_line && given > listed)) {
    *reason = words[0] + " takes " + (kind.arguments[0] ? kind.arguments : "no arguments");
    return false;
  }
  if (rest_of_line) return CheckArgument('r', words, 1, step.rest, reason);
  for (size_t i = 1; i < words.size(); ++i) {
    char letter = kinds[i - 1 < listed ? i - 1 : listed - 1];
    if (!CheckArgument(letter, words, i, step.rest, reason)) return false;
  }
  return true;
}

std::string AtLine(int line, const std::string& reason) {
  return "line " + std::to_string(line) + ": " + reason;
}

// The text after the step's name, without the blanks around it.
std::string RestOfLine(const std::string& line, const std::string& name) {
  size_t from = line.find(name) + name.size();
  size_t first = line.find_first_not_of(" \t", from);
  if (first == std::string::npos) return "";
  size_t last = line.find_last_not_of(" \t\r");
  return line.substr(first, last - first + 1);
}

void PrintGroup(FILE* out, Group group) {
  for (const StepKind& kind : StepKinds) {
    if (kind.group != group) continue;
    PrintHelpLine(out, std::string(kind.name) + (kind.arguments[0] ? " " : "") + kind.arguments, kind.help);
  }
}

}  // namespace

const char* ScenarioStepHelp(const std::string& name) {
  for (const StepKind& kind : StepKinds)
    if (name == kind.name) return kind.help;
  return nullptr;
}

bool ParseScenario(const std::string& text, std::vector<ScenarioStep>* steps, std::string* error) {
  std::istringstream lines(text);
  std::string line;
  bool ended = false;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    ScenarioStep step;
    step.line = number;
    std::istringstream words(line);
    for (std::string word; words >> word;) step.words.push_back(word);
    if (step.words.empty()) continue;
    step.rest = RestOfLine(line, step.words[0]);
    step.kind = std::size(StepKinds);
    for (size_t i = 0; i < std::size(StepKinds); ++i)
      if (step.words[0] == StepKinds[i].name) step.kind = i;
    if (step.kind == std::size(StepKinds)) {
      *error = AtLine(number, "unknown step " + QuotedWord(step.words[0]));
      return false;
    }
    std::string reason;
    if (!CheckArguments(StepKinds[step.kind], step, &reason)) {
      *error = AtLine(number, reason);
      return false;
    }
    if (ended && StepKinds[step.kind].group != Group::kCheck) {
      *error = AtLine(number, "only checks may follow end, not " + QuotedWord(step.words[0]));
      return false;
    }
    ended = ended || step.words[0] == "end";
    steps->push_back(std::move(step));
  }
  return true;
}

namespace {

// Runs parsed steps in order; a failed check is reported and the steps go
// on, a step that cannot be carried out ends them.
bool RunSteps(const std::vector<ScenarioStep>& steps, LoadedPlugin& plugin, std::string* error) {
  for (const ScenarioStep& step : steps) {
    std::string reason;
    if (step.kind >= std::size(StepKinds)) {
      *error = AtLine(step.line, "not a parsed step");
      return false;
    }
    const StepKind& kind = StepKinds[step.kind];
    if (kind.run(step, plugin, &reason)) continue;
    if (kind.group == Group::kCheck) {
      ReportCheckFailure(step.line, reason);
      continue;
    }
    *error = AtLine(step.line, reason);
    return false;
  }
  return true;
}

}  // namespace

bool RunScenario(const std::vector<ScenarioStep>& steps, LoadedPlugin& plugin,
                 std::string* error) {
  WatchNeverSteps(steps);
  if (!RunSteps(steps, plugin, error)) return false;
  // The remote lets go of a key still held.
  QueueRelease();
  WaitKeysIdle();
  return true;
}

bool PlayLines(const std::string& text, LoadedPlugin& plugin, std::string* error) {
  std::vector<ScenarioStep> steps;
  return ParseScenario(text, &steps, error) && RunSteps(steps, plugin, error);
}

void CheckRefusedScenario(const std::vector<ScenarioStep>& parsed) {
  WatchNeverSteps(parsed);
  LoadedPlugin none;
  for (const ScenarioStep& step : parsed) {
    const bool on_pc = step.words.size() > 1 && !step.words[1].empty() && step.words[1][0] != '/';
    if ((step.words[0] != "file" && step.words[0] != "nofile") || !on_pc) continue;
    std::string reason;
    if (!StepKinds[step.kind].run(step, none, &reason)) ReportCheckFailure(step.line, reason);
  }
}

void EndOfRun() {
  if (tv_ended.exchange(true)) return;
  QueueRelease();
  WaitKeysIdle();
  StopKeyInput();
  // A recording still running when the TV shuts down is ended properly.
  if (GetRecorderStatus().recording) spI_Stream_Record_Stop();
  // What the plug-in had the set's shell run, and what the set's commands did.
  for (const std::string& line : CommandLog()) HostLog("shell: " + line);
  // Anything the plug-in wrote outside its surface fails the run.
  CheckOverlayGuards("the end of the run");
}

void PrintHelpLine(FILE* out, const std::string& usage, const char* help) {
  // A long usage gets the help on a line of its own.
  if (usage.size() > 24) std::fprintf(out, "  %s\n", usage.c_str());
  std::fprintf(out, "  %-24s %s\n", usage.size() > 24 ? "" : usage.c_str(), help ? help : "");
}

void PrintScenarioSteps(FILE* out) { PrintGroup(out, Group::kAction); }

void PrintScenarioChecks(FILE* out) { PrintGroup(out, Group::kCheck); }

}  // namespace sim
