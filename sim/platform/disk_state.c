/* Large-file calls on 32-bit builds too: with 32-bit inode numbers and sizes
 * readdir and fstatat fail (EOVERFLOW) on the build machine's file systems,
 * and the folders would measure empty. */
#define _FILE_OFFSET_BITS 64
#define _GNU_SOURCE
#include "disk_state.h"

#include <dirent.h>
#include <fcntl.h>
#include <inttypes.h>
#include <pthread.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "next_symbol.h"
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

/* ---- the cache of folder measures ---- */

/* Changes seen by the platform layer in this process; a measure taken at one
 * count is stale at any other. */
static uint64_t change_count;

void sim_disk_note_change(void) { __atomic_add_fetch(&change_count, 1, __ATOMIC_SEQ_CST); }

enum { CacheSlots = 8 };

struct folder_measure {
  int used;                 /* slot in use */
  char folder[1100];
  uint32_t block;
  uint64_t changes;         /* change_count when the measure began */
  int64_t taken_ns;         /* real monotonic time when it began */
  struct timespec modified; /* the folder's mtime and ctime then */
  struct timespec changed;
  uint64_t bytes;
};

static pthread_mutex_t cache_lock = PTHREAD_MUTEX_INITIALIZER;
static struct folder_measure cache[CacheSlots];
static unsigned next_slot; /* the slot replaced next when all are in use */

/* Real time: CLOCK_MONOTONIC is never scaled by the simulated clock. */
static int64_t monotonic_ns(void) {
  struct timespec now;
  if (NEXT(clock_gettime)(CLOCK_MONOTONIC, &now) != 0) return 0;
  return (int64_t)now.tv_sec * 1000000000 + now.tv_nsec;
}

static int same_time(const struct timespec *a, const struct timespec *b) {
  return a->tv_sec == b->tv_sec && a->tv_nsec == b->tv_nsec;
}

uint64_t sim_folder_bytes_cached(const char *folder, uint32_t block_size) {
  uint32_t block = block_size < 512 ? 512 : block_size;
  if (strlen(folder) >= sizeof cache[0].folder) return sim_folder_bytes(folder, block);
  /* Read in this order: a change that lands after the count was read makes
   * the measure stale for the next caller. */
  uint64_t changes = __atomic_load_n(&change_count, __ATOMIC_SEQ_CST);
  int64_t now = monotonic_ns();
  struct stat status;
  if (stat(folder, &status) != 0) return sim_folder_bytes(folder, block);

  pthread_mutex_lock(&cache_lock);
  for (int i = 0; i < CacheSlots; ++i) {
    struct folder_measure *entry = &cache[i];
    if (!entry->used || entry->block != block || strcmp(entry->folder, folder) != 0) continue;
    if (entry->changes == changes && now >= entry->taken_ns &&
        now - entry->taken_ns < SIM_FOLDER_CACHE_NS && same_time(&entry->modified, &status.st_mtim) &&
        same_time(&entry->changed, &status.st_ctim)) {
      uint64_t bytes = entry->bytes;
      pthread_mutex_unlock(&cache_lock);
      return bytes;
    }
    break;
  }
  pthread_mutex_unlock(&cache_lock);

  uint64_t bytes = sim_folder_bytes(folder, block);

  pthread_mutex_lock(&cache_lock);
  struct folder_measure *slot = NULL;
  for (int i = 0; i < CacheSlots && slot == NULL; ++i)
    if (cache[i].used && cache[i].block == block && strcmp(cache[i].folder, folder) == 0) slot = &cache[i];
  for (int i = 0; i < CacheSlots && slot == NULL; ++i)
    if (!cache[i].used) slot = &cache[i];
  if (slot == NULL) slot = &cache[next_slot++ % CacheSlots];
  /* A newer measure already there is kept. */
  if (!slot->used || strcmp(slot->folder, folder) != 0 || slot->block != block ||
      slot->taken_ns <= now) {
    slot->used = 1;
    snprintf(slot->folder, sizeof slot->folder, "%s", folder);
    slot->block = block;
    slot->changes = changes;
    slot->taken_ns = now;
    slot->modified = status.st_mtim;
    slot->changed = status.st_ctim;
    slot->bytes = bytes;
  }
  pthread_mutex_unlock(&cache_lock);
  return bytes;
}

uint64_t sim_disk_free_blocks(const struct sim_disk *disk, uint64_t used) {
  uint64_t blocks = disk->capacity / disk->block_size;
  uint64_t used_blocks = round_up(used, disk->block_size) / disk->block_size;
  return used_blocks >= blocks ? 0 : blocks - used_blocks;
}
