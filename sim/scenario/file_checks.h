// The files a scenario checks: sizes written like "512M", size ranges, and
// whether a file is a whole transport stream.
#pragma once

#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

namespace sim {

inline constexpr int kPacketBytes = 188;
inline constexpr unsigned char kSyncByte = 0x47;

// "512", "64K", "512M", "8G", "5T": bytes. Returns false, *bytes untouched,
// for anything else (signs, other units, a figure that overflows 64 bits).
bool ParseBytes(const std::string& word, uint64_t* bytes);

// The entries of folder (a PC path) by name; empty, with *error set (when
// given), when it cannot be listed.
std::vector<std::string> SortedNames(const std::string& folder, std::error_code* error = nullptr);

// A size range: "N" (exactly), "MIN-MAX", "MIN-" (no upper bound), "-MAX",
// each figure as ParseBytes takes it. Returns false for anything else or
// when MIN > MAX.
bool ParseSizeRange(const std::string& word, uint64_t* low, uint64_t* high);

// True when the file at path (a PC path) holds whole 188-byte packets, each
// starting with the sync byte 0x47, and at least one. Otherwise false with
// why saying what is wrong ("cannot open", "not whole packets", "no sync
// byte at byte N"). Reads the file once, in bounded chunks.
bool IsTransportStream(const std::string& path, std::string* why);

// What a scenario's file check found in the PC folder `folder`: an entry
// whose whole name matches name_pattern (an ECMAScript regular expression)
// with a size from low to high bytes and, when stream is set, a whole
// transport stream. Returns true when one does; else false with got naming
// the entries that match the name with their sizes (or, when none does, up
// to ten of the folder's entries), at most about 600 bytes.
bool FindMatchingFile(const std::string& folder, const std::string& name_pattern, uint64_t low,
                      uint64_t high, bool stream, std::string* got);

// The names in folder (a PC path) that match name_pattern, at most ten, in
// name order, separated by ", ": "" when none does.
std::string MatchingNames(const std::string& folder, const std::string& name_pattern);

// One entry as the files step lists it: "NAME/" for a folder, "NAME SIZE
// bytes, whole packets" for a stream (".ts"; broken when SIZE is no multiple
// of 188), "NAME SIZE bytes" for another file, "NAME ? bytes" when its size
// cannot be read.
std::string DescribeEntry(const std::string& folder, const std::string& name);

}  // namespace sim
