#define _GNU_SOURCE
#include "faults.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "next_symbol.h"
#include "sandbox.h"

enum { MaxStale = 64, TableText = SIM_FAULT_MAX * (SIM_FAULT_PATH_MAX + 32) };

struct fault {
  int kind;
  int error;
  char path[SIM_FAULT_PATH_MAX];
};

struct stale {
  int fd;
  dev_t device;
  ino_t inode;
};

static pthread_rwlock_t lock = PTHREAD_RWLOCK_INITIALIZER;
static struct fault faults[SIM_FAULT_MAX];
static struct stale stale[MaxStale];
static int fault_count, stale_count; /* written under the lock */
static int anything;                 /* atomic: fault_count + stale_count, for the fast path */
static pthread_once_t loaded = PTHREAD_ONCE_INIT;

static const char *const KindNames[SIM_FAULT_KINDS] = {"write", "rename", "remove", "readonly"};

static void publish_count(void) {
  __atomic_store_n(&anything, fault_count + stale_count, __ATOMIC_RELEASE);
}

/* Reads the table file that the process setting the faults wrote. Raw
 * descriptor calls only: the stream wrappers ask this module. */
static void load_table(void) {
  char path[PATH_MAX];
  if (sim_platform_file("faults", path, sizeof path) == NULL) return;
  int fd = NEXT(open)(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  static char text[TableText];
  ssize_t size = read(fd, text, sizeof text - 1);
  close(fd);
  if (size <= 0) return;
  text[size] = '\0';
  pthread_rwlock_wrlock(&lock);
  char *line_end;
  for (char *line = text; *line != '\0' && fault_count < SIM_FAULT_MAX; line = line_end + 1) {
    line_end = strchr(line, '\n');
    if (line_end == NULL) break;
    *line_end = '\0';
    struct fault entry;
    char kind[16];
    if (sscanf(line, "%15s %d %255s", kind, &entry.error, entry.path) != 3) continue;
    for (entry.kind = 0; entry.kind < SIM_FAULT_KINDS; ++entry.kind)
      if (strcmp(kind, KindNames[entry.kind]) == 0) break;
    if (entry.kind < SIM_FAULT_KINDS && entry.error > 0) faults[fault_count++] = entry;
  }
  publish_count();
  pthread_rwlock_unlock(&lock);
}

static void ensure_loaded(void) { pthread_once(&loaded, load_table); }

/* Rewrites the table file for the shell commands (lock not held). */
static void save_table(void) {
  char path[PATH_MAX], temporary[PATH_MAX + 8];
  if (sim_platform_file("faults", path, sizeof path) == NULL ||
      snprintf(temporary, sizeof temporary, "%s.new", path) >= (int)sizeof temporary)
    return;
  static char text[TableText];
  static pthread_mutex_t saving = PTHREAD_MUTEX_INITIALIZER;
  pthread_mutex_lock(&saving);
  size_t length = 0;
  pthread_rwlock_rdlock(&lock);
  for (int i = 0; i < fault_count; ++i) {
    int n = snprintf(text + length, sizeof text - length, "%s %d %s\n", KindNames[faults[i].kind],
                     faults[i].error, faults[i].path);
    if (n > 0 && (size_t)n < sizeof text - length) length += (size_t)n;
  }
  pthread_rwlock_unlock(&lock);
  int fd = NEXT(open)(temporary, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd >= 0) {
    int written = NEXT(write)(fd, text, length) == (ssize_t)length;
    if (close(fd) == 0 && written) NEXT(rename)(temporary, path);
  }
  pthread_mutex_unlock(&saving);
}

/* 1 when `folder` is `path` or a folder above it. */
static int below(const char *folder, const char *path) {
  size_t length = strlen(folder);
  if (length == 1) return 1; /* "/" */
  return strncmp(folder, path, length) == 0 && (path[length] == '\0' || path[length] == '/');
}

int sim_fault_set(enum sim_fault_kind kind, const char *set_path, int error) {
  char normal[PATH_MAX];
  if ((int)kind < 0 || kind >= SIM_FAULT_KINDS || error <= 0 || sim_sandbox_root()[0] == '\0' ||
      set_path == NULL || sim_normal_path(set_path, normal, sizeof normal) < 0 ||
      !sim_is_set_path(normal)) {
    if (errno != ENAMETOOLONG) errno = EINVAL;
    return -1;
  }
  if (strlen(normal) >= SIM_FAULT_PATH_MAX) {
    errno = ENAMETOOLONG;
    return -1;
  }
  ensure_loaded();
  pthread_rwlock_wrlock(&lock);
  int slot = fault_count;
  for (int i = 0; i < fault_count; ++i)
    if (faults[i].kind == (int)kind && strcmp(faults[i].path, normal) == 0) slot = i;
  if (slot == SIM_FAULT_MAX) {
    pthread_rwlock_unlock(&lock);
    errno = ENOSPC;
    return -1;
  }
  faults[slot].kind = (int)kind;
  faults[slot].error = error;
  memcpy(faults[slot].path, normal, strlen(normal) + 1);
  if (slot == fault_count) ++fault_count;
  publish_count();
  pthread_rwlock_unlock(&lock);
  save_table();
  return 0;
}

int sim_fault_clear(const char *set_path) {
  char normal[PATH_MAX];
  if (set_path != NULL && sim_normal_path(set_path, normal, sizeof normal) < 0) return 0;
  ensure_loaded();
  pthread_rwlock_wrlock(&lock);
  int kept = 0, removed = 0;
  for (int i = 0; i < fault_count; ++i) {
    if (set_path == NULL || strcmp(faults[i].path, normal) == 0)
      ++removed;
    else
      faults[kept++] = faults[i];
  }
  fault_count = kept;
  if (set_path == NULL) __atomic_store_n(&stale_count, 0, __ATOMIC_RELAXED);
  publish_count();
  pthread_rwlock_unlock(&lock);
  save_table();
  return removed;
}

int sim_fault_for(enum sim_fault_kind kind, const char *set_path) {
  ensure_loaded();
  if (__atomic_load_n(&anything, __ATOMIC_ACQUIRE) == 0 || set_path == NULL) return 0;
  int error = 0;
  pthread_rwlock_rdlock(&lock);
  for (int i = 0; i < fault_count && error == 0; ++i)
    if ((faults[i].kind == (int)kind || faults[i].kind == SIM_FAULT_READONLY) &&
        below(faults[i].path, set_path))
      error = faults[i].error;
  pthread_rwlock_unlock(&lock);
  return error;
}

/* The stale entry of `fd`, if its file is still the one marked. */
static int is_stale(int fd) {
  struct stat status;
  if (__atomic_load_n(&stale_count, __ATOMIC_RELAXED) == 0 || fstat(fd, &status) != 0) return 0;
  int found = 0;
  pthread_rwlock_rdlock(&lock);
  for (int i = 0; i < stale_count && !found; ++i)
    found = stale[i].fd == fd && stale[i].device == status.st_dev && stale[i].inode == status.st_ino;
  pthread_rwlock_unlock(&lock);
  return found;
}

int sim_fault_for_descriptor(int fd) {
  ensure_loaded();
  if (__atomic_load_n(&anything, __ATOMIC_ACQUIRE) == 0 || fd < 0) return 0;
  if (is_stale(fd)) return EIO;
  char buffer[PATH_MAX];
  return sim_fault_for(SIM_FAULT_WRITE, sim_descriptor_set_path(fd, buffer, sizeof buffer));
}

int sim_fault_for_stream(FILE *stream) {
  return stream == NULL ? 0 : sim_fault_for_descriptor(fileno(stream));
}

enum sim_fault_kind sim_fault_kind_named(const char *name) {
  for (int kind = 0; kind < SIM_FAULT_KINDS; ++kind)
    if (name != NULL && strcmp(name, KindNames[kind]) == 0) return (enum sim_fault_kind)kind;
  return SIM_FAULT_KINDS;
}

int sim_fault_default_error(enum sim_fault_kind kind) {
  switch (kind) {
    case SIM_FAULT_WRITE: return ENOSPC;
    case SIM_FAULT_READONLY: return EROFS;
    default: return EACCES;
  }
}

int sim_fault_stale_below(const char *set_path) {
  char normal[PATH_MAX];
  if (set_path == NULL || sim_normal_path(set_path, normal, sizeof normal) < 0) return 0;
  DIR *listing = opendir("/proc/self/fd");
  if (listing == NULL) return 0;
  int marked = 0;
  struct dirent *item;
  while ((item = readdir(listing)) != NULL) {
    char *end;
    long fd = strtol(item->d_name, &end, 10);
    if (*end != '\0' || end == item->d_name || fd == dirfd(listing)) continue;
    char buffer[PATH_MAX];
    const char *path = sim_descriptor_set_path((int)fd, buffer, sizeof buffer);
    struct stat status;
    if (path == NULL || !below(normal, path) || fstat((int)fd, &status) != 0 ||
        !S_ISREG(status.st_mode))
      continue;
    pthread_rwlock_wrlock(&lock);
    if (stale_count < MaxStale) {
      stale[stale_count] = (struct stale){(int)fd, status.st_dev, status.st_ino};
      __atomic_store_n(&stale_count, stale_count + 1, __ATOMIC_RELAXED);
      ++marked;
    }
    publish_count();
    pthread_rwlock_unlock(&lock);
  }
  closedir(listing);
  return marked;
}

int sim_fault_error_named(const char *name) {
  static const struct {
    const char *name;
    int error;
  } Names[] = {{"nospace", ENOSPC}, {"io", EIO}, {"access", EACCES}, {"readonly", EROFS},
               {"missing", ENOENT}};
  for (size_t i = 0; name != NULL && i < sizeof Names / sizeof Names[0]; ++i)
    if (strcmp(name, Names[i].name) == 0) return Names[i].error;
  return 0;
}
