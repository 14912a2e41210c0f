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

/* Maps a set path into the sandbox. Returns `path` itself when it is not a
 * set path or no sandbox is set; `buffer` holding the mapped path; or NULL
 * with errno ENAMETOOLONG when the mapped path does not fit `size`. */
const char *sim_map_path(const char *path, char *buffer, size_t size);

/* The simulator's own file `name` in the sandbox ("<root>/.platform/<name>"),
 * written into `buffer`. NULL when there is no sandbox or it does not fit. */
const char *sim_platform_file(const char *name, char *buffer, size_t size);

#ifdef __cplusplus
}
#endif

#endif
