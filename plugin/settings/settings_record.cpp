#include "settings/settings_record.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

constinit SettingsBlock settings_block{DefaultRecord(), 1};

namespace {

// Makes the home folder's entries durable, so that the rename survives a
// power cut. Some file systems refuse to sync a folder; the new file is in
// place all the same, so a failure here changes nothing for the caller.
void SyncHomeFolder() {
  char folder[256];
  if (!HomePath(folder, sizeof folder, "")) return;
  int fd = open(folder[0] != '\0' ? folder : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// The longest name below home_dir that HomePathJoin takes, with its
// terminator: a path buffer's size.
constexpr size_t kNameSize = 256;

// home_dir + the pieces into out, when the pieces together are shorter than
// name_limit and the whole fits size; otherwise out emptied and false.
bool JoinBelowHome(char* out, size_t size, std::initializer_list<const char*> pieces, size_t name_limit) {
  const size_t home = strnlen(settings.home_dir, sizeof settings.home_dir);
  size_t name = 0;
  for (const char* piece : pieces) name += std::strlen(piece);
  if (name >= name_limit || home + name >= size) {
    if (size > 0) out[0] = '\0';
    return false;
  }
  std::memmove(out, settings.home_dir, home);  // out may be home_dir's own field
  char* at = out + home;
  for (const char* piece : pieces) {
    const size_t length = std::strlen(piece);
    std::memcpy(at, piece, length);
    at += length;
  }
  *at = '\0';
  return true;
}

}  // namespace

bool HomePath(char* out, size_t size, const char* relative) {
  return JoinBelowHome(out, size, {relative}, static_cast<size_t>(-1));
}

bool HomePathJoin(char* out, size_t size, std::initializer_list<const char*> pieces) {
  return JoinBelowHome(out, size, pieces, kNameSize);
}

bool WriteAll(int fd, const void* data, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (size > 0) {
    ssize_t written = write(fd, bytes, size);
    if (written <= 0) return false;
    bytes += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

int SaveHomeFile(const char* name, const char* temporary_name, const void* bytes, size_t size) {
  // The temporary name is no longer than the file's own, so every home
  // folder whose file path fits also fits the temporary path.
  char path[256];
  char temporary[256];
  if (!HomePath(path, sizeof path, name) || !HomePath(temporary, sizeof temporary, temporary_name)) return 0;

  // Whatever stands at the temporary name (the rest of an interrupted save, a
  // symbolic or hard link) is removed rather than written through; the file
  // is then created new. Anything that could not be removed, or reappears in
  // between, makes the exclusive create fail.
  unlink(temporary);
  int fd = open(temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return 0;
  bool complete = WriteAll(fd, bytes, size) && fsync(fd) == 0;
  complete = (close(fd) == 0) && complete;
  if (!complete || rename(temporary, path) != 0) {
    unlink(temporary);
    return 0;
  }
  SyncHomeFolder();
  return 1;
}

int SaveSettings() {
  // A snapshot of the record, so that the file holds one consistent state.
  unsigned char bytes[kSettingsRecordSize];
  std::memcpy(bytes, static_cast<const void*>(&settings), sizeof bytes);
  return SaveHomeFile(kSettingsFileName, kSettingsTemporaryName, bytes, sizeof bytes);
}
