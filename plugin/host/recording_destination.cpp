#include "host/recording_destination.h"

#include <sys/vfs.h>

#include <cstdint>
#include <cstring>

#include "host/recording_state.h"
#include "host/storage_checks.h"
#include "settings/device_table.h"
#include "settings/settings_record.h"
#include "supervision/supervision_state.h"

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr unsigned long kSmbMagic = 0x517B;
constexpr unsigned long kCifsMagic = 0xFF534D42;
constexpr unsigned long kNfsMagic = 0x6969;
constexpr unsigned long kFatMagic = 0x4D44;

int AttemptText(int attempt) { return attempt == 0 ? 3 : 4; }

// Free bytes of an automatic candidate, 0 when it is none.
uint64_t CandidateBytes(int index) {
  if (!DestinationUsable(index)) return 0;
  struct statfs figures;
  if (statfs(device_table.entries[index].mount, &figures) != 0 ||
      static_cast<unsigned long>(figures.f_type) == kNtfsMagic)
    return 0;
  return static_cast<uint64_t>(figures.f_bavail) * static_cast<uint64_t>(figures.f_bsize);
}

// The entry of "Auto" with the most free bytes (0 when none), leaving out
// the one whose folder is `leaving` (none when null); a later one replaces
// the best only when strictly larger.
int Roomiest(const char* leaving, uint64_t* best_bytes) {
  int count = device_table.count.load(kRelaxed);
  if (count > kDeviceSlots) count = kDeviceSlots;
  int best = 0;
  *best_bytes = 0;
  for (int candidate = 1; candidate < count; ++candidate) {
    if (leaving != nullptr && std::strcmp(device_table.entries[candidate].mount, leaving) == 0) continue;
    uint64_t bytes = CandidateBytes(candidate);
    if (bytes > *best_bytes) {
      best = candidate;
      *best_bytes = bytes;
    }
  }
  return best;
}

}  // namespace

DestinationChoice ChooseFailover(int attempt, const char* leaving) {
  const int own_slot = attempt == 1 ? 1 : 0;
  const int other_slot = 1 - own_slot;
  const DeviceEntry& own = own_slot == 0 ? settings.dest1 : settings.dest2;
  const DeviceEntry& other = other_slot == 0 ? settings.dest1 : settings.dest2;
  const int count = device_table.count.load(kRelaxed);
  const DestinationChoice none{0, AttemptText(own_slot), own_slot};
  if (own.index != 0 && other.index != 0) {
    const int index = other.index;
    if (index < 0 || index >= count || index >= kDeviceSlots ||
        std::strcmp(device_table.entries[index].mount, leaving) == 0 ||
        CandidateBytes(index) <= kFailoverMinFreeBytes)
      return none;
    return {index, 0, other_slot};
  }
  uint64_t bytes = 0;
  const int best = Roomiest(leaving, &bytes);
  if (best == 0 || bytes <= kFailoverMinFreeBytes) return none;
  // "Auto" goes on as "Auto"; a fixed destination hands over to the other.
  return {best, 0, own.index == 0 ? own_slot : other_slot};
}

DestinationChoice ChooseDestination(int attempt) {
  const DeviceEntry& wanted = attempt == 0 ? settings.dest1 : settings.dest2;
  const int other = attempt == 0 ? 1 : 0;
  const int index = wanted.index;
  if (index != 0) {
    if (!DestinationUsable(index)) return {0, AttemptText(attempt), other};
    if (IsNtfs(device_table.entries[index].mount)) return {0, 5, other};
    return {index, 0, attempt};
  }
  uint64_t best_bytes = 0;
  const int best = Roomiest(nullptr, &best_bytes);
  if (best == 0) return {0, AttemptText(attempt), 0};
  return {best, 0, attempt};
}

int ClassifyDestination(int index, int mode) {
  const DeviceEntry& entry = device_table.entries[index];
  if (statfs(entry.mount, &fs) != 0) fs.f_type = 0;
  const unsigned long type = static_cast<unsigned long>(fs.f_type);
  const bool network = type == kSmbMagic || type == kCifsMagic || type == kNfsMagic;
  recording.network_dest.store(network ? 1 : 0, kRelaxed);
  recording.memory_dest.store(type == kInternalMemoryMagic && entry.fixed != 0 ? 1 : 0, kRelaxed);
  if (mode != kSplitAutomatic) return mode;
  if (network) return 0;
  if (type == kInternalMemoryMagic) return 2;
  return type == kFatMagic ? 3 : 4;
}
