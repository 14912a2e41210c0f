// The device-log scan over any file content: the table never exceeds its
// 20 slots and every text field stays terminated within its width.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/device_table.h"

namespace {

template <size_t N>
void CheckTerminated(const char (&field)[N]) {
  if (std::memchr(field, '\0', N) == nullptr) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BuildDeviceTable();
  FILE* log = fmemopen(const_cast<uint8_t*>(data), size, "r");
  if (log == nullptr) return 0;
  ScanDeviceLogFrom(log);
  std::fclose(log);
  int count = device_table.count.load();
  if (count < kFixedDevices || count > kDeviceSlots) std::abort();
  for (int i = 0; i < count; ++i) {
    const DeviceEntry& entry = device_table.entries[i];
    if (entry.index != i) std::abort();
    CheckTerminated(entry.name);
    CheckTerminated(entry.vendor);
    CheckTerminated(entry.product);
    CheckTerminated(entry.serial);
    CheckTerminated(entry.mount);
    if (i >= kFixedDevices && (entry.name[0] == '\0' || entry.mount[0] == '\0')) std::abort();
    DeviceEntry stored = entry;
    int found = FindDestination(&stored);
    if (found < 0 || found >= count) std::abort();
  }
  return 0;
}
