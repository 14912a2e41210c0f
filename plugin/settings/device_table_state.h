// The device table's words: the places a recording can be written to, as
// BuildDeviceTable and ScanDeviceLog (settings/device_table.h) last found
// them. Written on the key thread (init_config, the settings screen, the
// start of a recording); read there and by the supervision tick.
#pragma once

#include <atomic>
#include <cstdint>

#include "settings/device_entry.h"

inline constexpr int kDeviceSlots = 20;
inline constexpr int kFixedDevices = 2;

struct DeviceTable {
  DeviceEntry entries[kDeviceSlots];
  std::atomic<int32_t> count;        // valid entries, 2..20 once built
  std::atomic<int32_t> fixed_count;  // 2 once built
};

// Zeroed at load; BuildDeviceTable fills it from the start.
extern DeviceTable device_table;
