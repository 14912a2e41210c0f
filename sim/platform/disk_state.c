/* Large-file calls on 32-bit builds too: with 32-bit inode numbers and sizes
 * readdir and fstatat fail (EOVERFLOW) on the build machine's file systems,
 * and the folders would measure empty. */
#define _FILE_OFFSET_BITS 64
#define _GNU_SOURCE
#include "disk_state.h"

#include <dirent.h>
#include <fcntl.h>
#include <inttypes.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "sandbox.h"

/* Folder depth counted; deeper content is not seen (recordings sit at most
 * two levels below a mount folder). */
enum { MaxDepth = 16 };

/* One per thread: the recorder's thread, SDL's timer thread and the key
 * thread all look the table up at once. */
static __thread char table_path[1100];

const char *sim_disk_table_path(void) {
  const char *path = sim_platform_file("disks", table_path, sizeof table_path);
  return path != NULL ? path : "";
}

/* 1 when `mount` is `path` or a parent folder of it. */
static size_t mount_covers(const char *mount, const char *path) {
  size_t length = strlen(mount);
  if (length == 0 || strncmp(mount, path, length) != 0) return 0;
  return path[length] == '\0' || path[length] == '/' ? length : 0;
}

int sim_disk_find(const char *set_path, struct sim_disk *disk) {
  char path[1100];
  if (snprintf(path, sizeof path, "%s", sim_disk_table_path()) >= (int)sizeof path ||
      path[0] == '\0')
    return 0;
  FILE *table = fopen(path, "re");
  if (table == NULL) return 0;
  char line[512];
  size_t best = 0;
  while (fgets(line, sizeof line, table) != NULL) {
    struct sim_disk candidate;
    memset(&candidate, 0, sizeof candidate);
    if (sscanf(line, "%255s %" SCNx32 " %" SCNu64 " %" SCNu32, candidate.mount, &candidate.type,
               &candidate.capacity, &candidate.block_size) != 4)
      continue;
    if (candidate.block_size < 512) candidate.block_size = 512;
    size_t length = mount_covers(candidate.mount, set_path);
    if (length > best) {
      best = length;
      *disk = candidate;
    }
  }
  fclose(table);
  return best > 0;
}

static uint64_t round_up(uint64_t bytes, uint32_t block) {
  return bytes / block * block + (bytes % block ? block : 0);
}

static uint64_t folder_bytes_at(int folder, uint32_t block, int depth) {
  DIR *listing = fdopendir(folder);
  if (listing == NULL) {
    close(folder);
    return 0;
  }
  uint64_t total = block;
  struct dirent *item;
  while ((item = readdir(listing)) != NULL) {
    if (strcmp(item->d_name, ".") == 0 || strcmp(item->d_name, "..") == 0) continue;
    struct stat status;
    if (fstatat(dirfd(listing), item->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(status.st_mode)) {
      if (depth >= MaxDepth) continue;
      int inner = openat(dirfd(listing), item->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (inner >= 0) total += folder_bytes_at(inner, block, depth + 1);
    } else if (S_ISREG(status.st_mode)) {
      total += round_up((uint64_t)status.st_size, block);
    }
  }
  closedir(listing);
  return total;
}

uint64_t sim_folder_bytes(const char *folder, uint32_t block_size) {
  int descriptor = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return 0;
  return folder_bytes_at(descriptor, block_size < 512 ? 512 : block_size, 0);
}

uint64_t sim_disk_free_blocks(const struct sim_disk *disk, uint64_t used) {
  uint64_t blocks = disk->capacity / disk->block_size;
  uint64_t used_blocks = round_up(used, disk->block_size) / disk->block_size;
  return used_blocks >= blocks ? 0 : blocks - used_blocks;
}
