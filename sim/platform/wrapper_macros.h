/* The pieces the libc wrappers are made of (libc_wrappers.c,
 * name_wrappers.c): mapping a path argument into the sandbox, failing a call
 * with an injected fault, and the wrappers of the common shapes. A path
 * argument is always named `path` (or is passed by name to MAP), and a
 * folder-relative call's folder `folder`. */
#ifndef RECOLYX_SIM_PLATFORM_WRAPPER_MACROS_H
#define RECOLYX_SIM_PLATFORM_WRAPPER_MACROS_H

#include <errno.h>
#include <fcntl.h>
#include <limits.h>

#include "disk_state.h"
#include "faults.h"
#include "next_symbol.h"
#include "sandbox.h"

/* Maps `path`, relative to the folder descriptor `folder` (AT_FDCWD: the
 * working folder), into the local `mapped_<path>`; returns `fail` when it
 * is refused or does not fit (sim_map_path_at). */
#define MAP_AT(folder, path, fail)                                                   \
  char buffer_##path[PATH_MAX];                                                      \
  const char *mapped_##path = sim_map_path_at(folder, path, buffer_##path, PATH_MAX); \
  if (mapped_##path == NULL) return fail

#define MAP(path, fail) MAP_AT(AT_FDCWD, path, fail)

/* Fails the call with the fault injected for the mapped `path`, if any
 * (faults.h): returns `fail` with errno set. */
#define FAULT(kind, path, fail)                                                 \
  do {                                                                          \
    if (mapped_##path != path) {                                                \
      int error_ = sim_fault_for(kind, sim_set_path_of(mapped_##path));         \
      if (error_ != 0) {                                                        \
        errno = error_;                                                         \
        return fail;                                                            \
      }                                                                         \
    }                                                                           \
  } while (0)

/* A call that changes the file or folder at its path (relative to `folder`):
 * refused below a read-only folder, or by the fault of its kind. */
#define WRAP_CHANGE_AT(folder, kind, name, params, args) \
  int name params {                                      \
    MAP_AT(folder, path, -1);                            \
    FAULT(kind, path, -1);                               \
    int result_ = NEXT(name) args;                       \
    if (result_ == 0) sim_disk_note_change();            \
    return result_;                                      \
  }

#define WRAP_CHANGE(kind, name, params, args) WRAP_CHANGE_AT(AT_FDCWD, kind, name, params, args)

/* A call that only looks at, or leaves the content of, what its path names:
 * the path mapped (relative to `folder`), the result as it comes; `fail`
 * when the path is refused. */
#define WRAP_TYPED_AT(folder, type, fail, name, params, args) \
  type name params {                                          \
    MAP_AT(folder, path, fail);                               \
    return NEXT(name) args;                                   \
  }

/* The same with an int result, for a plain call and for a folder-relative
 * call (the *at family, whose folder is its parameter `folder`). */
#define WRAP_PATH(name, params, args) WRAP_TYPED_AT(AT_FDCWD, int, -1, name, params, args)
#define WRAP_AT(name, params, args) WRAP_TYPED_AT(folder, int, -1, name, params, args)

#endif
