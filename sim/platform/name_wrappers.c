/* The libc calls that make or read names other than plain files and folders,
 * wrapped as libc_wrappers.c wraps the file calls: symbolic and hard links,
 * fifos and device nodes, times, owners and attributes, temporary names,
 * programs started by path, folders listed or watched, and the calls that
 * give a name back (a link's target, the working folder, a resolved path),
 * which give the set's path for anything in the sandbox's set folders, as the
 * set would.
 *
 * A symbolic link to a set path points into the sandbox (sandbox.h,
 * sim_map_link_target): following it, by any program, stays there, and
 * reading it back gives the set's path again, so that a copied link is
 * mapped again when it is made.
 *
 * Built without _FILE_OFFSET_BITS=64, like libc_wrappers.c. */
#undef _FILE_OFFSET_BITS
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <spawn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/types.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utime.h>

#include "wrapper_macros.h"

/* Entry points the headers do not declare: the fortified readlink, getcwd
 * and realpath, and mknod as programs built against older C libraries call
 * it (the device number passed by address). */
ssize_t __readlink_chk(const char *path, char *text, size_t size, size_t text_size);
ssize_t __readlinkat_chk(int folder, const char *path, char *text, size_t size, size_t text_size);
char *__getcwd_chk(char *buffer, size_t size, size_t buffer_size);
char *__realpath_chk(const char *path, char *resolved, size_t resolved_size);
void __chk_fail(void) __attribute__((noreturn));
int __xmknod(int version, const char *path, mode_t mode, dev_t *device);
int __xmknodat(int version, int folder, const char *path, mode_t mode, dev_t *device);

/* ---- links ---- */

/* The target the link `link` (relative to `folder`) is made with, in the
 * local `mapped_target`; the call fails when it is refused. */
#define MAP_TARGET(folder, link)                                                         \
  char target_buffer_[PATH_MAX];                                                         \
  const char *mapped_target = sim_map_link_target(target, folder, link, target_buffer_, \
                                                  PATH_MAX);                             \
  if (mapped_target == NULL) return -1

/* A call that makes a new name `path` (a link or a node): refused below a
 * read-only folder. */
#define MAKE_NAME(call)                     \
  FAULT(SIM_FAULT_READONLY, path, -1);      \
  int result_ = call;                       \
  if (result_ == 0) sim_disk_note_change(); \
  return result_

int symlink(const char *target, const char *path) {
  MAP_TARGET(AT_FDCWD, path);
  MAP(path, -1);
  MAKE_NAME(NEXT(symlink)(mapped_target, mapped_path));
}

int symlinkat(const char *target, int folder, const char *path) {
  MAP_TARGET(folder, path);
  MAP_AT(folder, path, -1);
  MAKE_NAME(NEXT(symlinkat)(mapped_target, folder, mapped_path));
}

int link(const char *from, const char *path) {
  MAP(from, -1);
  MAP(path, -1);
  MAKE_NAME(NEXT(link)(mapped_from, mapped_path));
}

int linkat(int from_folder, const char *from, int folder, const char *path, int flags) {
  MAP_AT(from_folder, from, -1);
  MAP_AT(folder, path, -1);
  MAKE_NAME(NEXT(linkat)(from_folder, mapped_from, folder, mapped_path, flags));
}

/* Copies the target read into `held` (`length` bytes, or an error) into
 * `text` as readlink does, cut to `size` and without a terminating zero: a
 * target in the sandbox's set folders as the set's path. */
static ssize_t target_read_back(ssize_t length, char *held, char *text, size_t size) {
  if (length < 0) return length;
  held[length] = '\0';
  const char *shown = sim_set_path_in_place(held);
  size_t shown_length = strlen(shown);
  if (shown_length > size) shown_length = size;
  memcpy(text, shown, shown_length);
  return (ssize_t)shown_length;
}

ssize_t readlink(const char *path, char *text, size_t size) {
  MAP(path, -1);
  char held[PATH_MAX];
  return target_read_back(NEXT(readlink)(mapped_path, held, sizeof held - 1), held, text, size);
}

ssize_t readlinkat(int folder, const char *path, char *text, size_t size) {
  MAP_AT(folder, path, -1);
  char held[PATH_MAX];
  return target_read_back(NEXT(readlinkat)(folder, mapped_path, held, sizeof held - 1), held,
                          text, size);
}

ssize_t __readlink_chk(const char *path, char *text, size_t size, size_t text_size) {
  if (size > text_size) __chk_fail();
  return readlink(path, text, size);
}

ssize_t __readlinkat_chk(int folder, const char *path, char *text, size_t size, size_t text_size) {
  if (size > text_size) __chk_fail();
  return readlinkat(folder, path, text, size);
}

/* ---- names given back: the working folder, resolved paths ---- */

char *getcwd(char *buffer, size_t size) {
  return sim_set_path_in_place(NEXT(getcwd)(buffer, size));
}

char *__getcwd_chk(char *buffer, size_t size, size_t buffer_size) {
  return sim_set_path_in_place(NEXT(__getcwd_chk)(buffer, size, buffer_size));
}

char *realpath(const char *path, char *resolved) {
  MAP(path, NULL);
  return sim_set_path_in_place(NEXT(realpath)(mapped_path, resolved));
}

char *__realpath_chk(const char *path, char *resolved, size_t resolved_size) {
  MAP(path, NULL);
  return sim_set_path_in_place(NEXT(__realpath_chk)(mapped_path, resolved, resolved_size));
}

char *canonicalize_file_name(const char *path) {
  MAP(path, NULL);
  return sim_set_path_in_place(NEXT(canonicalize_file_name)(mapped_path));
}

/* ---- nodes: fifos, devices, files made by mknod ---- */
WRAP_CHANGE(SIM_FAULT_READONLY, mkfifo, (const char *path, mode_t mode), (mapped_path, mode))
WRAP_CHANGE_AT(folder, SIM_FAULT_READONLY, mkfifoat, (int folder, const char *path, mode_t mode),
               (folder, mapped_path, mode))
WRAP_CHANGE(SIM_FAULT_READONLY, mknod, (const char *path, mode_t mode, dev_t device),
            (mapped_path, mode, device))
WRAP_CHANGE_AT(folder, SIM_FAULT_READONLY, mknodat,
               (int folder, const char *path, mode_t mode, dev_t device),
               (folder, mapped_path, mode, device))

int __xmknod(int version, const char *path, mode_t mode, dev_t *device) {
  MAP(path, -1);
  MAKE_NAME(NEXT(mknod)(mapped_path, mode, *device));
}

int __xmknodat(int version, int folder, const char *path, mode_t mode, dev_t *device) {
  MAP_AT(folder, path, -1);
  MAKE_NAME(NEXT(mknodat)(folder, mapped_path, mode, *device));
}

/* ---- times ---- */
WRAP_PATH(utime, (const char *path, const struct utimbuf *times), (mapped_path, times))
WRAP_PATH(utimes, (const char *path, const struct timeval times[2]), (mapped_path, times))
WRAP_PATH(lutimes, (const char *path, const struct timeval times[2]), (mapped_path, times))

/* A null path (act on the folder descriptor itself) is allowed here, although
 * the headers mark the argument non-null. */
#pragma GCC diagnostic ignored "-Wnonnull-compare"
int utimensat(int folder, const char *path, const struct timespec times[2], int flags) {
  if (path == NULL) return NEXT(utimensat)(folder, path, times, flags);
  MAP_AT(folder, path, -1);
  return NEXT(utimensat)(folder, mapped_path, times, flags);
}

int futimesat(int folder, const char *path, const struct timeval times[2]) {
  if (path == NULL) return NEXT(futimesat)(folder, path, times);
  MAP_AT(folder, path, -1);
  return NEXT(futimesat)(folder, mapped_path, times);
}

/* ---- owners, modes, limits, extended attributes, handles ---- */
WRAP_PATH(lchown, (const char *path, uid_t owner, gid_t group), (mapped_path, owner, group))
WRAP_PATH(lchmod, (const char *path, mode_t mode), (mapped_path, mode))
WRAP_TYPED_AT(AT_FDCWD, long, -1, pathconf, (const char *path, int name), (mapped_path, name))
WRAP_PATH(setxattr,
          (const char *path, const char *name, const void *value, size_t size, int flags),
          (mapped_path, name, value, size, flags))
WRAP_PATH(lsetxattr,
          (const char *path, const char *name, const void *value, size_t size, int flags),
          (mapped_path, name, value, size, flags))
WRAP_TYPED_AT(AT_FDCWD, ssize_t, -1, getxattr,
              (const char *path, const char *name, void *value, size_t size),
              (mapped_path, name, value, size))
WRAP_TYPED_AT(AT_FDCWD, ssize_t, -1, lgetxattr,
              (const char *path, const char *name, void *value, size_t size),
              (mapped_path, name, value, size))
WRAP_TYPED_AT(AT_FDCWD, ssize_t, -1, listxattr, (const char *path, char *names, size_t size),
              (mapped_path, names, size))
WRAP_TYPED_AT(AT_FDCWD, ssize_t, -1, llistxattr, (const char *path, char *names, size_t size),
              (mapped_path, names, size))
WRAP_PATH(removexattr, (const char *path, const char *name), (mapped_path, name))
WRAP_PATH(lremovexattr, (const char *path, const char *name), (mapped_path, name))
WRAP_AT(name_to_handle_at,
        (int folder, const char *path, struct file_handle *handle, int *mount, int flags),
        (folder, mapped_path, handle, mount, flags))

/* ---- temporary names ----
 * The X's are filled in the mapped pattern; the name chosen is copied back
 * into the caller's pattern, which keeps the set's path. */

/* Copies the last component of `chosen` over the last component of
 * `pattern` (the same length: only the X's differ). */
static void copy_chosen_name(char *pattern, const char *chosen) {
  const char *slash = strrchr(pattern, '/');
  size_t length = strlen(slash != NULL ? slash + 1 : pattern);
  size_t chosen_length = strlen(chosen);
  if (chosen != pattern && chosen_length >= length)
    memcpy(pattern + strlen(pattern) - length, chosen + chosen_length - length, length);
}

#define WRAP_PATTERN(name, params, args)                                   \
  int name params {                                                        \
    MAP(pattern, -1);                                                      \
    FAULT(SIM_FAULT_READONLY, pattern, -1);                                \
    char *chosen = mapped_pattern == pattern ? pattern : buffer_pattern;   \
    int result_ = NEXT(name) args;                                         \
    if (result_ < 0) return result_;                                       \
    copy_chosen_name(pattern, chosen);                                     \
    sim_disk_note_change();                                                \
    return result_;                                                        \
  }

WRAP_PATTERN(mkstemp, (char *pattern), (chosen))
WRAP_PATTERN(mkstemp64, (char *pattern), (chosen))
WRAP_PATTERN(mkostemp, (char *pattern, int flags), (chosen, flags))
WRAP_PATTERN(mkostemp64, (char *pattern, int flags), (chosen, flags))
WRAP_PATTERN(mkstemps, (char *pattern, int suffix), (chosen, suffix))
WRAP_PATTERN(mkstemps64, (char *pattern, int suffix), (chosen, suffix))
WRAP_PATTERN(mkostemps, (char *pattern, int suffix, int flags), (chosen, suffix, flags))
WRAP_PATTERN(mkostemps64, (char *pattern, int suffix, int flags), (chosen, suffix, flags))

char *mkdtemp(char *pattern) {
  MAP(pattern, NULL);
  FAULT(SIM_FAULT_READONLY, pattern, NULL);
  char *chosen = mapped_pattern == pattern ? pattern : buffer_pattern;
  if (NEXT(mkdtemp)(chosen) == NULL) return NULL;
  copy_chosen_name(pattern, chosen);
  sim_disk_note_change();
  return pattern;
}

/* ---- programs started by path ---- */
WRAP_PATH(execvpe, (const char *path, char *const argv[], char *const envp[]),
          (mapped_path, argv, envp))
WRAP_PATH(posix_spawn,
          (pid_t *child, const char *path, const posix_spawn_file_actions_t *actions,
           const posix_spawnattr_t *attributes, char *const argv[], char *const envp[]),
          (child, mapped_path, actions, attributes, argv, envp))
WRAP_PATH(posix_spawnp,
          (pid_t *child, const char *path, const posix_spawn_file_actions_t *actions,
           const posix_spawnattr_t *attributes, char *const argv[], char *const envp[]),
          (child, mapped_path, actions, attributes, argv, envp))

/* The files a spawned program opens, and the folder it starts in, are named
 * now and opened by the C library in the child: mapped here. These return
 * an error number rather than setting errno. */
int posix_spawn_file_actions_addopen(posix_spawn_file_actions_t *actions, int fd,
                                     const char *path, int flags, mode_t mode) {
  MAP(path, errno);
  return NEXT(posix_spawn_file_actions_addopen)(actions, fd, mapped_path, flags, mode);
}

int posix_spawn_file_actions_addchdir_np(posix_spawn_file_actions_t *actions, const char *path) {
  MAP(path, errno);
  return NEXT(posix_spawn_file_actions_addchdir_np)(actions, mapped_path);
}

/* ---- folders listed and watched ---- */
WRAP_PATH(scandir,
          (const char *path, struct dirent ***list, int (*keep)(const struct dirent *),
           int (*order)(const struct dirent **, const struct dirent **)),
          (mapped_path, list, keep, order))
WRAP_PATH(scandir64,
          (const char *path, struct dirent64 ***list, int (*keep)(const struct dirent64 *),
           int (*order)(const struct dirent64 **, const struct dirent64 **)),
          (mapped_path, list, keep, order))
WRAP_AT(scandirat,
        (int folder, const char *path, struct dirent ***list, int (*keep)(const struct dirent *),
         int (*order)(const struct dirent **, const struct dirent **)),
        (folder, mapped_path, list, keep, order))
WRAP_PATH(inotify_add_watch, (int watcher, const char *path, uint32_t events),
          (watcher, mapped_path, events))
