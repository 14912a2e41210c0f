// The places a recording can be written to: "Auto", the internal memory, and
// one entry per mounted partition of each USB storage device that the TV's
// software lists in "/dtv/usb/log". Rebuilt at start, when the toolbox opens
// and before every recording; the two destination settings keep whole entry
// copies and are matched again against each fresh table by their texts.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "settings/device_entry.h"
#include "settings/device_table_state.h"

// The set's list of attached storage.
inline constexpr const char* kDeviceLogPath = "/dtv/usb/log";
// The internal memory's recording folder.
inline constexpr const char* kInternalMemoryFolder = "/mtd_wiselink/MOVIE001";

// Clears the table, stores the two fixed entries, then scans the device log.
void BuildDeviceTable();

// Drops the USB entries and appends one per partition listed in the log,
// passing over a mount that exists but is no folder itself (a symbolic link,
// a file). A log line longer than 255 bytes is dropped whole.
void ScanDeviceLog();
// The same from an open device log (read to its end, not closed).
void ScanDeviceLogFrom(FILE* log);

// Copies the table entry named by the index of dest1 (which = 1) or dest2
// (which = 2) over that destination. An index outside the table selects "Auto".
void CopyDestination(int which);

// Points dest1, then dest2, at the table entry that now holds the same device.
void RematchDestinations();

// The table index that holds the stored device now; 0 ("Auto") when it is gone.
int FindDestination(const DeviceEntry* stored);

// True when both texts are non-empty and equal. Fields need not be terminated
// within their width (a damaged settings file).
template <size_t N>
bool SameText(const char (&a)[N], const char (&b)[N]) {
  return a[0] != '\0' && b[0] != '\0' && std::strncmp(a, b, N) == 0;
}

// What the menus show for an entry: its product, or its name when that is empty.
const char* DeviceDisplayText(const DeviceEntry& entry);
// The same copied into `out` (`size` bytes, always terminated), bounded by
// the field's width: a stored copy need not be terminated within it.
void CopyDeviceDisplayText(const DeviceEntry& entry, char* out, size_t size);
