#include "host/recording_destination.h"

#include <sys/vfs.h>

#include <cstdint>

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

}  // namespace

DestinationChoice ChooseDestination(int attempt) {
  const DeviceEntry& wanted = attempt == 0 ? settings.dest1 : settings.dest2;
  const int other = attempt == 0 ? 1 : 0;
  const int index = wanted.index;
  if (index != 0) {
    if (!DestinationUsable(index)) return {0, AttemptText(attempt), other};
    if (IsNtfs(device_table.entries[index].mount)) return {0, 5, other};
    return {index, 0, attempt};
  }
  int count = device_table.count.load(kRelaxed);
  if (count > kDeviceSlots) count = kDeviceSlots;
  int best = 0;
  uint64_t best_bytes = 0;
  for (int candidate = 1; candidate < count; ++candidate) {
    uint64_t bytes = CandidateBytes(candidate);
    if (bytes > best_bytes) {
      best = candidate;
      best_bytes = bytes;
    }
  }
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
