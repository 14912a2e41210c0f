#include "settings/settings_record.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

// Writes all of buffer to fd, resuming after partial writes.
bool WriteAll(int fd, const unsigned char* buffer, size_t size) {
  while (size > 0) {
    ssize_t written = write(fd, buffer, size);
    if (written <= 0) return false;
    buffer += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

}  // namespace

constinit SettingsBlock settings_block{DefaultRecord(), 1};

bool HomePath(char* out, size_t size, const char* relative) {
  int n = std::snprintf(out, size, "%.*s%s", static_cast<int>(sizeof settings.home_dir),
                        settings.home_dir, relative);
  if (n < 0 || static_cast<size_t>(n) >= size) {
    if (size > 0) out[0] = '\0';
    return false;
  }
  return true;
}

int SaveSettings() {
  char path[256];
  char temporary[256];
  if (!HomePath(path, sizeof path, "recolyx.cfg") ||
      !HomePath(temporary, sizeof temporary, "recolyx.cfg.new"))
    return 0;

  // A snapshot of the record, so that the file holds one consistent state.
  unsigned char bytes[kSettingsRecordSize];
  std::memcpy(bytes, static_cast<const void*>(&settings), sizeof bytes);

  int fd = open(temporary, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return 0;
  bool complete = WriteAll(fd, bytes, sizeof bytes) && fsync(fd) == 0;
  complete = (close(fd) == 0) && complete;
  if (!complete || rename(temporary, path) != 0) {
    unlink(temporary);
    return 0;
  }
  return 1;
}
