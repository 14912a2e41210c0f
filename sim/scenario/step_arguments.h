// The arguments of scenario steps. Each step names the kind of each of its
// arguments with one letter; the parser checks them all before anything runs:
//   n  a whole number that fits an int (arguments, channels)
//   K  a remote key: its code (0 to 65535) or its button's name, RECORD
//      (sim/host/keys/remote_keys.h)
//   c  a count from 0 to 2^38 (milliseconds, MiB, partition numbers): about
//      ten years of milliseconds, so that nothing computed from it overflows
//   w  any word
//   p  a partition FS:SIZE:MOUNT
//   s  a path of the set that stays within the set's folders
//   h  a folder: a path of the set (as s) or a path relative to the folder
//      tvsim runs in (screenshots, frames, the home folder)
//   g  a file tvsim writes (a screenshot): relative to the folder tvsim runs
//      in, or absolute (a path of the set lands in the sandbox)
//   a  all, or a path of the set (as s)
//   f  a fault kind: write, rename, remove, readonly
//   e  an error name: nospace, io, access, readonly, missing
//   v  a value for the setting named by the argument before it
//   t  a setting's name
//   r  a regular expression: the rest of the line as written
//   x  a regular expression in one word (a file name)
//   z  a size range (sim/scenario/file_checks.h) or the word "stream"
//   y  yes or no
//   q  the word free
//   X  a column of the screen (0-959), Y a row (0-539)
//   W  a width of the screen (1-960), H a height (1-540)
//   k  a colour RRGGBB in hexadecimal
//   o  a point of TV time where a thread can be held (kPointNames)
// No path of any kind may have a ".." component, not even one that would
// stay within the set's folders or below the folder tvsim runs in: a
// scenario names its files and folders without going up.
// A trailing '*' lets the last kind repeat.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/platform/faults.h"
#include "sim/platform/virtual_disks.h"
#include "sim/scenario/scenario.h"

namespace sim {

inline constexpr long long kCountLimit = 1LL << 38;

// word as a whole number from low to high. False for anything else.
bool ToWhole(const std::string& word, long long low, long long high, long long* value);

// The points of TV time where a scenario can hold a thread: the host's
// recorder start and stop, the entry of each SDL timer callback (the
// plug-in's tick), a flip of the plug-in's surface, the plug-in's waits (any
// wait, or a wait of MS milliseconds).
inline constexpr const char* kPointNames = "record-start record-stop tick flip wait wait-MS";
bool IsPointName(const std::string& word);

// FS:SIZE:MOUNT. False when a part is missing or wrong.
bool ToPartition(const std::string& word, Partition* partition);

// The fault kind named, or SIM_FAULT_KINDS.
sim_fault_kind ToFaultKind(const std::string& word);

// A path of the set, in its normal form; "" with a reason when it is none,
// climbs out of the set's folders or has a ".." component.
std::string SetPathArgument(const std::string& word, std::string* reason);

// False with a reason naming the path when it has a ".." component (any
// path of a scenario or of tvsim's command line).
bool StaysBelow(const std::string& word, std::string* reason);

// The PC path of a folder argument (kind h): a set path inside the sandbox,
// else the path as given.
std::string FolderArgumentPath(const std::string& word);

// Checks argument `index` of words (words[0] is the step's name) against its
// kind; rest is the line after the step's name, for kind r. Returns false
// with a reason naming the argument.
bool CheckArgument(char kind, const std::vector<std::string>& words, size_t index,
                   const std::string& rest, std::string* reason);

// A number argument the parser has checked; fallback when it was left out.
long long Number(const ScenarioStep& step, size_t index, long long fallback);
int Int(const ScenarioStep& step, size_t index, int fallback);
// A key argument (kind K) the parser has checked: its code.
int KeyArgument(const ScenarioStep& step, size_t index);

// The words from `from` on, joined by blanks.
std::string Rest(const std::vector<std::string>& words, size_t from);

}  // namespace sim
