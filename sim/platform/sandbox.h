/* The simulated set's file system: the set's absolute folders ("/dtv",
 * "/mtd_ram", "/mtd_wiselink", "/mtd_appdata") live below one sandbox folder
 * on the PC. Everything else passes through untouched.
 *
 * Plain C: the libc wrappers that use it are C, and the same code is built
 * into a small preload library that the shell commands started through
 * system() load, so that they see the same mapping. */
#ifndef RECOLYX_SIM_PLATFORM_SANDBOX_H
#define RECOLYX_SIM_PLATFORM_SANDBOX_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The environment words that carry the sandbox into child processes. */
#define SIM_SANDBOX_ENV "RECOLYX_SANDBOX"
#define SIM_PRELOAD_ENV "RECOLYX_SANDBOX_PRELOAD"

/* Sets the sandbox folder (absolute, no trailing slash needed) and the preload
 * library handed to commands run through system(). Returns 0, or -1 when a
 * path does not fit. Called once by the simulator before its threads start;
 * a child process finds both in its environment instead. */
int sim_sandbox_set(const char *root, const char *preload);

/* The sandbox folder, "" when there is none (then nothing is mapped). */
const char *sim_sandbox_root(void);
const char *sim_sandbox_preload(void);

/* 1 when `path` starts with one of the set's folders (the whole folder name:
 * "/dtv" and "/dtv/x" match, "/dtvx" does not). */
int sim_is_set_path(const char *path);

/* Writes the lexical normal form of the absolute `path` into `out`: empty
 * and "." components dropped, ".." takes back the component before it, no
 * trailing slash ("/" alone stays). Symbolic links are not looked at. Returns
 * its length, or -1 with errno EINVAL (not absolute, or `size` below 2),
 * EACCES (".." above "/") or ENAMETOOLONG (does not fit `size`). */
int sim_normal_path(const char *path, char *out, size_t size);

/* Maps a set path into the sandbox: the sandbox folder followed by the
 * path's normal form (a trailing slash kept). An absolute path whose normal
 * form is a set path ("/tmp/../dtv/x") is mapped too. Returns `path` itself
 * when it is not a set path or no sandbox is set; `buffer` holding the
 * mapped path; or NULL with errno EACCES when a set path climbs out of the
 * set's folders with ".." ("/dtv/usb/../../etc"), ENAMETOOLONG when the
 * mapped path does not fit `size` or PATH_MAX. */
const char *sim_map_path(const char *path, char *buffer, size_t size);

/* sim_map_path for a path relative to the folder `folder` (a descriptor,
 * or AT_FDCWD for the working folder), as the *at calls and the calls that
 * take a relative path name it. An absolute path, or a relative one that
 * does not go up with "..", is mapped as sim_map_path maps it (the folder
 * itself lies in the sandbox already). A relative path that goes up with
 * ".." from a folder of the sandbox is taken as the set path it names from
 * there, and mapped as that: NULL with errno EACCES when it leaves the set's
 * folders, as the absolute path would. */
const char *sim_map_path_at(int folder, const char *path, char *buffer, size_t size);

/* The target a symbolic link made at `link` (relative to `folder`, as in
 * sim_map_path_at) holds, so that following it leads where it leads on the
 * set and never out of the sandbox: an absolute set path is mapped into the
 * sandbox; a relative target that goes up with ".." from a link in the set's
 * folders becomes the mapped set path it names from the link's folder;
 * anything else (a PC path, a relative target that only goes down) is kept
 * as written. Returns `target`, or `buffer` holding the mapped target, or
 * NULL with errno EACCES when the target leaves the set's folders with ".."
 * (or ENAMETOOLONG). */
const char *sim_map_link_target(const char *target, int folder, const char *link, char *buffer,
                                size_t size);

/* A PC path that lies below a set folder of the sandbox rewritten in place
 * as the set's path ("<root>/mtd_ram/x" becomes "/mtd_ram/x"): what reading
 * a name back (a link's target, the working folder, a resolved path) gives
 * on the set. Returns `path` (NULL stays NULL); other paths are unchanged. */
char *sim_set_path_in_place(char *path);

/* The set path inside a mapped sandbox path ("<root>/dtv/x" gives "/dtv/x",
 * a pointer into `mapped`); NULL when `mapped` is not below a set folder of
 * the sandbox. */
const char *sim_set_path_of(const char *mapped);

/* The set path of the file open on descriptor `fd` (read from /proc, so it
 * follows renames), a pointer into `buffer`; NULL when the file is not below
 * a set folder of the sandbox or its path does not fit `size`. */
const char *sim_descriptor_set_path(int fd, char *buffer, size_t size);

/* The simulator's own file `name` in the sandbox ("<root>/.platform/<name>"),
 * written into `buffer`. NULL when there is no sandbox or it does not fit. */
const char *sim_platform_file(const char *name, char *buffer, size_t size);

#ifdef __cplusplus
}
#endif

#endif
