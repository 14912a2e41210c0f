// The simulated set's storage as the simulator drives it: the sandbox folder,
// the fixed disks (internal memory, RAM folder), and USB devices with one or
// more partitions that can be plugged, unplugged and remounted while the
// plug-in runs. Every change rewrites "/dtv/usb/log" in the format of the
// set's software and the disk table that statfs/statvfs read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/platform/disk_state.h"

namespace sim {

struct Partition {
  std::string mount;                 // the set's folder, e.g. "/dtv/usb/sda1"
  uint32_t type = SIM_FS_FAT;
  uint64_t capacity = 8ull << 30;    // bytes
  uint32_t block_size = 4096;
};

struct UsbDevice {
  std::string section;               // the device log's section name
  std::string vendor, product, serial;
  std::vector<Partition> partitions;
};

// Sets up the sandbox below root (created when missing): the set's folders,
// the internal memory "/mtd_wiselink" (its own type, 4 GiB), the RAM folder
// "/mtd_ram" (tmpfs, 64 MiB), an empty device log and the set's shell
// commands with telnetd not running (set_commands.h). preload is the library
// that shell commands load ("" = the one built with the simulator). Call once,
// before threads start. Returns false with a message when it cannot.
bool StartPlatform(const std::string& root, std::string* error,
                   const std::string& preload = "");

// The sandbox folder that holds a set path (the path itself when it is not a
// set path); "" when the set path climbs out of the set's folders with ".."
// or does not fit 4096 bytes once mapped.
std::string SandboxPath(const std::string& set_path);

// The normal form of a folder of the set (sim_normal_path), fit for a mount
// folder: "" when it is not absolute, climbs out of the set's folders or is
// longer than a disk table's mount field (255 bytes).
std::string SetFolder(const std::string& path);

// Every mount folder below is taken in its normal form (SetFolder); a call
// with a mount that is no folder of the set changes nothing and returns false.

// Adds or replaces a fixed disk (one that is always there).
bool SetFixedDisk(const Partition& disk);

// Plugs a device: its partitions' folders appear (with the content they had
// when last unplugged) and the device log lists it. False when the section
// is already plugged or a folder cannot be made.
bool PlugDevice(const UsbDevice& device);

// Unplugs a device: its folders disappear (their content is kept aside for a
// later plug) and the log no longer lists it. Files this process holds open
// on it fail every later write with EIO (sim_fault_stale_below).
bool UnplugDevice(const std::string& section);

// Mounts partition `partition` (0-based) of a plugged device at another folder.
bool RemountPartition(const std::string& section, size_t partition, const std::string& mount);

// Unplugs every device and forgets all content kept aside; restores the fixed
// disks to their defaults and clears every injected fault (faults.h).
void ResetDisks();

std::vector<UsbDevice> PluggedDevices();

// The device log text for the given devices, as the set's software writes it.
std::string DeviceLogText(const std::vector<UsbDevice>& devices);

// The name statfs-style listings use for a type ("FAT", "NTFS", ...).
const char* FileSystemName(uint32_t type);

}  // namespace sim
