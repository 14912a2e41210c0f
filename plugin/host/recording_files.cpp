#include "host/recording_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "host/recording_state.h"

namespace {

constexpr const char* kLongestExtension = ".mdb";

bool Fits(int written, size_t size) { return written >= 0 && static_cast<size_t>(written) < size; }

bool Refuse(char* out, size_t size) {
  if (size > 0) out[0] = '\0';
  return false;
}

bool Digit(char c) { return c >= '0' && c <= '9'; }

// Creates path exclusively and deletes it again: true when the folder takes
// a new file of that name. Only a file this call created is deleted.
bool ProbeWritable(const char* path) {
  int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  close(fd);
  std::remove(path);
  return true;
}

// Numbers 1..998 as one bit each.
struct NumberSet {
  uint32_t words[(kHighestNumber + 32) / 32] = {};
  void Add(int n) { words[n / 32] |= 1u << (n % 32); }
  bool Has(int n) const { return (words[n / 32] >> (n % 32)) & 1u; }
};

// The number of a name "R<prefix>NNN.ts" or "R<prefix>NNN.mdb", else 0.
int RecordingNumber(const char* name, const char* prefix, size_t prefix_length) {
  if (name[0] != 'R' || std::strncmp(name + 1, prefix, prefix_length) != 0) return 0;
  const char* digits = name + 1 + prefix_length;
  if (!Digit(digits[0]) || !Digit(digits[1]) || !Digit(digits[2])) return 0;
  if (std::strcmp(digits + 3, ".ts") != 0 && std::strcmp(digits + 3, kLongestExtension) != 0)
    return 0;
  int number = (digits[0] - '0') * 100 + (digits[1] - '0') * 10 + (digits[2] - '0');
  return number >= kLowestNumber && number <= kHighestNumber ? number : 0;
}

// The numbers whose names the folder lists: one pass over the folder instead
// of a stat of every number before the first free one. Empty when the folder
// cannot be read; each number left out is still examined by name.
NumberSet ListedNumbers(const char* folder, const char* prefix) {
  NumberSet listed;
  DIR* dir = opendir(folder);
  if (dir == nullptr) return listed;
  const size_t prefix_length = std::strlen(prefix);
  while (const dirent* entry = readdir(dir)) {
    if (int number = RecordingNumber(entry->d_name, prefix, prefix_length)) listed.Add(number);
  }
  closedir(dir);
  return listed;
}

}  // namespace

size_t PrefixDateLength(const char* prefix) {
  static constexpr char kShape[] = "dddd-dd-dd_dd-dd";
  for (size_t i = 0; i < kPrefixDateLength; ++i) {
    if (prefix[i] == '\0') return 0;
    if (kShape[i] == 'd' ? !Digit(prefix[i]) : prefix[i] != kShape[i]) return 0;
  }
  if (prefix[kPrefixDateLength] == '\0') return kPrefixDateLength;
  return prefix[kPrefixDateLength] == '_' ? kPrefixTitleStart : 0;
}

bool NameTaken(const char* path) {
  struct stat status;
  return stat(path, &status) == 0 || errno != ENOENT;
}

int FindDvrFolder(const char* mount) {
  char folder[kPathSize];
  for (int n = 9; n >= 1; --n) {
    if (RecordingFolder(folder, sizeof folder, mount, n) && access(folder, F_OK) == 0) return n;
  }
  return 0;
}

bool RecordingFolder(char* out, size_t size, const char* mount, int dvr) {
  int written = dvr >= 1 && dvr <= 9 ? std::snprintf(out, size, "%s/%s%d", mount, "DVR", dvr)
                                     : std::snprintf(out, size, "%s", mount);
  return Fits(written, size) || Refuse(out, size);
}

bool OwnFolder(const char* folder, const char* mount) {
  struct stat own;
  struct stat root;
  if (lstat(folder, &own) != 0 || lstat(mount, &root) != 0) return false;
  return S_ISDIR(own.st_mode) && S_ISDIR(root.st_mode) && own.st_dev == root.st_dev;
}

bool FolderOf(char* out, size_t size, const char* path) {
  const char* slash = std::strrchr(path, '/');
  if (slash == nullptr) return Refuse(out, size);
  size_t length = static_cast<size_t>(slash - path);
  if (length >= size) return Refuse(out, size);
  std::memcpy(out, path, length);
  out[length] = '\0';
  return true;
}

size_t PrefixRoom(const char* folder) {
  size_t fixed = std::strlen(folder) + std::strlen("/R") + 3 + std::strlen(kLongestExtension);
  return fixed < kPathSize - 1 ? kPathSize - 1 - fixed : 0;
}

bool FitPrefix(char* out, size_t size, const char* prefix, size_t room) {
  if (room >= size) room = size - 1;
  size_t length = std::strlen(prefix);
  if (length <= room) {
    std::memcpy(out, prefix, length + 1);
    return true;
  }
  // Only a dated title can be shortened: date, time, "_", at least nothing
  // of the title, and the final "_".
  if (PrefixDateLength(prefix) != kPrefixTitleStart || prefix[length - 1] != '_' ||
      room < kPrefixTitleStart + 1)
    return Refuse(out, size);
  size_t keep = room - kPrefixTitleStart - 1;
  const unsigned char* title = reinterpret_cast<const unsigned char*>(prefix) + kPrefixTitleStart;
  while (keep > 0 && (title[keep] & 0xC0) == 0x80) --keep;  // not inside a character
  std::memcpy(out, prefix, kPrefixTitleStart + keep);
  out[kPrefixTitleStart + keep] = '_';
  out[kPrefixTitleStart + keep + 1] = '\0';
  return true;
}

bool FinalPrefix(char* out, size_t size, const char* start, const char* sampled) {
  if (PrefixDateLength(sampled) != kPrefixTitleStart) return Refuse(out, size);
  const char* title = sampled + kPrefixTitleStart;  // the title and its final "_"
  int written;
  if (PrefixDateLength(start) == 0)
    written = std::snprintf(out, size, "%s", sampled);
  else
    written = std::snprintf(out, size, "%.*s_%s", static_cast<int>(kPrefixDateLength), start, title);
  return Fits(written, size) || Refuse(out, size);
}

bool HasDate(const char* prefix) { return prefix != nullptr && PrefixDateLength(prefix) != 0; }

bool RecordingPath(char* out, size_t size, const char* folder, const char* prefix, int number,
                   const char* extension) {
  int written = std::snprintf(out, size, "%s/R%s%03d%s", folder, prefix, number, extension);
  return Fits(written, size) || Refuse(out, size);
}

int FindFreeNumber(const char* folder, const char* prefix, bool write_test) {
  char path[kPathSize];
  char side[kPathSize];
  const NumberSet listed = ListedNumbers(folder, prefix);
  for (int number = kLowestNumber; number <= kHighestNumber; ++number) {
    // A listed name exists; names the listing missed (a file system that
    // matches names without regard to case, a file made meanwhile) are
    // caught by examining each candidate by name.
    if (listed.Has(number)) continue;
    if (!RecordingPath(side, sizeof side, folder, prefix, number, kLongestExtension) ||
        !RecordingPath(path, sizeof path, folder, prefix, number, ".ts"))
      return 0;
    // A side file left by an earlier recording (whose .ts was renamed at
    // its stop) keeps its number: the recorder would overwrite it.
    if (NameTaken(path) || NameTaken(side)) continue;
    if (write_test) {
      if (ProbeWritable(path)) return number;
      continue;
    }
    // Without the write test the first free name is taken, but only when
    // it can be created at all: a file system that refuses the name (its
    // characters, a folder turned read-only) must not leave a recording that
    // runs without a file. Another number would be refused alike.
    return ProbeWritable(path) ? number : 0;
  }
  return 0;
}
