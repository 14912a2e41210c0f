// What the plug-in would see right now, for tvsim's listing options: the
// device table it builds from the set's device log, and the name prefix it
// would give a recording started now. Computed by the plug-in's own code,
// linked a second time (hidden) into the simulator, on the same sandbox,
// clock and programme guide, with the settings record the loader handed over.
#pragma once

#include <cstdio>
#include <cstring>

#include "host/storage_checks.h"
#include "settings/device_table.h"
#include "settings/settings_record.h"
#include "sim/platform/disk_state.h"
#include "supervision/programme_info.h"

namespace sim {

// One line per entry: index, display text, name, mount folder, file system
// (the disk's statfs type), NTFS flag, and vendor and serial.
inline void PrintDeviceTable(FILE* out) {
  BuildDeviceTable();
  int count = device_table.count.load();
  std::fprintf(out, "device table: %d entries\n", count);
  for (int i = 0; i < count; ++i) {
    const DeviceEntry& entry = device_table.entries[i];
    struct statfs figures {};
    unsigned long type = entry.mount[0] != '\0' && statfs(entry.mount, &figures) == 0
                             ? static_cast<unsigned long>(figures.f_type)
                             : 0;
    std::fprintf(out, "  %2d %-20s name=%-19s mount=%-24s type=0x%lx ntfs=%d vendor=%s serial=%s\n",
                 i, DeviceDisplayText(entry), entry.name, entry.mount[0] ? entry.mount : "-",
                 type, entry.ntfs, entry.vendor, entry.serial);
  }
}

// The prefix, and whether it carries the programme's title.
inline void PrintNamePrefix(FILE* out, const void* record) {
  std::memcpy(static_cast<void*>(&settings), record, kSettingsRecordSize);
  int with_title = RefreshProgrammeInfo();
  std::fprintf(out, "name prefix: %s (%s)\n", name_prefix,
               with_title ? "with title" : "no programme or clock");
}

}  // namespace sim
