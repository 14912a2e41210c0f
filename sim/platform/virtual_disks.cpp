#include "sim/platform/virtual_disks.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "sim/platform/faults.h"
#include "sim/platform/sandbox.h"
#include "sim/platform/set_commands.h"

#ifndef SIM_PLATFORM_PRELOAD_PATH
#define SIM_PLATFORM_PRELOAD_PATH ""
#endif

namespace sim {
namespace {

namespace fs = std::filesystem;

struct PlatformState {
  std::mutex mutex;
  std::vector<Partition> fixed;
  std::vector<UsbDevice> devices;
};

PlatformState& State() {
  static PlatformState state;
  return state;
}

std::vector<Partition> DefaultFixedDisks() {
  return {{"/mtd_wiselink", SIM_FS_INTERNAL, 4ull << 30, 4096},
          {"/mtd_ram", SIM_FS_TMPFS, 64ull << 20, 4096}};
}

std::string Root() { return sim_sandbox_root(); }

std::string KeptAside(const std::string& section, size_t partition) {
  return Root() + "/.platform/detached/" + section + "." + std::to_string(partition + 1);
}

// Writes a file whole: readers see the old text or the new one, never a part.
bool ReplaceFile(const std::string& path, const std::string& text) {
  std::string temporary = path + ".new";
  FILE* file = std::fopen(temporary.c_str(), "we");
  if (file == nullptr) return false;
  bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  written = std::fclose(file) == 0 && written;
  return written && std::rename(temporary.c_str(), path.c_str()) == 0;
}

// Rewrites the disk table and the device log from the state (mutex held).
bool Publish(const PlatformState& state) {
  std::string table;
  auto add = [&](const Partition& disk) {
    char line[400];
    std::snprintf(line, sizeof line, "%s %x %llu %u\n", disk.mount.c_str(), disk.type,
                  static_cast<unsigned long long>(disk.capacity), disk.block_size);
    table += line;
  };
  for (const Partition& disk : state.fixed) add(disk);
  for (const UsbDevice& device : state.devices)
    for (const Partition& partition : device.partitions) add(partition);
  return ReplaceFile(sim_disk_table_path(), table) &&
         ReplaceFile(SandboxPath("/dtv/usb/log"), DeviceLogText(state.devices));
}

UsbDevice* Find(PlatformState& state, const std::string& section) {
  for (UsbDevice& device : state.devices)
    if (device.section == section) return &device;
  return nullptr;
}

bool MovedOrMade(const std::string& from, const std::string& to) {
  std::error_code error;
  fs::create_directories(fs::path(to).parent_path(), error);
  if (!from.empty() && fs::exists(from, error)) return std::rename(from.c_str(), to.c_str()) == 0;
  return fs::create_directories(to, error) || fs::is_directory(to, error);
}

}  // namespace

bool StartPlatform(const std::string& root, std::string* error, const std::string& preload) {
  std::error_code code;
  fs::create_directories(root, code);
  std::string absolute = fs::absolute(root, code).lexically_normal().string();
  if (sim_sandbox_set(absolute.c_str(),
                      (preload.empty() ? SIM_PLATFORM_PRELOAD_PATH : preload.c_str())) != 0) {
    *error = "sandbox path too long: " + absolute;
    return false;
  }
  for (const char* folder : {"/.platform/detached", "/dtv/usb", "/mtd_ram",
                             "/mtd_wiselink/MOVIE001", "/mtd_appdata/Font"}) {
    if (!fs::create_directories(absolute + folder, code) && !fs::is_directory(absolute + folder)) {
      *error = "cannot make " + absolute + folder;
      return false;
    }
  }
  if (!InstallSetCommands(error)) return false;
  sim_fault_clear(nullptr);
  PlatformState& state = State();
  std::lock_guard lock(state.mutex);
  state.fixed = DefaultFixedDisks();
  if (!Publish(state)) {
    *error = "cannot write the disk table in " + absolute;
    return false;
  }
  return true;
}

std::string SandboxPath(const std::string& set_path) {
  char buffer[4096];
  const char* mapped = sim_map_path(set_path.c_str(), buffer, sizeof buffer);
  return mapped != nullptr ? mapped : "";
}

std::string SetFolder(const std::string& path) {
  char normal[4096];
  if (sim_normal_path(path.c_str(), normal, sizeof normal) < 0 || !sim_is_set_path(normal) ||
      std::strlen(normal) >= sizeof(sim_disk{}.mount))
    return "";
  return normal;
}

bool SetFixedDisk(const Partition& given) {
  Partition disk = given;
  disk.mount = SetFolder(given.mount);
  if (disk.mount.empty()) return false;
  PlatformState& state = State();
  std::lock_guard lock(state.mutex);
  bool replaced = false;
  for (Partition& fixed : state.fixed)
    if (fixed.mount == disk.mount) fixed = disk, replaced = true;
  if (!replaced) state.fixed.push_back(disk);
  std::error_code error;
  fs::create_directories(SandboxPath(disk.mount), error);
  return Publish(state);
}

bool PlugDevice(const UsbDevice& given) {
  UsbDevice device = given;
  for (Partition& partition : device.partitions)
    if ((partition.mount = SetFolder(partition.mount)).empty()) return false;
  PlatformState& state = State();
  std::lock_guard lock(state.mutex);
  if (device.section.empty() || Find(state, device.section) != nullptr) return false;
  for (size_t i = 0; i < device.partitions.size(); ++i)
    if (!MovedOrMade(KeptAside(device.section, i), SandboxPath(device.partitions[i].mount)))
      return false;
  state.devices.push_back(device);
  return Publish(state);
}

bool UnplugDevice(const std::string& section) {
  PlatformState& state = State();
  std::lock_guard lock(state.mutex);
  UsbDevice* device = Find(state, section);
  if (device == nullptr) return false;
  std::error_code error;
  for (size_t i = 0; i < device->partitions.size(); ++i) {
    // A file open on the disk is dead from now on, as on the set, even when
    // the disk comes back.
    sim_fault_stale_below(device->partitions[i].mount.c_str());
    std::string aside = KeptAside(section, i);
    fs::remove_all(aside, error);
    std::rename(SandboxPath(device->partitions[i].mount).c_str(), aside.c_str());
  }
  state.devices.erase(state.devices.begin() + (device - state.devices.data()));
  return Publish(state);
}

bool RemountPartition(const std::string& section, size_t partition, const std::string& given) {
  std::string mount = SetFolder(given);
  if (mount.empty()) return false;
  PlatformState& state = State();
  std::lock_guard lock(state.mutex);
  UsbDevice* device = Find(state, section);
  if (device == nullptr || partition >= device->partitions.size()) return false;
  Partition& moved = device->partitions[partition];
  if (!MovedOrMade(SandboxPath(moved.mount), SandboxPath(mount))) return false;
  moved.mount = mount;
  return Publish(state);
}

void ResetDisks() {
  PlatformState& state = State();
  std::lock_guard lock(state.mutex);
  std::error_code error;
  for (const UsbDevice& device : state.devices)
    for (const Partition& partition : device.partitions)
      fs::remove_all(SandboxPath(partition.mount), error);
  state.devices.clear();
  fs::remove_all(Root() + "/.platform/detached", error);
  fs::create_directories(Root() + "/.platform/detached", error);
  state.fixed = DefaultFixedDisks();
  Publish(state);
  sim_fault_clear(nullptr);
}

std::vector<UsbDevice> PluggedDevices() {
  PlatformState& state = State();
  std::lock_guard lock(state.mutex);
  return state.devices;
}

const char* FileSystemName(uint32_t type) {
  switch (type) {
    case SIM_FS_FAT: return "vfat";
    case SIM_FS_NTFS: return "ntfs";
    case SIM_FS_EXT: return "ext3";
    case SIM_FS_CIFS: return "cifs";
    case SIM_FS_SMB: return "smbfs";
    case SIM_FS_NFS: return "nfs";
    case SIM_FS_TMPFS: return "tmpfs";
    case SIM_FS_INTERNAL: return "internal";
    default: return "unknown";
  }
}

std::string DeviceLogText(const std::vector<UsbDevice>& devices) {
  std::string text;
  for (const UsbDevice& device : devices) {
    text += "[" + device.section + "]\n";
    text += "Vendor : " + device.vendor + "\n";
    text += "Product : " + device.product + "\n";
    text += "Serial : " + device.serial + "\n";
    text += "Partitions : " + std::to_string(device.partitions.size()) + "\n";
    for (const Partition& partition : device.partitions) {
      text += "MountDir : " + partition.mount + "\n";
      text += "FileSystem : " + std::string(FileSystemName(partition.type)) + "\n";
    }
    text += "\n";
  }
  return text;
}

}  // namespace sim
