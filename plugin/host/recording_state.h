// The recording: one structure holding a recording's words, and its one
// owner. Start, stop and split are transitions of the recording and run one
// at a time; `recording_owner` is the capability of the thread that carries
// one out (host/recording_transition.h takes and gives it back). The texts
// and lists below are GUARDED_BY it: clang's thread-safety analysis refuses
// a line that reads or writes them without holding it. The atomic words are
// written by the owner and may be read by anyone (the dispatcher decides on
// `phase`, the pane shows the destination icons).
//
// The figures the tick measures once a second live in
// supervision/supervision_state.h.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "thread_annotations.h"

inline constexpr int kPathSize = 256;
inline constexpr int kRecentFileSlots = 10;

// A text of the recording. A std::array rather than a plain array: the
// thread-safety analysis follows its data() and size() calls, where a plain
// array's decay to a pointer escapes it.
using PathText = std::array<char, kPathSize>;

// A shared word's current value, read relaxed: the words of the recording
// and the tick are each read on their own, and the transitions that must
// order them take the recording's owner first.
inline int Word(const std::atomic<int>& word) { return word.load(std::memory_order_relaxed); }

// The capability of the recording's transitions. It holds no data: the
// thread that holds it is the one that took the transition.
class CAPABILITY("recording") RecordingOwner {};
extern RecordingOwner recording_owner;

// A recording's life. The owner moves it on, with two exceptions that
// need no owner because nothing else moves it then: the thread that shows
// a stop's notices after giving the owner back (the stop left kStopping,
// which refuses starts) enters kSummary and then kIdle; and the standby
// after a timed stop leaves kStandbyPending for kIdle only if it still
// holds (a remote key during its countdown cancels it, and the standby is
// not sent).
enum RecordingPhase : int {
  kPhaseIdle,            // nothing records
  kPhaseStarting,        // a start from rest runs
  kPhaseRecording,       // the recorder writes
  kPhaseSplitting,       // the tick stops the file and starts the next
  kPhaseStopping,        // a stop runs, with the notice before or after it
  kPhaseSummary,         // the stop's summary shows
  kPhaseStandbyPending,  // a timed stop's standby counts down; the key follows
};
inline constexpr int kPhaseCount = 7;

// Files of the last recording for the delete dialog.
struct RecentFile {
  char ts[kPathSize];
  char mdb[kPathSize];
};

// The playlist of a recording (host/playlist_file.h): written when its
// second file is finished, replaced at each file after that.
struct PlaylistState {
  // Files of the recording it has seen: 0 none, 1 the first (not listed
  // yet: a recording of one file has no playlist), 2 and more listed in
  // the playlist at `path`; -1 given up (the recording's playlist stays as
  // it was last written, or there is none).
  int files = 0;
  PathText first{};        // the first file, until the second comes
  uint32_t first_seconds = 0;
  PathText path{};         // the playlist, once written
  // What it is on disk as last written: only a regular file on that disk
  // of that size is read, replaced or deleted as the playlist. Not its
  // inode number: FAT file systems make those up anew when a file's inode
  // is read back into memory.
  uint64_t device = 0;
  uint64_t bytes = 0;
};

// One disk a recording wrote to: a recording moves to another disk when its
// disk fills or goes (the tick's failover), and its summary lists each.
inline constexpr int kDiskLabelSize = 64;
inline constexpr int kDeviceMountSize = 128;
struct RecordingDisk {
  char label[kDiskLabelSize];    // the device as the screens name it
  char mount[kDeviceMountSize];  // its mount folder
  int dvr_folder;                // the DVR folder number used there (0: the root)
  int files;                     // finished files of the recording on it
  char last_path[kPathSize];     // the last of them, as renamed
};
// The disks a summary lists; a recording that moves on more often than
// this keeps its first ones and the newest in the last slot.
inline constexpr int kRecordingDisks = 4;

struct Recording {
  // 1 while a thread holds recording_owner; taken and given back only by
  // host/recording_transition.h.
  std::atomic<int> taken{0};
  // RecordingPhase; read by anyone.
  std::atomic<int> phase{kPhaseIdle};
  // Counts starts from rest; the tick of a recording carries the value it
  // was registered with and ends itself once it differs (a tick left over
  // from an earlier recording).
  std::atomic<uint32_t> generation{0};
  // A stop key (70, 2, 258) that came during a split: the tick finishes the
  // split as this stop instead of restarting. 0 when none.
  std::atomic<int> stop_request{0};
  // The generation of a recording just started from rest whose tick is
  // still to be started (by the key dispatcher); 0 when none.
  std::atomic<uint32_t> tick_wanted{0};

  // Path of the current .ts file, its side file (emptied when deleted at
  // the stop), and the name built for the rename at the stop.
  PathText ts_path GUARDED_BY(recording_owner);
  PathText mdb_path GUARDED_BY(recording_owner);
  PathText rename_path GUARDED_BY(recording_owner);
  // The name prefix the current file was created under: its date and time
  // go into the final name.
  PathText start_prefix GUARDED_BY(recording_owner);
  // The destination's mount folder, as the start found it: the tick
  // measures free space here, whatever the device table says meanwhile.
  PathText mount GUARDED_BY(recording_owner);
  // The mount folder a split's restart moves away from (the tick's
  // failover: that disk is full or gone); empty for a plain split.
  PathText leaving GUARDED_BY(recording_owner);

  // The disks of the current recording, in the order it used them, and how
  // many of disks are used (1.. once a start from rest recorded).
  std::array<RecordingDisk, kRecordingDisks> disks GUARDED_BY(recording_owner);
  int disk_count GUARDED_BY(recording_owner) = 0;

  // The playlist of the current (or last) recording.
  PlaylistState playlist GUARDED_BY(recording_owner);

  // Files of the last recording, and how many are used (0..10). Key 140
  // empties the list by setting the count to 0.
  std::array<RecentFile, kRecentFileSlots> recent_files GUARDED_BY(recording_owner);
  std::atomic<int> recent_file_count{0};

  // 0: the next start from rest tries dest1; 1: dest2 (after dest1 failed).
  std::atomic<int> dest_attempt{0};
  // The running recording goes to a network file system, or to the set's
  // internal memory (the information pane's destination icon).
  std::atomic<int> network_dest{0};
  std::atomic<int> memory_dest{0};
  // Catalogue text of the message box the last failed start showed (3, 4,
  // 5, 45); 0 after a start that records.
  std::atomic<int> last_start_failure{0};
};
extern Recording recording;

// The recording's phase as last entered (anyone may read it).
inline RecordingPhase CurrentPhase() {
  return static_cast<RecordingPhase>(recording.phase.load(std::memory_order_relaxed));
}

// Leaves kPhaseStandbyPending for idle: the standby's countdown when it runs
// out (the standby key is sent then) and a remote key during it (the key
// cancels the standby) race for this step. true for the one that made it.
inline bool LeaveStandbyPending() {
  if (CurrentPhase() != kPhaseStandbyPending) return false;
  int pending = kPhaseStandbyPending;
  return recording.phase.compare_exchange_strong(pending, kPhaseIdle, std::memory_order_relaxed);
}

// What a stop did, handed to its notices and summary as a value (they show
// once the owner has been given back).
struct StopOutcome {
  int removed = 0;             // 1: the file was empty and has been deleted
  int files = 0;               // files of the recording (parts)
  uint32_t size_mb = 0;        // all its files together, MiB
  uint32_t start_time = 0;     // system-clock second the recording began
  int dvr_folder = 0;          // DVR folder number it went to (0: the root)
  char last_path[kPathSize] = "";  // the last file's path, as renamed
  // The disks it went to (more than one after a failover), in order.
  int disk_count = 0;
  RecordingDisk disks[kRecordingDisks] = {};
};

// Every word 0 and every text empty; the phase idle. The generation only
// ever grows, so a tick registered before the reset still ends itself.
void ResetRecordingState();
