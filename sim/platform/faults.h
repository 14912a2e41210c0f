/* Faults the platform layer injects, per folder of the set: the libc
 * wrappers (libc_wrappers.c) ask here before they act and fail the call with
 * the fault's errno, as the set's file systems would.
 *
 *   SIM_FAULT_WRITE     writes into files below the folder fail (ENOSPC, EIO...)
 *   SIM_FAULT_RENAME    a rename from or to below the folder fails
 *   SIM_FAULT_REMOVE    remove, unlink and rmdir below the folder fail
 *   SIM_FAULT_READONLY  the folder turned read-only: creating, opening for
 *                       writing, writing, truncating, renaming, removing and
 *                       making folders below it fail (EROFS), for root too
 *
 * The table lives in the process that sets faults and in a small text file
 * in the sandbox ("<root>/.platform/faults"), which shell commands started
 * through system() read when they first need it, so that they see the same
 * faults (as they see the same disks).
 *
 * Besides the table, a process can mark its own open descriptors below a
 * folder as stale, as when a disk vanishes under an open file: every later
 * write through them fails with EIO, even after the disk comes back. */
#ifndef RECOLYX_SIM_PLATFORM_FAULTS_H
#define RECOLYX_SIM_PLATFORM_FAULTS_H

#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

enum sim_fault_kind {
  SIM_FAULT_WRITE,
  SIM_FAULT_RENAME,
  SIM_FAULT_REMOVE,
  SIM_FAULT_READONLY,
  SIM_FAULT_KINDS
};

/* At most this many faults at once; a folder's set path at most this long. */
#define SIM_FAULT_MAX 32
#define SIM_FAULT_PATH_MAX 256

/* Adds a fault of `kind` for everything below the set folder `set_path`
 * (taken in its normal form; the folder itself included), failing with
 * `error` (a positive errno). A fault of the same kind at the same folder is
 * replaced. Returns 0, or -1 with errno EINVAL (no sandbox, not a folder of
 * the set, bad kind or error), ENAMETOOLONG (path longer than
 * SIM_FAULT_PATH_MAX) or ENOSPC (SIM_FAULT_MAX faults set already). */
int sim_fault_set(enum sim_fault_kind kind, const char *set_path, int error);

/* Removes every fault set at `set_path` (its normal form), or all faults and
 * stale descriptors when it is NULL. Returns how many faults it removed. */
int sim_fault_clear(const char *set_path);

/* The errno a call of `kind` on the set path `set_path` (a normal form, as
 * sim_set_path_of gives) must fail with, 0 when none. A read-only folder
 * also answers for the other kinds (EROFS). */
int sim_fault_for(enum sim_fault_kind kind, const char *set_path);

/* The errno a write through descriptor `fd` must fail with, 0 when none:
 * EIO on a stale descriptor, else a write or read-only fault of the file's
 * folder. Costs nothing while no fault is set and nothing is stale. */
int sim_fault_for_descriptor(int fd);
int sim_fault_for_stream(FILE *stream);

/* Marks every descriptor of this process open on a file below the set
 * folder `set_path` stale. Returns how many it marked (at most 64 stale
 * descriptors are kept; more are not marked). */
int sim_fault_stale_below(const char *set_path);

/* Parses an errno name as the scenario writes it: "nospace" (ENOSPC), "io"
 * (EIO), "access" (EACCES), "readonly" (EROFS), "missing" (ENOENT). 0 when
 * unknown. */
int sim_fault_error_named(const char *name);

/* The fault kind of a name ("write", "rename", "remove", "readonly");
 * SIM_FAULT_KINDS when unknown. */
enum sim_fault_kind sim_fault_kind_named(const char *name);

/* The error a fault of `kind` gives when none is named: write ENOSPC,
 * readonly EROFS, the others EACCES. */
int sim_fault_default_error(enum sim_fault_kind kind);

#ifdef __cplusplus
}
#endif

#endif
