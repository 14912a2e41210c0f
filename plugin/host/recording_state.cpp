#include "host/recording_state.h"

#include <cstring>

RecordingOwner recording_owner;
constinit Recording recording{};

void ResetRecordingState() NO_THREAD_SAFETY_ANALYSIS {
  // Runs at a fresh start and in test fixtures, with no other thread in the
  // plug-in.
  constexpr auto kRelaxed = std::memory_order_relaxed;
  recording.ts_path[0] = recording.mdb_path[0] = recording.rename_path[0] = '\0';
  recording.start_prefix[0] = recording.mount[0] = recording.leaving[0] = '\0';
  recording.recent_files = {};
  recording.playlist = {};
  recording.disks = {};
  recording.disk_count = 0;
  for (std::atomic<int>* word : {&recording.recent_file_count, &recording.dest_attempt,
                                 &recording.network_dest, &recording.memory_dest,
                                 &recording.last_start_failure, &recording.stop_request})
    word->store(0, kRelaxed);
  recording.tick_wanted.store(0, kRelaxed);
  recording.phase.store(kPhaseIdle, kRelaxed);
  recording.taken.store(0, std::memory_order_release);
}
