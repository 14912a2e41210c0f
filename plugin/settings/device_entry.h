// One place a recording can be written to. The same 276-byte layout is stored
// inside the settings record and therefore in the settings file: offsets,
// widths and padding are a file format.
#pragma once

#include <cstddef>
#include <cstdint>

struct DeviceEntry {
  int32_t index;       // the entry's own position in the table when stored
  char name[20];       // device-log section name; "Auto" or "MOVIE001" when fixed
  char vendor[50];
  char product[20];    // with a partition number when the device has several
  char serial[50];
  char mount[128];     // folder recordings are written to; empty for "Auto"
  uint8_t fixed;       // 1 for the two fixed entries
  uint8_t ntfs;        // 1 when the mount folder is on NTFS
  uint8_t padding[2];
};

static_assert(sizeof(DeviceEntry) == 276);
static_assert(offsetof(DeviceEntry, index) == 0);
static_assert(offsetof(DeviceEntry, name) == 4);
static_assert(offsetof(DeviceEntry, vendor) == 24);
static_assert(offsetof(DeviceEntry, product) == 74);
static_assert(offsetof(DeviceEntry, serial) == 94);
static_assert(offsetof(DeviceEntry, mount) == 144);
static_assert(offsetof(DeviceEntry, fixed) == 272);
static_assert(offsetof(DeviceEntry, ntfs) == 273);
static_assert(offsetof(DeviceEntry, padding) == 274);
