#include "sandbox.h"

#include <errno.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char *const SetFolders[] = {"/dtv", "/mtd_ram", "/mtd_wiselink", "/mtd_appdata"};

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
  for (size_t i = 0; i < sizeof SetFolders / sizeof SetFolders[0]; ++i) {
    size_t length = strlen(SetFolders[i]);
    if (strncmp(path, SetFolders[i], length) == 0 &&
        (path[length] == '\0' || path[length] == '/'))
      return 1;
  }
  return 0;
}

const char *sim_map_path(const char *path, char *buffer, size_t size) {
  const char *root = sim_sandbox_root();
  if (root[0] == '\0' || !sim_is_set_path(path)) return path;
  if (snprintf(buffer, size, "%s%s", root, path) >= (int)size) {
    errno = ENAMETOOLONG;
    return NULL;
  }
  return buffer;
}

const char *sim_platform_file(const char *name, char *buffer, size_t size) {
  const char *root = sim_sandbox_root();
  if (root[0] == '\0' || snprintf(buffer, size, "%s/.platform/%s", root, name) >= (int)size) return NULL;
  return buffer;
}
