#include "host/storage_checks.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>

#include "settings/device_table_state.h"
#include "settings/settings_record.h"
#include "supervision/supervision_state.h"

// Recording files pass 2 GiB (the 4076 MiB split): sizes and free space need
// the 64-bit interfaces on the 32-bit set as well.
static_assert(sizeof(off_t) == 8, "build with _FILE_OFFSET_BITS=64");

struct statfs fs = {};

namespace {


// KiB of `blocks` blocks of `block_size` bytes, saturated at the 32-bit maximum
// (converting a larger double to uint32 would be undefined).
uint32_t KibSaturated(double block_size, double blocks) {
  double kib = block_size * blocks / 1024.0;
  return kib >= 4294967295.0 ? UINT32_MAX : static_cast<uint32_t>(kib);
}

}  // namespace

int IsNtfs(const char* path) {
  return statfs(path, &fs) == 0 && static_cast<unsigned long>(fs.f_type) == kNtfsMagic ? 1 : 0;
}

int DestinationUsable(int index) {
  if (index < 0 || index >= device_table.count.load(std::memory_order_relaxed)) return 0;
  const DeviceEntry& entry = device_table.entries[index];
  if (Setting(settings.create_folder) && entry.fixed == 1) mkdir(entry.mount, 0777);
  if (access(entry.mount, F_OK) != 0) return 0;
  if (entry.fixed != 1) return 1;
  struct statfs figures;
  if (statfs(entry.mount, &figures) != 0 ||
      static_cast<unsigned long>(figures.f_type) != kInternalMemoryMagic)
    return 1;
  return Setting(settings.allow_internal) ? 1 : 0;
}

int RemoveIfEmpty(const char* ts_path, const char* mdb_path) {
  if (ts_path == nullptr || ts_path[0] == '\0' || !Setting(settings.delete_empty)) return 0;
  FILE* file = std::fopen(ts_path, "rbe");
  if (file == nullptr) return 0;
  bool empty = fseeko(file, 0, SEEK_END) == 0 && ftello(file) == 0;
  std::fclose(file);
  if (!empty) return 0;
  std::remove(ts_path);
  if (!Setting(settings.delete_mdb) && mdb_path != nullptr && mdb_path[0] != '\0')
    std::remove(mdb_path);
  return 1;
}

int FileSizeMb(const char* path) {
  struct stat status;
  if (stat(path, &status) != 0) return 0;
  off_t mib = status.st_size / 1048576;
  return mib > INT_MAX ? INT_MAX : static_cast<int>(mib);
}

int ReadFreeSpace(const char* folder) {
  struct statvfs figures;
  if (folder == nullptr || folder[0] == '\0' || statvfs(folder, &figures) != 0) return 0;
  double block_size = static_cast<double>(figures.f_bsize);
  free_kb.store(KibSaturated(block_size, static_cast<double>(figures.f_bavail)),
                std::memory_order_relaxed);
  total_kb.store(KibSaturated(block_size, static_cast<double>(figures.f_blocks)),
                 std::memory_order_relaxed);
  return 1;
}
