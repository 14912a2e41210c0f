/* The libc calls through which a process reaches the set's folders, wrapped
 * so that the set's absolute paths land in the sandbox folder. Each wrapper
 * maps its path arguments and forwards to the next definition (libc, or a
 * sanitizer's interceptor) found with dlsym(RTLD_NEXT). Paths outside the
 * set's folders pass through unchanged.
 *
 * Defined in the simulator's executable (and in the test binaries), these
 * definitions take precedence over libc's for the whole process, the
 * dlopen'ed plug-in included. Built as a preload library too, for the shell
 * commands that system() starts.
 *
 * Deliberately built without _FILE_OFFSET_BITS=64: both the plain and the
 * 64-bit names are defined here, and the headers must not rename one to the
 * other.
 *
 * The same wrappers inject the faults of faults.h: a call that would change
 * something below a faulty folder, and a write through a descriptor or
 * stream whose file lies there, fail with the fault's errno. A set path that
 * climbs out of the set's folders with ".." fails with EACCES (sandbox.h),
 * and so does a relative path that climbs out of them from a folder of the
 * sandbox (the working folder, or an *at call's folder).
 *
 * The files, folders, streams, disk figures and shell commands are here;
 * links, nodes, times, attributes, temporary names and the names read back
 * (link targets, the working folder, resolved paths) in name_wrappers.c. */
#undef _FILE_OFFSET_BITS
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <spawn.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdio_ext.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include "wrapper_macros.h"

extern char **environ;

/* Fortified and 64-bit entry points the headers do not declare. */
int __open_2(const char *path, int flags);
int __open64_2(const char *path, int flags);
int __openat_2(int folder, const char *path, int flags);
int __openat64_2(int folder, const char *path, int flags);

/* Open flags that write, create or truncate. */
static int opens_for_change(int flags) {
  return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0;
}

/* An open that would change a file below a read-only folder fails. */
#define OPEN_FAULT(path, flags) \
  if (opens_for_change(flags)) FAULT(SIM_FAULT_READONLY, path, -1)

/* The fortified opens (no mode argument), relative to `folder`. */
#define WRAP_OPEN_2(folder, name, params, args)                        \
  int name params {                                                    \
    MAP_AT(folder, path, -1);                                          \
    OPEN_FAULT(path, flags);                                           \
    int result_ = NEXT(name) args;                                     \
    if (result_ >= 0 && opens_for_change(flags)) sim_disk_note_change(); \
    return result_;                                                    \
  }

/* fopen modes other than plain reading. */
static int stream_mode_changes(const char *mode) {
  return mode != NULL && (mode[0] != 'r' || strchr(mode, '+') != NULL);
}

/* ---- one path, int result ---- */
WRAP_PATH(access, (const char *path, int mode), (mapped_path, mode))
WRAP_PATH(euidaccess, (const char *path, int mode), (mapped_path, mode))
WRAP_PATH(eaccess, (const char *path, int mode), (mapped_path, mode))
WRAP_CHANGE(SIM_FAULT_READONLY, mkdir, (const char *path, mode_t mode), (mapped_path, mode))
WRAP_CHANGE(SIM_FAULT_REMOVE, rmdir, (const char *path), (mapped_path))
WRAP_CHANGE(SIM_FAULT_REMOVE, unlink, (const char *path), (mapped_path))
WRAP_CHANGE(SIM_FAULT_REMOVE, remove, (const char *path), (mapped_path))
WRAP_PATH(chdir, (const char *path), (mapped_path))
WRAP_PATH(chmod, (const char *path, mode_t mode), (mapped_path, mode))
WRAP_PATH(chown, (const char *path, uid_t owner, gid_t group), (mapped_path, owner, group))
WRAP_CHANGE(SIM_FAULT_READONLY, truncate, (const char *path, off_t length), (mapped_path, length))
WRAP_CHANGE(SIM_FAULT_READONLY, truncate64, (const char *path, off64_t length), (mapped_path, length))
WRAP_PATH(stat, (const char *path, struct stat *status), (mapped_path, status))
WRAP_PATH(stat64, (const char *path, struct stat64 *status), (mapped_path, status))
WRAP_PATH(lstat, (const char *path, struct stat *status), (mapped_path, status))
WRAP_PATH(lstat64, (const char *path, struct stat64 *status), (mapped_path, status))
#if defined(__arm__)
/* recolyx.so built for the set reaches stat64 and lstat64 through their
 * older entry points (set_abi/runtime_compat.cpp); the structure is the same,
 * so the mapped call goes on to the current ones. */
int __xstat64(int version, const char *path, struct stat64 *status);
int __lxstat64(int version, const char *path, struct stat64 *status);
int __xstat64(int version, const char *path, struct stat64 *status) {
  MAP(path, -1);
  return NEXT(stat64)(mapped_path, status);
}
int __lxstat64(int version, const char *path, struct stat64 *status) {
  MAP(path, -1);
  return NEXT(lstat64)(mapped_path, status);
}
#endif
WRAP_CHANGE(SIM_FAULT_READONLY, creat, (const char *path, mode_t mode), (mapped_path, mode))
WRAP_CHANGE(SIM_FAULT_READONLY, creat64, (const char *path, mode_t mode), (mapped_path, mode))
WRAP_OPEN_2(AT_FDCWD, __open_2, (const char *path, int flags), (mapped_path, flags))
WRAP_OPEN_2(AT_FDCWD, __open64_2, (const char *path, int flags), (mapped_path, flags))
WRAP_PATH(execv, (const char *path, char *const argv[]), (mapped_path, argv))
WRAP_PATH(execvp, (const char *path, char *const argv[]), (mapped_path, argv))
WRAP_PATH(execve, (const char *path, char *const argv[], char *const envp[]),
          (mapped_path, argv, envp))

/* ---- folder-relative calls ---- */
WRAP_OPEN_2(folder, __openat_2, (int folder, const char *path, int flags), (folder, mapped_path, flags))
WRAP_OPEN_2(folder, __openat64_2, (int folder, const char *path, int flags), (folder, mapped_path, flags))
WRAP_AT(fstatat, (int folder, const char *path, struct stat *status, int flags),
        (folder, mapped_path, status, flags))
WRAP_AT(fstatat64, (int folder, const char *path, struct stat64 *status, int flags),
        (folder, mapped_path, status, flags))
WRAP_AT(statx, (int folder, const char *path, int flags, unsigned mask, struct statx *status),
        (folder, mapped_path, flags, mask, status))
WRAP_AT(faccessat, (int folder, const char *path, int mode, int flags),
        (folder, mapped_path, mode, flags))
WRAP_CHANGE_AT(folder, SIM_FAULT_READONLY, mkdirat, (int folder, const char *path, mode_t mode), (folder, mapped_path, mode))
WRAP_CHANGE_AT(folder, SIM_FAULT_REMOVE, unlinkat, (int folder, const char *path, int flags), (folder, mapped_path, flags))
WRAP_AT(fchmodat, (int folder, const char *path, mode_t mode, int flags),
        (folder, mapped_path, mode, flags))
WRAP_AT(fchownat, (int folder, const char *path, uid_t owner, gid_t group, int flags),
        (folder, mapped_path, owner, group, flags))

/* ---- open, with its optional mode ---- */
static mode_t open_mode(int flags, va_list arguments) {
  if ((flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE) return (mode_t)va_arg(arguments, int);
  return 0;
}

/* open and openat alike: `params` end with the path, the flags and "...". */
#define WRAP_OPEN(folder, name, params, args)                          \
  int name params {                                                    \
    va_list arguments;                                                 \
    va_start(arguments, flags);                                        \
    mode_t mode = open_mode(flags, arguments);                         \
    va_end(arguments);                                                 \
    MAP_AT(folder, path, -1);                                          \
    OPEN_FAULT(path, flags);                                           \
    int result_ = NEXT(name) args;                                     \
    if (result_ >= 0 && opens_for_change(flags)) sim_disk_note_change(); \
    return result_;                                                    \
  }
WRAP_OPEN(AT_FDCWD, open, (const char *path, int flags, ...), (mapped_path, flags, mode))
WRAP_OPEN(AT_FDCWD, open64, (const char *path, int flags, ...), (mapped_path, flags, mode))
WRAP_OPEN(folder, openat, (int folder, const char *path, int flags, ...),
          (folder, mapped_path, flags, mode))
WRAP_OPEN(folder, openat64, (int folder, const char *path, int flags, ...),
          (folder, mapped_path, flags, mode))

/* ---- streams and folders ---- */
FILE *fopen(const char *path, const char *mode) {
  MAP(path, NULL);
  if (stream_mode_changes(mode)) FAULT(SIM_FAULT_READONLY, path, NULL);
  FILE *result = NEXT(fopen)(mapped_path, mode);
  if (result != NULL && stream_mode_changes(mode)) sim_disk_note_change();
  return result;
}

FILE *fopen64(const char *path, const char *mode) {
  MAP(path, NULL);
  if (stream_mode_changes(mode)) FAULT(SIM_FAULT_READONLY, path, NULL);
  FILE *result = NEXT(fopen64)(mapped_path, mode);
  if (result != NULL && stream_mode_changes(mode)) sim_disk_note_change();
  return result;
}

FILE *freopen(const char *path, const char *mode, FILE *stream) {
  if (path == NULL) return NEXT(freopen)(path, mode, stream);
  MAP(path, NULL);
  if (stream_mode_changes(mode)) FAULT(SIM_FAULT_READONLY, path, NULL);
  FILE *result = NEXT(freopen)(mapped_path, mode, stream);
  if (result != NULL && stream_mode_changes(mode)) sim_disk_note_change();
  return result;
}

FILE *freopen64(const char *path, const char *mode, FILE *stream) {
  if (path == NULL) return NEXT(freopen64)(path, mode, stream);
  MAP(path, NULL);
  if (stream_mode_changes(mode)) FAULT(SIM_FAULT_READONLY, path, NULL);
  FILE *result = NEXT(freopen64)(mapped_path, mode, stream);
  if (result != NULL && stream_mode_changes(mode)) sim_disk_note_change();
  return result;
}

DIR *opendir(const char *path) {
  MAP(path, NULL);
  return NEXT(opendir)(mapped_path);
}

/* ---- two paths ---- */
int rename(const char *from, const char *to) {
  MAP(from, -1);
  MAP(to, -1);
  FAULT(SIM_FAULT_RENAME, from, -1);
  FAULT(SIM_FAULT_RENAME, to, -1);
  int result = NEXT(rename)(mapped_from, mapped_to);
  if (result == 0) sim_disk_note_change();
  return result;
}

int renameat(int from_folder, const char *from, int to_folder, const char *to) {
  MAP_AT(from_folder, from, -1);
  MAP_AT(to_folder, to, -1);
  FAULT(SIM_FAULT_RENAME, from, -1);
  FAULT(SIM_FAULT_RENAME, to, -1);
  int result = NEXT(renameat)(from_folder, mapped_from, to_folder, mapped_to);
  if (result == 0) sim_disk_note_change();
  return result;
}

int renameat2(int from_folder, const char *from, int to_folder, const char *to, unsigned flags) {
  MAP_AT(from_folder, from, -1);
  MAP_AT(to_folder, to, -1);
  FAULT(SIM_FAULT_RENAME, from, -1);
  FAULT(SIM_FAULT_RENAME, to, -1);
  int result = NEXT(renameat2)(from_folder, mapped_from, to_folder, mapped_to, flags);
  if (result == 0) sim_disk_note_change();
  return result;
}

/* ---- file-system figures: a virtual disk's type, capacity and free space ---- */

/* Fills the figures of the disk that holds the set path `set` (NULL: not a
 * set path), if any. The folder's content is measured again after every
 * change the wrappers see (disk_state.h), so the free space follows every
 * write. */
#define APPLY_DISK(set, figures)                                                        \
  do {                                                                                  \
    struct sim_disk disk_;                                                              \
    if ((set) == NULL || !sim_disk_find(set, &disk_)) break;                            \
    char folder_[PATH_MAX];                                                             \
    const char *mapped_ = sim_map_path(disk_.mount, folder_, sizeof folder_);           \
    if (mapped_ == NULL) break;                                                         \
    uint64_t free_ = sim_disk_free_blocks(&disk_, sim_folder_bytes_cached(mapped_, disk_.block_size)); \
    (figures)->f_bsize = disk_.block_size;                                              \
    (figures)->f_blocks = disk_.capacity / disk_.block_size;                            \
    (figures)->f_bfree = free_;                                                         \
    (figures)->f_bavail = free_;                                                        \
    (figures)->f_frsize = disk_.block_size;                                             \
    FS_TYPE(figures, disk_.type);                                                       \
  } while (0)

/* The figures of a path, and of an open descriptor (found by the path of its
 * file). */
#define WRAP_FIGURES(name, figures_type)                                             \
  int name(const char *path, figures_type *figures) {                                \
    MAP(path, -1);                                                                   \
    int result = NEXT(name)(mapped_path, figures);                                   \
    if (result == 0 && mapped_path != path) APPLY_DISK(sim_set_path_of(mapped_path), figures); \
    return result;                                                                   \
  }                                                                                  \
  int f##name(int fd, figures_type *figures) {                                       \
    int result = NEXT(f##name)(fd, figures);                                         \
    char held_[PATH_MAX];                                                            \
    if (result == 0) APPLY_DISK(sim_descriptor_set_path(fd, held_, sizeof held_), figures); \
    return result;                                                                   \
  }

#define FS_TYPE(figures, type) ((figures)->f_type = (type))
WRAP_FIGURES(statfs, struct statfs)
WRAP_FIGURES(statfs64, struct statfs64)
#undef FS_TYPE

/* statvfs has no type field; it reports the same capacity and free space. */
#define FS_TYPE(figures, type) ((void)(type))
WRAP_FIGURES(statvfs, struct statvfs)
WRAP_FIGURES(statvfs64, struct statvfs64)
#undef FS_TYPE

/* ---- writes: a write fault, a read-only folder or a vanished disk under
 * the file fails them (faults.h) ---- */

#define DESCRIPTOR_FAULT(fd, fail)                   \
  do {                                               \
    int error_ = sim_fault_for_descriptor(fd);       \
    if (error_ != 0) {                               \
      errno = error_;                                \
      return fail;                                   \
    }                                                \
  } while (0)

/* A write to the console (standard input, output, error: the host's log)
 * changes nothing on a disk and keeps the remembered folder measures. */
static void note_write(int fd) {
  if (fd > STDERR_FILENO) sim_disk_note_change();
}

static void note_stream_write(FILE *stream) {
  if (stream == NULL || fileno(stream) > STDERR_FILENO) sim_disk_note_change();
}

ssize_t write(int fd, const void *data, size_t size) {
  DESCRIPTOR_FAULT(fd, -1);
  ssize_t result = NEXT(write)(fd, data, size);
  if (result > 0) note_write(fd);
  return result;
}

ssize_t pwrite(int fd, const void *data, size_t size, off_t at) {
  DESCRIPTOR_FAULT(fd, -1);
  ssize_t result = NEXT(pwrite)(fd, data, size, at);
  if (result > 0) note_write(fd);
  return result;
}

ssize_t pwrite64(int fd, const void *data, size_t size, off64_t at) {
  DESCRIPTOR_FAULT(fd, -1);
  ssize_t result = NEXT(pwrite64)(fd, data, size, at);
  if (result > 0) note_write(fd);
  return result;
}

ssize_t writev(int fd, const struct iovec *parts, int count) {
  DESCRIPTOR_FAULT(fd, -1);
  ssize_t result = NEXT(writev)(fd, parts, count);
  if (result > 0) note_write(fd);
  return result;
}

int ftruncate(int fd, off_t length) {
  DESCRIPTOR_FAULT(fd, -1);
  int result = NEXT(ftruncate)(fd, length);
  if (result == 0) sim_disk_note_change();
  return result;
}

int ftruncate64(int fd, off64_t length) {
  DESCRIPTOR_FAULT(fd, -1);
  int result = NEXT(ftruncate64)(fd, length);
  if (result == 0) sim_disk_note_change();
  return result;
}

/* A stream whose file cannot be written: what it holds buffered is lost, its
 * error indicator is set, and the call fails, as when the stream's own
 * write(2) fails. */
#define STREAM_FAULT(stream, fail)                   \
  do {                                               \
    int error_ = sim_fault_for_stream(stream);       \
    if (error_ != 0) {                               \
      __fpurge(stream);                              \
      (stream)->_flags |= _IO_ERR_SEEN;              \
      errno = error_;                                \
      return fail;                                   \
    }                                                \
  } while (0)

size_t fwrite(const void *data, size_t size, size_t count, FILE *stream) {
  STREAM_FAULT(stream, 0);
  size_t result = NEXT(fwrite)(data, size, count, stream);
  note_stream_write(stream);
  return result;
}

int fputs(const char *text, FILE *stream) {
  STREAM_FAULT(stream, EOF);
  int result = NEXT(fputs)(text, stream);
  note_stream_write(stream);
  return result;
}

int fputc(int c, FILE *stream) {
  STREAM_FAULT(stream, EOF);
  int result = NEXT(fputc)(c, stream);
  note_stream_write(stream);
  return result;
}

int vfprintf(FILE *stream, const char *format, va_list arguments) {
  STREAM_FAULT(stream, -1);
  int result = NEXT(vfprintf)(stream, format, arguments);
  note_stream_write(stream);
  return result;
}

int fprintf(FILE *stream, const char *format, ...) {
  va_list arguments;
  va_start(arguments, format);
  int result = vfprintf(stream, format, arguments);
  va_end(arguments);
  return result;
}

int fflush(FILE *stream) {
  if (stream != NULL) STREAM_FAULT(stream, EOF);
  int result = NEXT(fflush)(stream);
  if (stream == NULL || __fwritable(stream)) note_stream_write(stream);
  return result;
}

/* The stream is closed all the same. Closing a stream opened for reading
 * only changes nothing on a disk, and no write fault fails it. */
int fclose(FILE *stream) {
  const int writable = stream != NULL && __fwritable(stream);
  int error = writable ? sim_fault_for_stream(stream) : 0;
  if (error == 0) {
    int result = NEXT(fclose)(stream);
    if (writable) sim_disk_note_change();
    return result;
  }
  __fpurge(stream);
  NEXT(fclose)(stream);
  if (writable) sim_disk_note_change();
  errno = error;
  return EOF;
}

/* ---- shell commands ---- */

/* Adds `name=value` to the environment being built, skipping it when the
 * text does not fit. */
static void add_variable(char **list, size_t *count, char *storage, size_t size,
                         const char *name, const char *value, const char *tail) {
  int length = snprintf(storage, size, "%s=%s%s%s", name, value,
                        tail[0] != '\0' ? ":" : "", tail);
  if (length > 0 && (size_t)length < size) list[(*count)++] = storage;
}

static int starts_with_variable(const char *entry, const char *name) {
  size_t length = strlen(name);
  return strncmp(entry, name, length) == 0 && entry[length] == '=';
}

/* PATH with the folder of the set's stand-in commands (ps, mount, telnetd)
 * first, unless it is first already (a command run from a shell command).
 * Returns a malloc'ed "PATH=..." text, or NULL. */
static char *path_with_set_commands(const char *old_path) {
  char folder[PATH_MAX];
  if (sim_platform_file("bin", folder, sizeof folder) == NULL) return NULL;
  size_t length = strlen(folder);
  if (old_path == NULL) old_path = "/usr/bin:/bin";
  if (strncmp(old_path, folder, length) == 0 && (old_path[length] == ':' || old_path[length] == '\0'))
    folder[0] = '\0';
  size_t size = strlen("PATH=") + length + 1 + strlen(old_path) + 1;
  char *text = malloc(size);
  if (text != NULL)
    snprintf(text, size, "PATH=%s%s%s", folder, folder[0] != '\0' ? ":" : "", old_path);
  return text;
}

/* Appends the command to the sandbox's command log, where the simulator and
 * the tests read what the plug-in had the shell run. */
static void log_command(const char *command) {
  char log[PATH_MAX];
  if (sim_platform_file("commands.log", log, sizeof log) == NULL) return;
  int fd = open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  dprintf(fd, "system: %s\n", command);
  close(fd);
}

/* TV time (tv_time.h), in the processes that host the plug-in only. */
extern int tv_time_command_fd(void) __attribute__((weak));
extern int tv_time_command_fd_number(void) __attribute__((weak));

/* Runs the command as system() does, with the preload library and the
 * sandbox in the shell's environment, so that the shell, every program it
 * starts and every script it runs see the set's folders in the sandbox, and
 * with the set's stand-in commands first on PATH (set_commands.h). Each
 * command is logged. */
int system(const char *command) {
  const char *root = sim_sandbox_root();
  const char *preload = sim_sandbox_preload();
  if (command == NULL || root[0] == '\0' || preload[0] == '\0') {
    int result = NEXT(system)(command);
    sim_disk_note_change();
    return result;
  }

  size_t entries = 0;
  while (environ != NULL && environ[entries] != NULL) ++entries;
  char **variables = calloc(entries + 5, sizeof *variables);
  char *texts = malloc(3 * PATH_MAX * 2);
  if (variables == NULL || texts == NULL) {
    free(variables);
    free(texts);
    return -1;
  }
  size_t count = 0;
  const char *old_preload = "";
  char *path = path_with_set_commands(getenv("PATH"));
  for (size_t i = 0; i < entries; ++i) {
    if (path != NULL && starts_with_variable(environ[i], "PATH")) continue;
    if (starts_with_variable(environ[i], "LD_PRELOAD")) {
      if (strstr(environ[i], preload) == NULL) old_preload = environ[i] + strlen("LD_PRELOAD=");
      continue;
    }
    if (starts_with_variable(environ[i], SIM_SANDBOX_ENV) ||
        starts_with_variable(environ[i], SIM_PRELOAD_ENV))
      continue;
    variables[count++] = environ[i];
  }
  add_variable(variables, &count, texts, 2 * PATH_MAX, "LD_PRELOAD", preload, old_preload);
  add_variable(variables, &count, texts + 2 * PATH_MAX, 2 * PATH_MAX, SIM_SANDBOX_ENV, root, "");
  add_variable(variables, &count, texts + 4 * PATH_MAX, 2 * PATH_MAX, SIM_PRELOAD_ENV, preload, "");
  if (path != NULL) variables[count++] = path;
  variables[count] = NULL;
  log_command(command);

  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults, empty;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGQUIT);
  sigemptyset(&empty);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &empty);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  char *arguments[] = {"sh", "-c", (char *)command, NULL};
  /* While TV time runs, the command and every process it leaves running in
   * the background hold a descriptor that tells TV time to wait for them. */
  int running_fd = tv_time_command_fd != NULL ? tv_time_command_fd() : -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (running_fd >= 0)
    posix_spawn_file_actions_adddup2(&actions, running_fd, tv_time_command_fd_number());
  pid_t child;
  int status;
  int error = posix_spawn(&child, "/bin/sh", &actions, &attributes, arguments, variables);
  posix_spawn_file_actions_destroy(&actions);
  if (running_fd >= 0) close(running_fd);
  posix_spawnattr_destroy(&attributes);
  free(variables);
  free(texts);
  free(path);
  if (error != 0) return 127 << 8; /* as system() reports a shell that could not run */
  /* The command may have changed the disks' folders. */
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) {
      sim_disk_note_change();
      return -1;
    }
  }
  sim_disk_note_change();
  return status;
}
