#include "display/debug_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace {

// The log is the plug-in's own when it is a plain file of this user with
// this one name: nothing else is appended to.
bool OwnPlainFile(int fd) {
  struct stat status;
  return fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_nlink == 1 &&
         status.st_uid == geteuid();
}

// The log opened for appending: the earlier log when it is the plug-in's own,
// else a new one. O_NONBLOCK keeps a FIFO at the name from blocking the open;
// O_NOCTTY keeps a terminal from becoming the host's.
int OpenLog() {
  int fd = open(kDebugLogPath, O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd >= 0) {
    if (OwnPlainFile(fd)) return fd;
    close(fd);
  }
  return CreateRamFile(kDebugLogPath, O_WRONLY | O_APPEND, 0644);
}

}  // namespace

int CreateRamFile(const char* path, int access, mode_t mode) {
  unlink(path);
  return open(path, access | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
}

void DebugLog(const char* text) {
  char line[kDebugLogTextMax + 2];
  // A longer text is cut; the line still ends in its line feed.
  int n = std::snprintf(line, sizeof line, "%s\n", text != nullptr ? text : "");
  if (n < 0) return;
  size_t length = static_cast<size_t>(n);
  if (length >= sizeof line) {
    length = sizeof line - 1;
    line[length - 1] = '\n';
  }
  int fd = OpenLog();
  if (fd < 0) return;
  // One write: appended whole, never interleaved with another writer's line.
  ssize_t written = write(fd, line, length);
  (void)written;  // a line that cannot be written is dropped
  close(fd);
}
