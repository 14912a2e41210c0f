#include "host/recording_playlist.h"

#include <cstdio>
#include <cstring>

#include "host/recording_files.h"

namespace {

// "NNN.ts" after the prefix.
constexpr size_t kNumberedEnd = 6;

bool Fits(int written, size_t size) { return written >= 0 && static_cast<size_t>(written) < size; }

bool Refuse(char* out, size_t size) {
  if (size > 0) out[0] = '\0';
  return false;
}

bool Digit(char c) { return c >= '0' && c <= '9'; }

// The name part of a path: after its last "/".
const char* NameOf(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash != nullptr ? slash + 1 : path;
}

// The length of the prefix of a recording file's name "R<prefix>NNN.ts"
// (the part between "R" and the number); false when the name is not one.
bool PrefixOfName(const char* name, size_t* length) {
  const size_t size = std::strlen(name);
  if (size < 1 + kNumberedEnd || name[0] != 'R') return false;
  const char* number = name + size - kNumberedEnd;
  if (!Digit(number[0]) || !Digit(number[1]) || !Digit(number[2]) || std::strcmp(number + 3, ".ts") != 0)
    return false;
  *length = size - 1 - kNumberedEnd;
  return true;
}

// A name that a line of the playlist can hold: no line break or other
// control character.
bool PrintableName(const char* name) {
  for (const unsigned char* c = reinterpret_cast<const unsigned char*>(name); *c != '\0'; ++c)
    if (*c < 0x20 || *c == 0x7F) return false;
  return true;
}

}  // namespace

bool PlaylistPath(char* out, size_t size, const char* first_file, int variant) {
  const char* name = NameOf(first_file);
  size_t prefix_length = 0;
  if (variant < 1 || variant > kPlaylistVariants || !PrefixOfName(name, &prefix_length) ||
      size <= sizeof kPlaylistTempSuffix - 1)
    return Refuse(out, size);
  const char* prefix = name + 1;
  if (prefix_length > 0 && prefix[prefix_length - 1] == '_') --prefix_length;
  const int folder_length = static_cast<int>(name - first_file);
  // Room for the temporary name's suffix too.
  const size_t room = size - (sizeof kPlaylistTempSuffix - 1);
  const int written =
      variant == 1
          ? std::snprintf(out, room, "%.*sR%.*s.m3u", folder_length, first_file, static_cast<int>(prefix_length),
                          prefix)
          : std::snprintf(out, room, "%.*sR%.*s(%d).m3u", folder_length, first_file,
                          static_cast<int>(prefix_length), prefix, variant);
  return Fits(written, room) || Refuse(out, size);
}

bool PlaylistTempPath(char* out, size_t size, const char* playlist) {
  return Fits(std::snprintf(out, size, "%s%s", playlist, kPlaylistTempSuffix), size) || Refuse(out, size);
}

bool TitleOfName(char* out, size_t size, const char* name) {
  size_t prefix_length = 0;
  if (!PrefixOfName(name, &prefix_length)) return Refuse(out, size);
  const char* prefix = name + 1;
  const char* title = prefix;
  size_t title_length = prefix_length;
  if (title_length > 0 && title[title_length - 1] == '_') --title_length;
  // "YYYY-MM-DD_HH-MM_" before a title: the title alone.
  const size_t date = PrefixDateLength(prefix);
  if (date == kPrefixTitleStart && title_length > date) {
    title += date;
    title_length -= date;
  }
  const bool named = title_length > 0;
  if (!named) {  // "R_001.ts": the clock was not set
    title = name;
    title_length = std::strlen(name) - 3;
  }
  if (title_length >= size) return Refuse(out, size);
  for (size_t i = 0; i < title_length; ++i) out[i] = named && title[i] == '_' ? ' ' : title[i];
  out[title_length] = '\0';
  return true;
}

namespace {

// Whether the folder part of an absolute path (up to and with its last "/")
// names each folder plainly: no empty, "." or ".." component, so that
// counting its components counts the folders a relative name climbs.
bool PlainFolder(const char* path, size_t folder_length) {
  if (folder_length == 0 || path[0] != '/') return false;
  size_t start = 1;
  for (size_t i = 1; i < folder_length; ++i) {
    if (path[i] != '/') continue;
    const size_t length = i - start;
    if (length == 0 || (length == 1 && path[start] == '.') ||
        (length == 2 && path[start] == '.' && path[start + 1] == '.'))
      return false;
    start = i + 1;
  }
  return true;
}

// `file` as the playlist reaches it from its own folder: its name when both
// are in one folder, else "../" for each of the playlist's folders below
// the folder they share and the file's path from there (a recording that
// went on on another disk: "../sdb1/DVR1/R..._002.ts"). false, with out
// emptied, when a folder is not plain or the name does not fit `size`.
bool RelativeName(char* out, size_t size, const char* file, size_t file_folder, const char* playlist,
                  size_t playlist_folder) {
  if (file_folder == playlist_folder && std::strncmp(file, playlist, file_folder) == 0)
    return Fits(std::snprintf(out, size, "%s", file + file_folder), size) || Refuse(out, size);
  if (!PlainFolder(file, file_folder) || !PlainFolder(playlist, playlist_folder)) return Refuse(out, size);
  // The shared folders: up to the last "/" where both still agree.
  size_t shared = 0;
  for (size_t i = 0; i < file_folder && i < playlist_folder && file[i] == playlist[i]; ++i)
    if (file[i] == '/') shared = i + 1;
  size_t used = 0;
  for (size_t i = shared; i < playlist_folder; ++i) {
    if (playlist[i] != '/') continue;
    if (used + 3 >= size) return Refuse(out, size);
    std::memcpy(out + used, "../", 3);
    used += 3;
  }
  return Fits(std::snprintf(out + used, size - used, "%s", file + shared), size - used) || Refuse(out, size);
}

}  // namespace

bool PlaylistEntry(char* out, size_t size, const char* file, const char* playlist, uint32_t seconds) {
  const char* name = NameOf(file);
  char reference[kPlaylistEntrySize];
  if (!RelativeName(reference, sizeof reference, file, static_cast<size_t>(name - file), playlist,
                    static_cast<size_t>(NameOf(playlist) - playlist)) ||
      !PrintableName(reference))
    return Refuse(out, size);
  char title[256];
  if (!TitleOfName(title, sizeof title, name)) return Refuse(out, size);
  const int written = std::snprintf(out, size, "#EXTINF:%u,%s\n%s\n", seconds, title, reference);
  return Fits(written, size) || Refuse(out, size);
}
