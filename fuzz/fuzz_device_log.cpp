// The device-log scan over any file content: the table never exceeds its
// 20 slots, every text field stays terminated within its width, and every
// USB entry's mount is named by one whole "MountDir : " line of the input
// that fits the 255-byte line (never by a piece of a longer line) and is a
// folder itself or nothing at all (never a symbolic link or a file).
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "settings/device_table.h"

namespace {

template <size_t N>
void CheckTerminated(const char (&field)[N]) {
  if (std::memchr(field, '\0', N) == nullptr) std::abort();
}

// The mounts the input's lines can name: for each line (up to a line feed or
// the end) whose text, without the carriage returns that end it, is at most
// 255 bytes and starts with the key, the value up to a carriage return or a
// zero byte, cut to the mount field's 127 bytes.
std::vector<std::string> MountsOfWholeLines(std::string_view input) {
  constexpr std::string_view kKey = "MountDir : ";
  constexpr size_t kLineText = 255;
  constexpr size_t kMountText = sizeof DeviceEntry::mount - 1;
  std::vector<std::string> mounts;
  while (!input.empty()) {
    size_t end = input.find('\n');
    std::string_view line = input.substr(0, end);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    std::string_view text = line;
    while (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (text.size() > kLineText || text.substr(0, kKey.size()) != kKey) continue;
    std::string_view value = line.substr(kKey.size());
    value = value.substr(0, std::min(value.find_first_of(std::string_view("\r\0", 2)), kMountText));
    mounts.emplace_back(value);
  }
  return mounts;
}

bool NamedByAWholeLine(const char (&mount)[sizeof DeviceEntry::mount],
                       const std::vector<std::string>& mounts) {
  for (const std::string& named : mounts)
    if (named == mount) return true;
  return false;
}

bool IsNoFolderItself(const char* path) {
  struct stat status;
  return lstat(path, &status) == 0 && !S_ISDIR(status.st_mode);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BuildDeviceTable();
  FILE* log = fmemopen(const_cast<uint8_t*>(data), size, "r");
  if (log == nullptr) return 0;
  ScanDeviceLogFrom(log);
  std::fclose(log);
  const std::vector<std::string> mounts =
      MountsOfWholeLines(std::string_view(reinterpret_cast<const char*>(data), size));
  int count = device_table.count.load();
  if (count < kFixedDevices || count > kDeviceSlots) std::abort();
  for (int i = 0; i < count; ++i) {
    const DeviceEntry& entry = device_table.entries[i];
    if (entry.index != i) std::abort();
    CheckTerminated(entry.name);
    CheckTerminated(entry.vendor);
    CheckTerminated(entry.product);
    CheckTerminated(entry.serial);
    CheckTerminated(entry.mount);
    if (i >= kFixedDevices) {
      if (entry.name[0] == '\0' || entry.mount[0] == '\0') std::abort();
      if (!NamedByAWholeLine(entry.mount, mounts)) std::abort();
      if (IsNoFolderItself(entry.mount)) std::abort();
    }
    DeviceEntry stored = entry;
    int found = FindDestination(&stored);
    if (found < 0 || found >= count) std::abort();
  }
  return 0;
}
