#include "sim/scenario/step_arguments.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <map>
#include <regex>

#include "sim/host/keys/remote_keys.h"
#include "sim/loader.h"
#include "sim/scenario/file_checks.h"
#include "sim/screen/screen.h"

namespace sim {
namespace {

bool ToInt(const std::string& word, long long* value) {
  return ToWhole(word, INT32_MIN, INT32_MAX, value);
}

bool ToCount(const std::string& word, long long* value) {
  return ToWhole(word, 0, kCountLimit, value);
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


bool IsRegex(const std::string& text, std::string* reason) {
  try {
    std::regex pattern(text);
    return true;
  } catch (const std::regex_error& error) {
    *reason = "not a regular expression: " + QuotedWord(text);
    return false;
  }
}

bool IsColour(const std::string& word) {
  return word.size() == 6 && word.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

}  // namespace

bool ToWhole(const std::string& word, long long low, long long high, long long* value) {
  const char* end = word.data() + word.size();
  auto [stop, failure] = std::from_chars(word.data(), end, *value);
  return !word.empty() && failure == std::errc() && stop == end && *value >= low &&
         *value <= high;
}

// FS:SIZE:MOUNT
bool ToPartition(const std::string& word, Partition* partition) {
  size_t first = word.find(':');
  size_t second = first == std::string::npos ? first : word.find(':', first + 1);
  if (second == std::string::npos) return false;
  partition->mount = word.substr(second + 1);
  return ToFileSystem(word.substr(0, first), &partition->type) &&
         ParseBytes(word.substr(first + 1, second - first - 1), &partition->capacity) &&
         !partition->mount.empty();
}

bool StaysBelow(const std::string& word, std::string* reason) {
  for (size_t at = 0; at <= word.size();) {
    size_t end = std::min(word.find('/', at), word.size());
    if (word.compare(at, end - at, "..") == 0) {
      *reason = "path " + QuotedWord(word) +
                " has a '..' component: scenario paths may not go up a folder";
      return false;
    }
    at = end + 1;
  }
  return true;
}

std::string SetPathArgument(const std::string& word, std::string* reason) {
  std::string folder = SetFolder(word);
  if (folder.empty())
    *reason = "path " + QuotedWord(word) + " is not within the set's folders (/dtv, /mtd_ram, "
              "/mtd_wiselink, /mtd_appdata) or is longer than 255 bytes";
  return folder.empty() || !StaysBelow(word, reason) ? "" : folder;
}

std::string FolderArgumentPath(const std::string& word) {
  return !word.empty() && word[0] == '/' ? SandboxPath(word) : word;
}

sim_fault_kind ToFaultKind(const std::string& word) { return sim_fault_kind_named(word.c_str()); }

bool CheckArgument(char kind, const std::vector<std::string>& words, size_t index,
                   const std::string& rest, std::string* reason) {
  const std::string& word = words[index];
  long long number = 0;
  uint64_t low = 0, high = 0;
  Partition partition;
  SettingValue setting;
  switch (kind) {
    case 'n':
      if (ToInt(word, &number)) return true;
      *reason = words[0] + " takes a whole number, not " + QuotedWord(word);
      return false;
    case 'K':
      if (ToKeyCode(word)) return true;
      *reason = words[0] + " takes a key code from 0 to 65535 or a button's name (RECORD, STOP...: "
                "tvsim --help), not " + QuotedWord(word);
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
    case 'h':
      return word[0] != '/' ? StaysBelow(word, reason) : !SetPathArgument(word, reason).empty();
    case 'g':
      return StaysBelow(word, reason);
    case 'a':
      return word == "all" || !SetPathArgument(word, reason).empty();
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
    case 't':
      if (FindSettingField(word)) return true;
      *reason = "unknown setting " + QuotedWord(word);
      return false;
    case 'r':
      return IsRegex(rest, reason);
    case 'x':
      return IsRegex(word, reason);
    case 'z':
      if (word == "stream" || ParseSizeRange(word, &low, &high)) return true;
      *reason = words[0] + " takes a size range (N, MIN-MAX, MIN-, -MAX; K M G T) or stream, not " +
                QuotedWord(word);
      return false;
    case 'q':
      if (word == "free") return true;
      *reason = words[0] + " takes free after its size, not " + QuotedWord(word);
      return false;
    case 'y':
      if (word == "yes" || word == "no") return true;
      *reason = words[0] + " takes yes or no, not " + QuotedWord(word);
      return false;
    case 'X': case 'Y': case 'W': case 'H': {
      const bool across = kind == 'X' || kind == 'W';
      const long long size = across ? kScreenWidth : kScreenHeight;
      const long long first = kind == 'W' || kind == 'H' ? 1 : 0;
      const long long last = kind == 'W' || kind == 'H' ? size : size - 1;
      if (ToWhole(word, first, last, &number)) return true;
      *reason = words[0] + " takes a " + (kind == 'X' ? "column" : kind == 'Y' ? "row" : kind == 'W' ? "width" : "height") +
                " from " + std::to_string(first) + " to " + std::to_string(last) + ", not " + QuotedWord(word);
      return false;
    }
    case 'o':
      if (IsPointName(word)) return true;
      *reason = words[0] + " takes a point (" + std::string(kPointNames) + "), not " + QuotedWord(word);
      return false;
    case 'k':
      if (IsColour(word)) return true;
      *reason = words[0] + " takes a colour RRGGBB, not " + QuotedWord(word);
      return false;
    default:
      return true;
  }
}

bool IsPointName(const std::string& word) {
  static constexpr const char* kPoints[] = {"record-start", "record-stop", "tick", "flip", "wait"};
  for (const char* point : kPoints)
    if (word == point) return true;
  long long ms = 0;
  return word.rfind("wait-", 0) == 0 && ToWhole(word.substr(5), 0, kCountLimit, &ms) &&
         word.size() < 32;
}

long long Number(const ScenarioStep& step, size_t index, long long fallback) {
  long long number = 0;
  return index < step.words.size() && ToWhole(step.words[index], INT64_MIN, INT64_MAX, &number)
             ? number
             : fallback;
}

int Int(const ScenarioStep& step, size_t index, int fallback) {
  return static_cast<int>(Number(step, index, fallback));
}

int KeyArgument(const ScenarioStep& step, size_t index) {
  return index < step.words.size() ? ToKeyCode(step.words[index]).value_or(0) : 0;
}

std::string Rest(const std::vector<std::string>& words, size_t from) {
  std::string text;
  for (size_t i = from; i < words.size(); ++i) text += (i > from ? " " : "") + words[i];
  return text;
}

}  // namespace sim
