#define _GNU_SOURCE
#include "sandbox.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "next_symbol.h"

/* The set's folders, each with its length. */
static const struct {
  const char *name;
  size_t length;
} SetFolders[] = {
#define SET_FOLDER(name) {name, sizeof name - 1}
    SET_FOLDER("/dtv"), SET_FOLDER("/mtd_ram"), SET_FOLDER("/mtd_wiselink"), SET_FOLDER("/mtd_appdata")
#undef SET_FOLDER
};
#define SET_FOLDER_COUNT (sizeof SetFolders / sizeof SetFolders[0])

static char sandbox_root[1024];
static char preload_library[1024];
static pthread_once_t from_environment = PTHREAD_ONCE_INIT;

static void copy_or_empty(char *out, size_t size, const char *text) {
  if (text == NULL || snprintf(out, size, "%s", text) >= (int)size) out[0] = '\0';
}

/* A child started through system() inherits the sandbox in its environment. */
static void read_environment(void) {
  if (sandbox_root[0] != '\0') return;
  copy_or_empty(sandbox_root, sizeof sandbox_root, getenv(SIM_SANDBOX_ENV));
  copy_or_empty(preload_library, sizeof preload_library, getenv(SIM_PRELOAD_ENV));
}

int sim_sandbox_set(const char *root, const char *preload) {
  pthread_once(&from_environment, read_environment);
  char new_root[sizeof sandbox_root];
  if (snprintf(new_root, sizeof new_root, "%s", root) >= (int)sizeof new_root) return -1;
  size_t length = strlen(new_root);
  while (length > 1 && new_root[length - 1] == '/') new_root[--length] = '\0';
  memcpy(sandbox_root, new_root, sizeof sandbox_root);
  copy_or_empty(preload_library, sizeof preload_library, preload);
  return 0;
}

const char *sim_sandbox_root(void) {
  pthread_once(&from_environment, read_environment);
  return sandbox_root;
}

const char *sim_sandbox_preload(void) {
  pthread_once(&from_environment, read_environment);
  return preload_library;
}

int sim_is_set_path(const char *path) {
  if (path == NULL || path[0] != '/') return 0;
  for (size_t i = 0; i < SET_FOLDER_COUNT; ++i) {
    size_t length = SetFolders[i].length;
    if (strncmp(path, SetFolders[i].name, length) == 0 &&
        (path[length] == '\0' || path[length] == '/'))
      return 1;
  }
  return 0;
}

/* 1 when a component of `path` is "..". */
static int goes_up(const char *path) {
  for (const char *at = path; *at != '\0';) {
    while (*at == '/') ++at;
    const char *end = at;
    while (*end != '\0' && *end != '/') ++end;
    if (end - at == 2 && at[0] == '.' && at[1] == '.') return 1;
    at = end;
  }
  return 0;
}

/* 1 when the first name of the absolute `path`, past empty and "."
 * components, is one of the set's folders. Without "..", a path's normal
 * form starts with that name, so a path failing this is no set path, and
 * neither is its normal form. */
static int first_name_is_set_folder(const char *path) {
  const char *at = path;
  for (;;) {
    while (*at == '/') ++at;
    if (at[0] != '.' || (at[1] != '/' && at[1] != '\0')) break;
    ++at;
  }
  size_t word = strcspn(at, "/");
  for (size_t i = 0; i < SET_FOLDER_COUNT; ++i)
    if (word == SetFolders[i].length - 1 && memcmp(at, SetFolders[i].name + 1, word) == 0) return 1;
  return 0;
}

int sim_normal_path(const char *path, char *out, size_t size) {
  if (path == NULL || path[0] != '/' || size < 2) {
    errno = EINVAL;
    return -1;
  }
  size_t length = 0;
  const char *at = path;
  while (*at != '\0') {
    while (*at == '/') ++at;
    const char *end = at;
    while (*end != '\0' && *end != '/') ++end;
    size_t word = (size_t)(end - at);
    if (word == 0 || (word == 1 && at[0] == '.')) {
      /* nothing to add */
    } else if (word == 2 && at[0] == '.' && at[1] == '.') {
      if (length == 0) { /* above "/" */
        errno = EACCES;
        return -1;
      }
      while (length > 0 && out[--length] != '/') {
      }
    } else {
      if (length + 1 + word >= size) {
        errno = ENAMETOOLONG;
        return -1;
      }
      out[length] = '/';
      memcpy(out + length + 1, at, word);
      length += 1 + word;
    }
    at = end;
  }
  if (length == 0) out[length++] = '/';
  out[length] = '\0';
  return (int)length;
}

const char *sim_map_path(const char *path, char *buffer, size_t size) {
  const char *root = sim_sandbox_root();
  if (root[0] == '\0' || path == NULL || path[0] != '/') return path;
  /* Most paths the plug-in names are the PC's (its home folder): passed
   * on without building their normal form. */
  if (!first_name_is_set_folder(path) && !goes_up(path)) return path;
  char normal[PATH_MAX];
  int length = sim_normal_path(path, normal, sizeof normal);
  if (length < 0) {
    if (!sim_is_set_path(path)) return path;
    if (errno == EINVAL) errno = EACCES;
    return NULL;
  }
  int named = sim_is_set_path(path), inside = sim_is_set_path(normal);
  if (!named && !inside) return path;
  if (!inside) { /* climbs out of the set's folders with ".." */
    errno = EACCES;
    return NULL;
  }
  size_t root_length = strlen(root), trailing = path[strlen(path) - 1] == '/';
  if (root_length + (size_t)length + trailing >= size) {
    errno = ENAMETOOLONG;
    return NULL;
  }
  memcpy(buffer, root, root_length);
  memcpy(buffer + root_length, normal, (size_t)length);
  if (trailing) buffer[root_length + (size_t)length] = '/';
  buffer[root_length + (size_t)length + trailing] = '\0';
  return buffer;
}

/* The set path of the folder `folder` (a descriptor, or AT_FDCWD for the
 * working folder) written to `out`; NULL when it is not below a set folder
 * of the sandbox. */
static const char *folder_set_path(int folder, char *out, size_t size) {
  const char *set = NULL;
  if (folder == AT_FDCWD) {
    if (NEXT(getcwd)(out, size) != NULL) set = sim_set_path_of(out);
  } else {
    set = sim_descriptor_set_path(folder, out, size);
  }
  if (set != NULL) memmove(out, set, strlen(set) + 1);
  return set != NULL ? out : NULL;
}

/* "<folder's set path>/<path>" for a relative path whose folder lies in the
 * sandbox: 1 with it in `out`, 0 when the folder does not, -1 with errno
 * ENAMETOOLONG when it does not fit. */
static int join_to_folder(int folder, const char *path, char *out, size_t size) {
  char base[PATH_MAX];
  if (folder_set_path(folder, base, sizeof base) == NULL) return 0;
  if (snprintf(out, size, "%s/%s", base, path) >= (int)size) {
    errno = ENAMETOOLONG;
    return -1;
  }
  return 1;
}

const char *sim_map_path_at(int folder, const char *path, char *buffer, size_t size) {
  if (path == NULL || path[0] == '/' || sim_sandbox_root()[0] == '\0' || !goes_up(path))
    return sim_map_path(path, buffer, size);
  char joined[PATH_MAX];
  int joins = join_to_folder(folder, path, joined, sizeof joined);
  if (joins <= 0) return joins == 0 ? path : NULL;
  /* Named from a set folder, it is a set path: one that ends outside the
   * set's folders is refused as climbing out of them. */
  return sim_map_path(joined, buffer, size);
}

const char *sim_map_link_target(const char *target, int folder, const char *link, char *buffer,
                                size_t size) {
  if (target == NULL || sim_sandbox_root()[0] == '\0') return target;
  if (target[0] == '/') return sim_map_path(target, buffer, size);
  if (!goes_up(target) || link == NULL) return target;
  /* The link's own set path, then its folder's. */
  char named[PATH_MAX], at[PATH_MAX];
  if (link[0] == '/') {
    if (snprintf(named, sizeof named, "%s", link) >= (int)sizeof named) return target;
  } else if (join_to_folder(folder, link, named, sizeof named) != 1) {
    return target;
  }
  if (sim_normal_path(named, at, sizeof at) < 0 || !sim_is_set_path(at)) return target;
  *strrchr(at, '/') = '\0';
  char joined[PATH_MAX];
  if (snprintf(joined, sizeof joined, "%s/%s", at, target) >= (int)sizeof joined) {
    errno = ENAMETOOLONG;
    return NULL;
  }
  char normal[PATH_MAX];
  int length = sim_normal_path(joined, normal, sizeof normal);
  if (length < 0 || !sim_is_set_path(normal)) {
    if (length >= 0 || errno != ENAMETOOLONG) errno = EACCES; /* it leaves the set's folders */
    return NULL;
  }
  return sim_map_path(normal, buffer, size);
}

char *sim_set_path_in_place(char *path) {
  const char *set = path != NULL ? sim_set_path_of(path) : NULL;
  if (set != NULL) memmove(path, set, strlen(set) + 1);
  return path;
}

const char *sim_set_path_of(const char *mapped) {
  const char *root = sim_sandbox_root();
  size_t length = strlen(root);
  if (length == 0 || strncmp(mapped, root, length) != 0 || mapped[length] != '/') return NULL;
  return sim_is_set_path(mapped + length) ? mapped + length : NULL;
}

const char *sim_platform_file(const char *name, char *buffer, size_t size) {
  const char *root = sim_sandbox_root();
  if (root[0] == '\0' || snprintf(buffer, size, "%s/.platform/%s", root, name) >= (int)size) return NULL;
  return buffer;
}

const char *sim_descriptor_set_path(int fd, char *buffer, size_t size) {
  char link[64];
  if (fd < 0 || size < 2) return NULL;
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  ssize_t length = NEXT(readlink)(link, buffer, size - 1);
  if (length <= 0 || (size_t)length >= size - 1) return NULL;
  buffer[length] = '\0';
  return sim_set_path_of(buffer);
}
