#include "host/playlist_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "host/recording_playlist.h"

namespace {

constexpr size_t kEndBytes = sizeof kPlaylistEnd - 1;

// Calls `step` (a read or write of up to n bytes at offset `at`) until all
// `size` bytes are through; false at an error or the end of the file.
template <typename Step>
bool AllOf(size_t size, Step step) {
  for (size_t done = 0; done < size;) {
    const ssize_t n = step(done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool WriteAll(int fd, const char* data, size_t size) {
  return AllOf(size, [&](size_t at, size_t n) { return write(fd, data + at, n); });
}

bool WriteText(int fd, const char* text) { return WriteAll(fd, text, std::strlen(text)); }

bool ReadAll(int fd, char* data, size_t size) {
  return AllOf(size, [&](size_t at, size_t n) { return read(fd, data + at, n); });
}

// A new file, never over an existing one nor through a link.
int CreateExclusive(const char* path) {
  return open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

bool IsLastWritten(const struct stat& status, const PlaylistState& playlist) {
  return S_ISREG(status.st_mode) && static_cast<uint64_t>(status.st_dev) == playlist.device &&
         static_cast<uint64_t>(status.st_size) == playlist.bytes;
}

// Notes what the open file `fd` is on disk as the playlist.
bool NoteFile(int fd, PlaylistState& playlist) {
  struct stat status;
  if (fstat(fd, &status) != 0) return false;
  playlist.device = static_cast<uint64_t>(status.st_dev);
  playlist.bytes = static_cast<uint64_t>(status.st_size);
  return true;
}

// Closes a file this code created and wrote; deletes it when the writing
// or the close failed. True when it stays, whole.
bool Finish(int fd, const char* path, bool written) {
  if (close(fd) != 0) written = false;
  if (!written) std::remove(path);
  return written;
}

// The first version, listing the first file and `file`, in the folder of
// `beside` under the first variant of the first file's playlist name that
// is free there.
bool WriteFirstBeside(PlaylistState& playlist, const char* file, uint32_t seconds, const char* beside) {
  const char* first = playlist.first.data();
  const char* first_name = std::strrchr(first, '/');
  const char* slash = std::strrchr(beside, '/');
  if (first_name == nullptr || slash == nullptr) return false;
  // The first file's name in that folder: what the playlist's name comes from.
  char named[kPathSize];
  const int written = std::snprintf(named, sizeof named, "%.*s%s", static_cast<int>(slash - beside), beside, first_name);
  if (written < 0 || static_cast<size_t>(written) >= sizeof named) return false;
  char path[kPathSize];
  char first_lines[kPlaylistEntrySize];
  char lines[kPlaylistEntrySize];
  for (int variant = 1; variant <= kPlaylistVariants; ++variant) {
    if (!PlaylistPath(path, sizeof path, named, variant) ||
        !PlaylistEntry(first_lines, sizeof first_lines, first, path, playlist.first_seconds) ||
        !PlaylistEntry(lines, sizeof lines, file, path, seconds))
      return false;
    const int fd = CreateExclusive(path);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return false;
    const bool whole = WriteText(fd, kPlaylistHeader) && WriteText(fd, first_lines) && WriteText(fd, lines) &&
                       WriteText(fd, kPlaylistEnd) && NoteFile(fd, playlist);
    if (!Finish(fd, path, whole)) return false;
    std::memcpy(playlist.path.data(), path, sizeof path);
    return true;
  }
  return false;
}

// The first version beside the first file; when that folder cannot take it
// (its disk full or gone: the recording went on on another disk), beside
// `file`, whence it reaches the first file by its path.
bool WriteFirst(PlaylistState& playlist, const char* file, uint32_t seconds) {
  if (WriteFirstBeside(playlist, file, seconds, playlist.first.data())) return true;
  const char* first_slash = std::strrchr(playlist.first.data(), '/');
  const char* file_slash = std::strrchr(file, '/');
  const bool same_folder = first_slash != nullptr && file_slash != nullptr &&
                           first_slash - playlist.first.data() == file_slash - file &&
                           std::strncmp(playlist.first.data(), file, static_cast<size_t>(file_slash - file)) == 0;
  return !same_folder && WriteFirstBeside(playlist, file, seconds, file);
}

// Copies the version before, but for its end line (`listed` bytes and the
// end line after them, nothing more), from `from` to `to`.
bool CopyListed(int from, int to, size_t listed) {
  char chunk[4096];
  while (listed > 0) {
    const size_t take = listed < sizeof chunk ? listed : sizeof chunk;
    if (!ReadAll(from, chunk, take) || !WriteAll(to, chunk, take)) return false;
    listed -= take;
  }
  char end[kEndBytes + 1];
  return ReadAll(from, end, kEndBytes) && std::memcmp(end, kPlaylistEnd, kEndBytes) == 0 &&
         read(from, end, 1) == 0;
}

// The next version: the one before with `file` added, written beside it and
// renamed over it.
bool WriteNext(PlaylistState& playlist, const char* file, uint32_t seconds) {
  char temp[kPathSize];
  char lines[kPlaylistEntrySize];
  if (!PlaylistTempPath(temp, sizeof temp, playlist.path.data()) ||
      !PlaylistEntry(lines, sizeof lines, file, playlist.path.data(), seconds))
    return false;
  const int before = open(playlist.path.data(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (before < 0) return false;
  struct stat status;
  if (fstat(before, &status) != 0 || !IsLastWritten(status, playlist) ||
      status.st_size < static_cast<off_t>(kEndBytes)) {
    close(before);
    return false;
  }
  const int fd = CreateExclusive(temp);
  if (fd < 0) {
    close(before);
    return false;
  }
  PlaylistState next = playlist;
  const bool written = CopyListed(before, fd, static_cast<size_t>(status.st_size) - kEndBytes) &&
                       WriteText(fd, lines) && WriteText(fd, kPlaylistEnd) && NoteFile(fd, next);
  close(before);
  if (!Finish(fd, temp, written)) return false;
  if (std::rename(temp, playlist.path.data()) != 0) {
    std::remove(temp);
    return false;
  }
  playlist = next;
  return true;
}

}  // namespace

void AddToPlaylist(PlaylistState& playlist, const char* file, uint32_t seconds) {
  if (playlist.files < 0) return;
  if (playlist.files == 0) {
    const int written = std::snprintf(playlist.first.data(), playlist.first.size(), "%s", file);
    playlist.files = written >= 0 && static_cast<size_t>(written) < playlist.first.size() ? 1 : -1;
    playlist.first_seconds = seconds;
    return;
  }
  const bool added = playlist.files == 1 ? WriteFirst(playlist, file, seconds) : WriteNext(playlist, file, seconds);
  playlist.files = added ? playlist.files + 1 : -1;
}

bool DeletePlaylist(PlaylistState& playlist) {
  struct stat status;
  const bool deleted = playlist.path[0] != '\0' && lstat(playlist.path.data(), &status) == 0 &&
                       IsLastWritten(status, playlist) && std::remove(playlist.path.data()) == 0;
  playlist = PlaylistState{};
  return deleted;
}
