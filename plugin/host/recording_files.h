// Folders, names and paths of recording files: "%s/R%s%03d.ts" of folder,
// name prefix and number, with the recorder's side file ".mdb" beside it.
// Every path fits kPathSize (256) bytes with its terminator; nothing is ever
// cut into another name: a path that does not fit is refused.
#pragma once

#include <cstddef>

// Highest and lowest part of "DVR1".."DVR9" folders; numbers of file names.
inline constexpr int kLowestNumber = 1;
inline constexpr int kHighestNumber = 998;

// n of the highest folder "DVR" n (n = 9 down to 1) below mount that
// exists; 0 when there is none or the path would not fit.
int FindDvrFolder(const char* mount);

// The recording folder: mount, or mount + "/DVR" + dvr for dvr 1..9. false,
// with out emptied, when it does not fit `size`.
bool RecordingFolder(char* out, size_t size, const char* mount, int dvr);

// True when `folder` is a real directory (lstat: not a symbolic link) on
// the same file system as the directory `mount` (equal st_dev), so that
// what is written there stays on the destination it was chosen for; a
// stick's "DVR9 -> ../../../mtd_appdata" is not. false when either cannot
// be examined.
bool OwnFolder(const char* folder, const char* mount);

// The folder part of path (everything before its last "/"); false, with out
// emptied, when path has no "/" or the folder does not fit.
bool FolderOf(char* out, size_t size, const char* path);

// Bytes a name prefix may take in `folder` so that "folder/R" + prefix +
// three digits + ".mdb" (the longer extension) fits 256 bytes; 0 when not
// even an empty prefix fits.
size_t PrefixRoom(const char* folder);

// Copies prefix into out, shortened to at most `room` bytes when needed:
// only the title of a "YYYY-MM-DD_HH-MM_title_" prefix is shortened, at a
// UTF-8 character boundary, keeping date, time and the final "_". false,
// with out emptied, when it cannot be made to fit (room < 18, or a prefix
// with no title part that is too long).
bool FitPrefix(char* out, size_t size, const char* prefix, size_t room);

// The prefix a finished file is renamed with: the date and time of
// `start` (the prefix the file was created under) and the title of
// `sampled` (the tick's final sample). When start has no date, sampled
// whole. false, with out emptied, when sampled has no title part or the
// result does not fit `size`.
bool FinalPrefix(char* out, size_t size, const char* start, const char* sampled);

// "YYYY-MM-DD_HH-MM" at the start of a prefix, and where a title after it
// and its "_" starts.
inline constexpr size_t kPrefixDateLength = 16;
inline constexpr size_t kPrefixTitleStart = kPrefixDateLength + 1;

// The length of the date and time a prefix begins with: 17 for
// "YYYY-MM-DD_HH-MM_" followed by more (the title), 16 for the date and
// time alone, 0 for anything else.
size_t PrefixDateLength(const char* prefix);

// True when the prefix begins with a date and time ("YYYY-MM-DD_HH-MM"),
// as a prefix made while the clock was set does; false for "_" and null.
bool HasDate(const char* prefix);

// "%s/R%s%03d%s" of folder, prefix, number and extension (".ts", ".mdb").
// false, with out emptied, when it does not fit `size`.
bool RecordingPath(char* out, size_t size, const char* folder, const char* prefix, int number,
                   const char* extension);

// True when path names something, or cannot be examined for a reason other
// than its absence (a name that must not be taken then).
bool NameTaken(const char* path);

// The first number 1..998 whose .ts and .mdb names in folder are free:
// neither exists (any error other than "does not exist" counts as taken) and,
// with write_test, a probe file can be created there exclusively (then
// deleted: only the probe this call created is ever deleted). Without
// write_test only the first free number is probed, and 0 when it cannot be
// created. 0 when every number is taken or the names do not fit.
int FindFreeNumber(const char* folder, const char* prefix, bool write_test);
