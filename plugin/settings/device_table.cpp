#include "settings/device_table.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "host/storage_checks.h"
#include "settings/settings_record.h"

namespace {

// A line of the log holds at most 255 bytes of text (its line end not
// counted). A longer line is read to its end and dropped whole: a piece of
// it must never count as a line, or a long value could carry a key line of
// its own ("MountDir : ...") past the buffer's end.
constexpr int kLineBuffer = 256;
// A section header is cut after 20 characters, so a name keeps at most 19.
constexpr int kHeaderLength = 20;
constexpr size_t kMountField = sizeof DeviceEntry::mount;

// Copies a text into a fixed field, cut to the field and zero-filled.
template <size_t N>
void SetField(char (&field)[N], const char* text) {
  size_t length = strnlen(text, N - 1);
  std::memset(field, 0, N);
  std::memcpy(field, text, length);
}

template <size_t N>
void TrimTrailingBlanks(char (&field)[N]) {
  size_t length = strnlen(field, N);
  while (length > 0 && (field[length - 1] == ' ' || field[length - 1] == '\t')) field[--length] = '\0';
}

// `base` followed by a blank and the partition number, within the product
// field. When both do not fit, the text is shortened: the number is what tells
// the partitions of one device apart.
void NumberedProduct(char (&product)[20], const char* base, int number) {
  char suffix[16];
  int suffix_length = std::snprintf(suffix, sizeof suffix, " %d", number);
  size_t keep = std::min(strnlen(base, sizeof product - 1), sizeof product - 1 - suffix_length);
  char text[sizeof product] = {};
  std::memcpy(text, base, keep);
  std::memcpy(text + keep, suffix, suffix_length + 1);
  SetField(product, text);
}

// The value after `key` when the line starts with it, else nullptr.
const char* ValueOf(const char* line, const char* key) {
  size_t length = std::strlen(key);
  return std::strncmp(line, key, length) == 0 ? line + length : nullptr;
}

void StoreFixedEntry(int index, const char* name, const char* mount) {
  DeviceEntry& entry = device_table.entries[index];
  std::memset(&entry, 0, sizeof entry);
  entry.index = index;
  SetField(entry.name, name);
  SetField(entry.mount, mount);
  entry.fixed = 1;
}

// The section being read from the log.
struct Section {
  DeviceEntry entry{};
  bool started = false;
  int partition = 0;
  char product[20] = {};  // the section's product text, without a number
  int first_stored = -1;  // table index of the section's first partition
};

void StartSection(Section& section, const char* name) {
  section = Section{};
  SetField(section.entry.name, name);
  section.started = true;
  section.partition = 1;
}

// True when the mount (at most 127 bytes) names something other than a folder
// itself: a symbolic link (to a folder or anywhere else), a file, a device.
// Trailing slashes are not looked at, and a last component "." or ".." is
// not taken: either would make lstat follow a link in the last place. A
// mount that does not exist is kept: recording start finds it unusable and
// says so (DestinationUsable), as for any stick listed but not mounted,
// instead of the destination falling back to "Auto" unseen.
bool IsNoFolderItself(const char* path) {
  char folder[kMountField];
  SetField(folder, path);
  size_t length = std::strlen(folder);
  while (length > 1 && folder[length - 1] == '/') folder[--length] = '\0';
  const char* last = std::strrchr(folder, '/');
  last = last != nullptr ? last + 1 : folder;
  if (std::strcmp(last, ".") == 0 || std::strcmp(last, "..") == 0) return true;
  struct stat status;
  return lstat(folder, &status) == 0 && !S_ISDIR(status.st_mode);
}

// A "MountDir : " line. A mount (as cut to its field) that is no folder
// itself is passed over like a line the scan does not use: it is no
// destination and no partition.
void AddPartition(Section& section, const char* value) {
  char mount[kMountField];
  SetField(mount, value);
  if (IsNoFolderItself(mount)) return;
  DeviceEntry& entry = section.entry;
  if (entry.mount[0] != '\0') {
    entry.ntfs = 0;
    if (section.partition < INT_MAX) ++section.partition;
  }
  SetField(entry.mount, mount);
  TrimTrailingBlanks(entry.vendor);
  TrimTrailingBlanks(entry.product);
  TrimTrailingBlanks(section.product);
  if (section.partition >= 2) {
    NumberedProduct(entry.product, section.product, section.partition);
    if (section.partition == 2 && section.first_stored >= 0) {
      DeviceEntry& first = device_table.entries[section.first_stored];
      char base[sizeof first.product];
      SetField(base, first.product);
      NumberedProduct(first.product, base, 1);
    }
  }
  int count = device_table.count.load(std::memory_order_relaxed);
  if (count >= kDeviceSlots || entry.name[0] == '\0' || !section.started || entry.mount[0] == '\0')
    return;
  entry.ntfs = IsNtfs(entry.mount) ? 1 : 0;
  entry.index = count;
  device_table.entries[count] = entry;
  if (section.partition == 1) section.first_stored = count;
  device_table.count.store(count + 1, std::memory_order_relaxed);
}

// Reads the next line, up to its line feed or the end of the log, into `line`
// (terminated). Returns false at the end of the log. `fits` tells whether the
// line's text, without the carriage returns that end it, fits the buffer;
// when it does not, the rest of the line has been read and discarded.
bool NextLine(FILE* log, char (&line)[kLineBuffer], bool* fits) {
  size_t length = 0;
  bool read = false;
  *fits = true;
  for (int c; (c = std::getc(log)) != EOF;) {
    read = true;
    if (c == '\n') break;
    if (length < sizeof line - 1) {
      line[length++] = static_cast<char>(c);
    } else if (c != '\r') {
      *fits = false;
    }
  }
  line[length] = '\0';
  return read;
}

void ReadLine(Section& section, char* line) {
  for (char* at = line; *at != '\0'; ++at)
    if (*at == '\r' || *at == '\n') *at = '\0';
  if (line[0] == '\0') return;
  if (line[0] == '[') {
    line[kHeaderLength] = '\0';
    for (char* at = line; *at != '\0'; ++at)
      if (*at == ']') *at = '\0';
    if (line[1] != '\0') StartSection(section, line + 1);
    return;
  }
  if (const char* value = ValueOf(line, "Vendor : ")) {
    SetField(section.entry.vendor, value);
  } else if (const char* value = ValueOf(line, "Product : ")) {
    SetField(section.entry.product, value);
    SetField(section.product, value);
  } else if (const char* value = ValueOf(line, "Serial : ")) {
    SetField(section.entry.serial, value);
  } else if (const char* value = ValueOf(line, "MountDir : ")) {
    AddPartition(section, value);
  }
}

DeviceEntry& Destination(int which) { return which == 1 ? settings.dest1 : settings.dest2; }

}  // namespace

void BuildDeviceTable() {
  std::memset(device_table.entries, 0, sizeof device_table.entries);
  StoreFixedEntry(0, "Auto", "");
  StoreFixedEntry(1, "MOVIE001", kInternalMemoryFolder);
  device_table.fixed_count.store(kFixedDevices, std::memory_order_relaxed);
  device_table.count.store(kFixedDevices, std::memory_order_relaxed);
  ScanDeviceLog();
}

void ScanDeviceLog() {
  FILE* log = std::fopen(kDeviceLogPath, "re");
  if (log == nullptr) {
    // No log: no USB devices, only the fixed entries.
    device_table.count.store(device_table.fixed_count.load(std::memory_order_relaxed),
                             std::memory_order_relaxed);
    return;
  }
  ScanDeviceLogFrom(log);
  std::fclose(log);
}

void ScanDeviceLogFrom(FILE* log) {
  device_table.count.store(device_table.fixed_count.load(std::memory_order_relaxed),
                           std::memory_order_relaxed);
  static_assert(kLineBuffer > kHeaderLength);
  char line[kLineBuffer];
  Section section;
  for (bool fits; NextLine(log, line, &fits);)
    if (fits) ReadLine(section, line);
}

void CopyDestination(int which) {
  DeviceEntry& destination = Destination(which);
  int index = destination.index;
  if (index < 0 || index >= device_table.count.load(std::memory_order_relaxed)) index = 0;
  std::memcpy(static_cast<void*>(&destination), &device_table.entries[index], sizeof destination);
}

void RematchDestinations() {
  for (int which : {1, 2}) {
    DeviceEntry& destination = Destination(which);
    destination.index = FindDestination(&destination);
    CopyDestination(which);
  }
}

int FindDestination(const DeviceEntry* stored) {
  int fixed = device_table.fixed_count.load(std::memory_order_relaxed);
  int count = device_table.count.load(std::memory_order_relaxed);
  if (stored->index >= 0 && stored->index < fixed) return stored->index;
  int result = 0;
  for (int i = fixed; i < count; ++i) {
    const DeviceEntry& entry = device_table.entries[i];
    if (SameText(entry.product, stored->product)) {
      result = i;
    } else if (result == 0 &&
               (SameText(entry.mount, stored->mount) || SameText(entry.name, stored->name))) {
      result = i;
    }
  }
  return result;
}

const char* DeviceDisplayText(const DeviceEntry& entry) {
  return entry.product[0] != '\0' ? entry.product : entry.name;
}

void CopyDeviceDisplayText(const DeviceEntry& entry, char* out, size_t size) {
  if (size == 0) return;
  const bool product = entry.product[0] != '\0';
  const char* text = product ? entry.product : entry.name;
  const size_t width = product ? sizeof entry.product : sizeof entry.name;
  std::snprintf(out, size, "%.*s", static_cast<int>(strnlen(text, width)), text);
}
