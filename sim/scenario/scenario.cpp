#include "sim/scenario/scenario.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <thread>

#include "sim/host/guide.h"
#include "sim/host/host_state.h"
#include "sim/host/keys/key_input.h"
#include "sim/loader.h"
#include "sim/platform/plugin_view.h"
#include "sim/platform/set_commands.h"
#include "sim/platform/virtual_disks.h"
#include "sim/screen/screen.h"

namespace sim {
namespace {

// Each command with the least number of arguments it takes.
const std::map<std::string, size_t> kCommands = {
    {"key", 1},     {"wait", 1},     {"setup", 0},   {"channel", 1}, {"nochannel", 0},
    {"broadcast", 1}, {"language", 1}, {"plug", 5},  {"unplug", 1},  {"remount", 3},
    {"fill", 2},    {"record", 1},   {"stop", 0},    {"devices", 0}, {"prefix", 0},
    {"screenshot", 1}, {"say", 0},      {"telnetd", 1},
};

// A whole number within what a step can use (about ten years of milliseconds,
// a million terabytes of MiB), so that nothing computed from it overflows.
bool ToInt(const std::string& word, long long* value) {
  constexpr long long kLimit = 1LL << 38;
  char* end = nullptr;
  *value = std::strtoll(word.c_str(), &end, 10);
  return !word.empty() && *end == '\0' && *value >= -kLimit && *value <= kLimit;
}

// "512M", "8G", "5T" or plain bytes.
bool ToBytes(const std::string& word, uint64_t* bytes) {
  char* end = nullptr;
  unsigned long long number = std::strtoull(word.c_str(), &end, 10);
  if (end == word.c_str()) return false;
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

std::string Rest(const std::vector<std::string>& words, size_t from) {
  std::string text;
  for (size_t i = from; i < words.size(); ++i) text += (i > from ? " " : "") + words[i];
  return text;
}

// Carries out one step; false with a reason when it cannot.
bool RunStep(const ScenarioStep& step, const LoadedPlugin& plugin, std::string* reason) {
  const std::vector<std::string>& w = step.words;
  const std::string& command = w[0];
  long long a = 0, b = 0, c = 0;

  if (command == "key") {
    if (!ToInt(w[1], &a) || (w.size() > 2 && !ToInt(w[2], &b)) ||
        (w.size() > 3 && !ToInt(w[3], &c))) {
      *reason = "key takes numbers";
      return false;
    }
    QueueKey(static_cast<int>(a), static_cast<int>(c), w.size() > 2 ? static_cast<int>(b) : 100);
  } else if (command == "wait") {
    if (!ToInt(w[1], &a) || a < 0) {
      *reason = "wait takes milliseconds";
      return false;
    }
    WaitKeysIdle();
    std::this_thread::sleep_for(std::chrono::milliseconds(a));  // TV time: the clock is scaled
  } else if (command == "setup") {
    WaitKeysIdle();
    HostLog("loader: setup returned " + std::to_string(plugin.setup()));
  } else if (command == "channel") {
    if (!ToInt(w[1], &a) || !SetCurrentChannel(static_cast<int>(a))) {
      *reason = "no such channel";
      return false;
    }
    std::optional<GuideProgramme> programme = PresentProgramme(static_cast<int>(a));
    SetPictureCaption(static_cast<int>(a), programme ? programme->title : "");
    HostLog("channel " + w[1]);
  } else if (command == "nochannel") {
    ClearCurrentChannel();
    HostLog("no channel");
  } else if (command == "broadcast") {
    if (w[1] != "off") {
      *reason = "broadcast takes off";
      return false;
    }
    UnsetBroadcastTime();
  } else if (command == "language") {
    if (!ToInt(w[1], &a)) {
      *reason = "language takes a number";
      return false;
    }
    {
      std::lock_guard lock(Host().mutex);
      Host().menu_language = static_cast<int>(a);
    }
    HostLog("menu language " + w[1]);
  } else if (command == "plug") {
    UsbDevice device{w[1], w[2], w[3], w[4], {}};
    for (size_t i = 5; i < w.size(); ++i) {
      Partition partition;
      if (!ToPartition(w[i], &partition)) {
        *reason = "partition " + w[i] + " is not FS:SIZE:MOUNT";
        return false;
      }
      device.partitions.push_back(partition);
    }
    if (device.partitions.empty() || !PlugDevice(device)) {
      *reason = "cannot plug " + w[1];
      return false;
    }
    HostLog("plugged " + w[1] + " (" + w[3] + ")");
  } else if (command == "unplug") {
    if (!UnplugDevice(w[1])) {
      *reason = "no device " + w[1];
      return false;
    }
    HostLog("unplugged " + w[1]);
  } else if (command == "remount") {
    if (!ToInt(w[2], &a) || a < 0 || !RemountPartition(w[1], static_cast<size_t>(a), w[3])) {
      *reason = "cannot remount";
      return false;
    }
    HostLog("remounted " + w[1] + " at " + w[3]);
  } else if (command == "fill") {
    if (!ToInt(w[2], &a) || a < 0) {
      *reason = "fill takes MiB";
      return false;
    }
    std::string file = SandboxPath(w[1]) + "/fill.bin";
    int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    bool filled = fd >= 0 && ftruncate(fd, static_cast<off_t>(a) << 20) == 0;
    if (fd >= 0) close(fd);
    if (!filled) {
      *reason = "cannot fill " + w[1];
      return false;
    }
    HostLog("filled " + w[1] + " with " + w[2] + " MiB");
  } else if (command == "record") {
    spI_Stream_Record(w[1].c_str());
  } else if (command == "stop") {
    spI_Stream_Record_Stop();
  } else if (command == "devices") {
    WaitKeysIdle();
    PrintDeviceTable(stdout);
    std::fflush(stdout);
  } else if (command == "prefix") {
    WaitKeysIdle();
    PrintNamePrefix(stdout, plugin.record);
    std::fflush(stdout);
  } else if (command == "screenshot") {
    WaitKeysIdle();
    if (!SaveScreenshot(w[1], reason)) return false;
    HostLog("screen saved: " + w[1]);
  } else if (command == "say") {
    HostLog(Rest(w, 1));
  } else if (command == "telnetd") {
    if ((w[1] != "running" && w[1] != "stopped") || !SetTelnetdRunning(w[1] == "running")) {
      *reason = "telnetd takes running or stopped";
      return false;
    }
    HostLog("telnetd " + w[1]);
  }
  return true;
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
    auto command = kCommands.find(step.words[0]);
    if (command == kCommands.end()) {
      *error = "line " + std::to_string(number) + ": unknown step '" + step.words[0] + "'";
      return false;
    }
    if (step.words.size() - 1 < command->second) {
      *error = "line " + std::to_string(number) + ": " + step.words[0] + " needs " +
               std::to_string(command->second) + " arguments";
      return false;
    }
    steps->push_back(std::move(step));
  }
  return true;
}

bool RunScenario(const std::vector<ScenarioStep>& steps, const LoadedPlugin& plugin,
                 std::string* error) {
  for (const ScenarioStep& step : steps) {
    std::string reason;
    if (!RunStep(step, plugin, &reason)) {
      *error = "line " + std::to_string(step.line) + ": " + reason;
      return false;
    }
  }
  WaitKeysIdle();
  return true;
}

}  // namespace sim
