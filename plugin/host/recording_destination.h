// Where a recording goes: one of the two configured destinations, or with
// "Auto" the table entry with the most free bytes.
#pragma once

#include <cstdint>

// The outcome of a choice: the table index to record to (>= 1), or 0 with
// the catalogue text of the message box to show and the destination the
// next start tries (recording.dest_attempt).
struct DestinationChoice {
  int index;
  int text;
  int next_attempt;
};

// Chooses by `attempt` (0: dest1, 1: dest2). A fixed destination must be
// usable (DestinationUsable) and not NTFS: else text 3 (attempt 0) or 4
// (attempt 1), or 5 for NTFS, and the next attempt is the other one. "Auto"
// takes among entries 1..count-1 that are usable, readable by statfs and
// not NTFS the one with the most free bytes (f_bavail * f_bsize, 64-bit);
// a later one replaces it only when strictly larger and not zero. With no
// candidate, text 3 or 4 and the next attempt 0. Leaves fs as the last
// statfs examined.
DestinationChoice ChooseDestination(int attempt);

// The least free space a destination needs to take over a recording whose
// disk filled or went: more than the low-space mark, so that the recording
// does not move on at once again.
inline constexpr uint64_t kFailoverMinFreeBytes = uint64_t{32} << 20;

// Where a recording goes on when its disk (mount folder `leaving`) is full
// or gone; `attempt` names the destination it records to (0: dest1, 1:
// dest2). With both destinations fixed, the other one; when either is "Auto",
// the candidate of "Auto" with the most free bytes that is not on `leaving`.
// The destination taken must be usable, not NTFS, not at `leaving` and have
// more than kFailoverMinFreeBytes free. The result's index is 0 when none
// is; next_attempt is the destination the recording then records to (the
// other one when it was taken, else `attempt`). Leaves fs as the last statfs
// examined.
DestinationChoice ChooseFailover(int attempt, const char* leaving);

// The split choice for split_mode `mode` on table entry `index`: the mode
// itself unless it is 1 (automatic), which gives 0 on a network file
// system, 2 on the internal memory's, 3 on FAT, else 4. Sets recording.network_dest
// and recording.memory_dest for the entry (statfs of its folder, into fs; a failed
// statfs counts as type 0).
int ClassifyDestination(int index, int mode);
