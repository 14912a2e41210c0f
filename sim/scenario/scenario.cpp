#include "sim/scenario/scenario.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <cerrno>
#include <cstring>
#include <charconv>
#include <chrono>
#include <fstream>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <sstream>
#include <thread>

#include "sim/host/guide.h"
#include "sim/host/recorder.h"
#include "sim/host/host_state.h"
#include "sim/host/keys/key_input.h"
#include "sim/loader.h"
#include "sim/platform/faults.h"
#include "sim/platform/plugin_view.h"
#include "sim/platform/sim_time.h"
#include "sim/platform/set_commands.h"
#include "sim/platform/virtual_disks.h"
#include "sim/screen/screen.h"

namespace sim {
namespace {

// ---- Arguments. Each step names the kind of each of its arguments with one
// letter; the parser checks them all before anything runs:
//   n  a whole number that fits an int (keys, arguments, channels)
//   c  a count from 0 to 2^38 (milliseconds, MiB, partition numbers): about
//      ten years of milliseconds, so that nothing computed from it overflows
//   w  any word
//   p  a partition FS:SIZE:MOUNT
//   s  a path of the set that stays within the set's folders
//   f  a fault kind: write, rename, remove, readonly
//   e  an error name: nospace, io, access, readonly, missing
//   v  a value for the setting named by the argument before it
// A trailing '*' lets the last kind repeat.

constexpr long long kCountLimit = 1LL << 38;
constexpr int kDefaultHoldMs = 100;

bool ToWhole(const std::string& word, long long low, long long high, long long* value) {
  const char* end = word.data() + word.size();
  auto [stop, failure] = std::from_chars(word.data(), end, *value);
  return !word.empty() && failure == std::errc() && stop == end && *value >= low &&
         *value <= high;
}

bool ToInt(const std::string& word, long long* value) {
  return ToWhole(word, INT32_MIN, INT32_MAX, value);
}

bool ToCount(const std::string& word, long long* value) {
  return ToWhole(word, 0, kCountLimit, value);
}

// "512M", "8G", "5T" or plain bytes.
bool ToBytes(const std::string& word, uint64_t* bytes) {
  char* end = nullptr;
  unsigned long long number = std::strtoull(word.c_str(), &end, 10);
  if (end == word.c_str() || word[0] == '-') return false;
  int shift = 0;
  std::string unit(end);
  if (unit == "K") shift = 10;
  else if (unit == "M") shift = 20;
  else if (unit == "G") shift = 30;
  else if (unit == "T") shift = 40;
  else if (!unit.empty()) return false;
  if (number > (~0ull >> shift)) return false;
  *bytes = static_cast<uint64_t>(number) << shift;
  return true;
}

bool ToFileSystem(const std::string& name, uint32_t* type) {
  static const std::map<std::string, uint32_t> kTypes = {
      {"fat", SIM_FS_FAT},   {"ntfs", SIM_FS_NTFS}, {"ext", SIM_FS_EXT},
      {"cifs", SIM_FS_CIFS}, {"smb", SIM_FS_SMB},   {"nfs", SIM_FS_NFS},
      {"internal", SIM_FS_INTERNAL}};
  auto found = kTypes.find(name);
  if (found == kTypes.end()) return false;
  *type = found->second;
  return true;
}

// FS:SIZE:MOUNT
bool ToPartition(const std::string& word, Partition* partition) {
  size_t first = word.find(':');
  size_t second = first == std::string::npos ? first : word.find(':', first + 1);
  if (second == std::string::npos) return false;
  partition->mount = word.substr(second + 1);
  return ToFileSystem(word.substr(0, first), &partition->type) &&
         ToBytes(word.substr(first + 1, second - first - 1), &partition->capacity) &&
         !partition->mount.empty();
}

// A path of the set, in its normal form; "" with a reason when it is none or
// climbs out of the set's folders.
std::string SetPathArgument(const std::string& word, std::string* reason) {
  std::string folder = SetFolder(word);
  if (folder.empty())
    *reason = "path " + QuotedWord(word) + " is not within the set's folders (/dtv, /mtd_ram, "
              "/mtd_wiselink, /mtd_appdata) or is longer than 255 bytes";
  return folder;
}

const char* const kFaultKinds[] = {"write", "rename", "remove", "readonly"};

// The fault kind named, or SIM_FAULT_KINDS.
sim_fault_kind ToFaultKind(const std::string& word) {
  for (int kind = 0; kind < SIM_FAULT_KINDS; ++kind)
    if (word == kFaultKinds[kind]) return static_cast<sim_fault_kind>(kind);
  return SIM_FAULT_KINDS;
}

// Checks argument `index` of words against its kind.
bool CheckArgument(char kind, const std::vector<std::string>& words, size_t index,
                   std::string* reason) {
  const std::string& word = words[index];
  long long number = 0;
  Partition partition;
  SettingValue setting;
  switch (kind) {
    case 'n':
      if (ToInt(word, &number)) return true;
      *reason = words[0] + " takes a whole number, not " + QuotedWord(word);
      return false;
    case 'c':
      if (ToCount(word, &number)) return true;
      *reason = words[0] + " takes a number from 0 to " + std::to_string(kCountLimit) +
                ", not " + QuotedWord(word);
      return false;
    case 'p':
      if (!ToPartition(word, &partition)) {
        *reason = "partition " + QuotedWord(word) + " is not FS:SIZE:MOUNT";
        return false;
      }
      return !SetPathArgument(partition.mount, reason).empty();
    case 's':
      return !SetPathArgument(word, reason).empty();
    case 'f':
      if (ToFaultKind(word) != SIM_FAULT_KINDS) return true;
      *reason = "fault takes write, rename, remove or readonly, not " + QuotedWord(word);
      return false;
    case 'e':
      if (sim_fault_error_named(word.c_str()) != 0) return true;
      *reason = "unknown error " + QuotedWord(word) + " (nospace, io, access, readonly, missing)";
      return false;
    case 'v':
      return ToSettingValue(words[index - 1], word, &setting, reason);
    default:
      return true;
  }
}

// An argument the parser has checked (fallback when it was left out).
long long Number(const ScenarioStep& step, size_t index, long long fallback) {
  long long number = 0;
  return index < step.words.size() && ToWhole(step.words[index], INT64_MIN, INT64_MAX, &number)
             ? number
             : fallback;
}

int Int(const ScenarioStep& step, size_t index, int fallback) {
  return static_cast<int>(Number(step, index, fallback));
}

std::string Rest(const std::vector<std::string>& words, size_t from) {
  std::string text;
  for (size_t i = from; i < words.size(); ++i) text += (i > from ? " " : "") + words[i];
  return text;
}

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
  QueueKey(Int(step, 1, 0), Int(step, 3, 0), static_cast<int>(hold_ms));
  return true;
}

bool PressStep(const Step& step, LoadedPlugin&, std::string* reason) {
  return RemoteFree(reason) && QueuePress(Int(step, 1, 0), Int(step, 2, 0));
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

bool FillStep(const Step& step, LoadedPlugin&, std::string* reason) {
  std::string file = SandboxPath(step.words[1]) + "/fill.bin";
  int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  bool filled = fd >= 0 && ftruncate(fd, static_cast<off_t>(Number(step, 2, 0)) << 20) == 0;
  if (fd >= 0) close(fd);
  if (!filled) {
    *reason = "cannot fill " + step.words[1];
    return false;
  }
  HostLog("filled " + step.words[1] + " with " + step.words[2] + " MiB");
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

bool DevicesStep(const Step&, LoadedPlugin&, std::string*) {
  WaitKeysIdle();
  PrintDeviceTable(stdout);
  std::fflush(stdout);
  return true;
}

bool PrefixStep(const Step&, LoadedPlugin& plugin, std::string*) {
  WaitKeysIdle();
  PrintNamePrefix(stdout, plugin.record);
  std::fflush(stdout);
  return true;
}

bool ScreenshotStep(const Step& step, LoadedPlugin&, std::string* reason) {
  WaitKeysIdle();
  if (!SaveScreenshot(step.words[1], reason)) return false;
  HostLog("screen saved: " + step.words[1]);
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

// One line per entry of the set's folder, by name: "files FOLDER: NAME SIZE
// bytes, whole packets" for a file (broken when SIZE is no multiple of 188), "files FOLDER: NAME/" for a folder; "(empty)" for none.
bool FilesStep(const Step& step, LoadedPlugin&, std::string* reason) {
  WaitKeysIdle();
  std::error_code error;
  std::vector<std::string> lines;
  for (const auto& entry : std::filesystem::directory_iterator(SandboxPath(step.words[1]), error)) {
    std::string name = entry.path().filename().string();
    std::error_code size_error;
    if (entry.is_directory(size_error)) {
      lines.push_back(name + "/");
      continue;
    }
    const uintmax_t size = entry.file_size(size_error);
    if (size_error) {
      lines.push_back(name + " ? bytes");
      continue;
    }
    // Streams are whole 188-byte packets: say whether this one is.
    lines.push_back(name + " " + std::to_string(size) + " bytes, " +
                    (size % 188 == 0 ? "whole" : "broken") + " packets");
  }
  if (error) {
    *reason = "cannot list " + step.words[1] + ": " + error.message();
    return false;
  }
  std::sort(lines.begin(), lines.end());
  if (lines.empty()) lines.push_back("(empty)");
  for (const std::string& line : lines) HostLog("files " + step.words[1] + ": " + line);
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
int DefaultFaultError(sim_fault_kind kind) {
  switch (kind) {
    case SIM_FAULT_WRITE: return ENOSPC;
    case SIM_FAULT_READONLY: return EROFS;
    default: return EACCES;
  }
}

bool FaultStep(const Step& step, LoadedPlugin&, std::string* reason) {
  WaitKeysIdle();
  sim_fault_kind kind = ToFaultKind(step.words[1]);
  int error = step.words.size() > 3 ? sim_fault_error_named(step.words[3].c_str())
                                    : DefaultFaultError(kind);
  if (sim_fault_set(kind, step.words[2].c_str(), error) != 0) {
    *reason = "cannot set the fault: " + std::string(std::strerror(errno));
    return false;
  }
  HostLog("fault " + step.words[1] + " below " + step.words[2] + ": " + std::strerror(error));
  return true;
}

bool HealStep(const Step& step, LoadedPlugin&, std::string* reason) {
  WaitKeysIdle();
  const std::string& path = step.words[1];
  if (path != "all" && SetPathArgument(path, reason).empty()) return false;
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

// ---- The steps: parsing, help and running all read this table.
struct StepKind {
  const char* name;
  const char* arguments;  // as the help shows them
  const char* kinds;      // one letter per argument (see above)
  size_t required;        // how many of them must be given
  bool (*run)(const Step&, LoadedPlugin&, std::string* reason);
  const char* help;
};

const StepKind StepKinds[] = {
    {"key", "K [HOLD_MS [ARG]]", "ncn", 1, KeyStep,
     "press key K with ARG (0), hold HOLD_MS ms (100), release"},
    {"press", "K [ARG]", "nn", 1, PressStep,
     "press key K with ARG (0); it stays held"},
    {"release", "", "", 0, ReleaseStep,
     "release the held key"},
    {"wait", "MS", "c", 1, WaitStep,
     "let the queued keys finish, then MS ms of TV time"},
    {"setup", "", "", 0, SetupStep,
     "the loader calls setup()"},
    {"setting", "NAME VALUE", "wv", 2, SettingStep,
     "init_config again with record field NAME = VALUE"},
    {"channel", "N", "n", 1, ChannelStep,
     "tune channel N"},
    {"nochannel", "", "", 0, NoChannelStep,
     "no channel at all"},
    {"broadcast", "off", "w", 1, BroadcastStep,
     "the broadcast clock stops being sent"},
    {"language", "N", "n", 1, LanguageStep,
     "the TV's menu language number"},
    {"plug", "SECTION VENDOR PRODUCT SERIAL FS:SIZE:MOUNT...", "wwwwp*", 5, PlugStep,
     "a USB device (FS fat ntfs ext cifs smb nfs internal; SIZE 8G...)"},
    {"unplug", "SECTION", "w", 1, UnplugStep,
     "the device disappears"},
    {"remount", "SECTION N MOUNT", "wcs", 3, RemountStep,
     "partition N (from 0) moves to MOUNT"},
    {"fill", "MOUNT MB", "sc", 2, FillStep,
     "a file of MB MiB appears on that folder's disk"},
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
    {"heal", "PATH|all", "w", 1, HealStep,
     "the faults set at PATH (all: every fault) end"},
    {"clock", "SECONDS", "n", 1, ClockStep,
     "the TV's wall clock jumps (negative: backwards)"},
    {"tv", "", "", 0, TvStep,
     "print freeze, video mute and option 15 (picture off)"},
    {"devices", "", "", 0, DevicesStep,
     "print the device table the plug-in builds now"},
    {"prefix", "", "", 0, PrefixStep,
     "print the file-name prefix it would give now"},
    {"screenshot", "FILE", "w", 1, ScreenshotStep,
     "save the screen as a PNG"},
    {"say", "TEXT", "w*", 0, SayStep,
     "print TEXT"},
    {"show", "FILE", "s", 1, ShowStep,
     "print each line of the set's file FILE"},
    {"files", "FOLDER", "s", 1, FilesStep,
     "print the set's folder FOLDER: its files with sizes"},
    {"telnetd", "running|stopped", "w", 1, TelnetdStep,
     "the set's telnet daemon runs / has ended"},
};

// Checks the arguments of a step of this kind: their number and kinds.
bool CheckArguments(const StepKind& kind, const std::vector<std::string>& words,
                    std::string* reason) {
  const std::string kinds = kind.kinds;
  const bool repeats = !kinds.empty() && kinds.back() == '*';
  const size_t listed = repeats ? kinds.size() - 1 : kinds.size();
  const size_t given = words.size() - 1;
  if (given < kind.required || (!repeats && given > listed)) {
    *reason = words[0] + " takes " + (kind.arguments[0] ? kind.arguments : "no arguments");
    return false;
  }
  for (size_t i = 1; i < words.size(); ++i) {
    char letter = kinds[i - 1 < listed ? i - 1 : listed - 1];
    if (!CheckArgument(letter, words, i, reason)) return false;
  }
  return true;
}

std::string AtLine(int line, const std::string& reason) {
  return "line " + std::to_string(line) + ": " + reason;
}

}  // namespace

bool ParseScenario(const std::string& text, std::vector<ScenarioStep>* steps, std::string* error) {
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    ScenarioStep step;
    step.line = number;
    std::istringstream words(line);
    for (std::string word; words >> word;) step.words.push_back(word);
    if (step.words.empty()) continue;
    step.kind = std::size(StepKinds);
    for (size_t i = 0; i < std::size(StepKinds); ++i)
      if (step.words[0] == StepKinds[i].name) step.kind = i;
    if (step.kind == std::size(StepKinds)) {
      *error = AtLine(number, "unknown step " + QuotedWord(step.words[0]));
      return false;
    }
    std::string reason;
    if (!CheckArguments(StepKinds[step.kind], step.words, &reason)) {
      *error = AtLine(number, reason);
      return false;
    }
    steps->push_back(std::move(step));
  }
  return true;
}

bool RunScenario(const std::vector<ScenarioStep>& steps, LoadedPlugin& plugin,
                 std::string* error) {
  for (const ScenarioStep& step : steps) {
    std::string reason;
    if (step.kind >= std::size(StepKinds) || !StepKinds[step.kind].run(step, plugin, &reason)) {
      *error = AtLine(step.line, reason.empty() ? "not a parsed step" : reason);
      return false;
    }
  }
  // The remote lets go of a key still held.
  QueueRelease();
  WaitKeysIdle();
  return true;
}

void PrintScenarioSteps(FILE* out) {
  for (const StepKind& kind : StepKinds) {
    std::string usage = std::string(kind.name) + (kind.arguments[0] ? " " : "") + kind.arguments;
    // A long usage gets the help on a line of its own.
    if (usage.size() > 24) std::fprintf(out, "  %s\n", usage.c_str());
    std::fprintf(out, "  %-24s %s\n", usage.size() > 24 ? "" : usage.c_str(), kind.help);
  }
}

}  // namespace sim
