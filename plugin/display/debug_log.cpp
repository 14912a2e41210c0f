#include "display/debug_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Creates the file exclusively, never through a link at the name.
int CreateNewFile(const char* path, int access, mode_t mode) {
  return open(path, access | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
}

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
// When nothing stood at the name (ENOENT), there is nothing to remove
// before the log is made; in a read-only folder (EROFS) there is no log.
int OpenLog() {
  int fd = open(kDebugLogPath, O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd >= 0) {
    if (OwnPlainFile(fd)) return fd;
    close(fd);
  } else if (errno == ENOENT) {
    return CreateNewFile(kDebugLogPath, O_WRONLY | O_APPEND, 0644);
  } else if (errno == EROFS) {
    return -1;  // a read-only folder: nothing can be removed or made there
  }
  return CreateRamFile(kDebugLogPath, O_WRONLY | O_APPEND, 0644);
}

}  // namespace

int CreateRamFile(const char* path, int access, mode_t mode) {
  unlink(path);
  return CreateNewFile(path, access, mode);
}

void DebugLog(const char* text) {
  char line[kDebugLogTextMax + 1];
  // A longer text is cut; the line still ends in its line feed.
  if (text == nullptr) text = "";
  size_t length = strnlen(text, kDebugLogTextMax);
  std::memcpy(line, text, length);
  line[length++] = '\n';
  int fd = OpenLog();
  if (fd < 0) return;
  // One write: appended whole, never interleaved with another writer's line.
  ssize_t written = write(fd, line, length);
  (void)written;  // a line that cannot be written is dropped
  close(fd);
}
