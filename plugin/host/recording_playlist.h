// Names and lines of a recording's playlist. A recording of two or more
// files gets an extended M3U playlist beside its files, named like the
// recording without a part number: its first file "R<prefix>NNN.ts" gives
// "R<prefix>.m3u", the prefix's final "_" left out. It lists the files in
// order, each by its name relative to the playlist after a line
// "#EXTINF:<seconds>,<title>", and ends with "#EXT-X-ENDLIST": players that
// read HLS playlists take a list without it for one that is still growing,
// others skip it as a comment.
//
// Every path and line fits its buffer with its terminator; what does not
// fit, and a name that is not a recording file's, is refused, never cut.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr char kPlaylistHeader[] = "#EXTM3U\n";
inline constexpr char kPlaylistEnd[] = "#EXT-X-ENDLIST\n";
// Appended to the playlist's path for the new version written beside it.
inline constexpr char kPlaylistTempSuffix[] = ".new";
// Names a playlist may take: its own, then "(2)" .. "(9)" before ".m3u"
// when another recording's playlist has that name.
inline constexpr int kPlaylistVariants = 9;
// Room for one entry: "#EXTINF:", the seconds, ",", a title and a name of
// up to 255 bytes each, two line ends.
inline constexpr size_t kPlaylistEntrySize = 2 * 256 + 32;

// The playlist's path for the recording whose first file is `first_file`
// ("folder/R<prefix>NNN.ts"): "folder/R<prefix>.m3u" for variant 1,
// "folder/R<prefix>(n).m3u" for variant n in 2..kPlaylistVariants. false,
// with out emptied, when first_file is not named so, the variant is out of
// range, or the path with kPlaylistTempSuffix would not fit `size`.
bool PlaylistPath(char* out, size_t size, const char* first_file, int variant);

// The playlist's path with kPlaylistTempSuffix; false, with out emptied,
// when it does not fit `size`.
bool PlaylistTempPath(char* out, size_t size, const char* playlist);

// The title a recording file's name carries: the title part of its prefix
// ("Das_Boot" of "R2024-03-07_20-15_Das_Boot_001.ts"), or the date and time
// when it has no title, each "_" as a space; the name without ".ts" as it
// is when its prefix holds neither. false, with out emptied, when `name` is not
// a recording file's name ("R<prefix>NNN.ts") or the title does not fit.
bool TitleOfName(char* out, size_t size, const char* name);

// The file's two lines: "#EXTINF:<seconds>,<title>\n<name>\n", the name
// relative to the playlist's folder: the file's name when both are in one
// folder, else "../" for each of the playlist's folders below the folder
// both paths share, then the file's path from that folder (the files a
// recording wrote on another disk: "../sdb1/R..._002.ts"). false, with out
// emptied, when the file's name is not a recording file's, the relative
// name holds a control character, the two paths are not absolute with
// plain folders (no empty, "." or ".." part) while in different folders,
// or the lines do not fit `size`.
bool PlaylistEntry(char* out, size_t size, const char* file, const char* playlist, uint32_t seconds);
