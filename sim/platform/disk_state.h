/* Virtual disks as every process of the simulation sees them: a mount folder
 * of the set with a file-system type, a capacity and a block size. The table
 * lives in a small text file in the sandbox ("<root>/.platform/disks"), which
 * the simulator rewrites whenever a disk is plugged, unplugged or remounted,
 * so that shell commands started through system() see the same disks.
 *
 * statfs/statvfs of a path on a disk report the disk's type and a free space
 * of the capacity less what the folder holds: a disk really fills up. */
#ifndef RECOLYX_SIM_PLATFORM_DISK_STATE_H
#define RECOLYX_SIM_PLATFORM_DISK_STATE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* File-system types as statfs reports them. */
#define SIM_FS_FAT 0x4d44u
#define SIM_FS_NTFS 0x5346544eu
#define SIM_FS_EXT 0xef53u /* ext2, ext3 and ext4 share one magic */
#define SIM_FS_CIFS 0xff534d42u
#define SIM_FS_SMB 0x517bu
#define SIM_FS_NFS 0x6969u
#define SIM_FS_TMPFS 0x01021994u
#define SIM_FS_INTERNAL 0x2003bab1u /* the set's internal memory */

struct sim_disk {
  char mount[256];      /* the set's folder, e.g. "/dtv/usb/sda1" */
  uint32_t type;
  uint64_t capacity;    /* bytes */
  uint32_t block_size;  /* bytes, at least 512 */
};

/* Path of the disk table file ("" when no sandbox is set). */
const char *sim_disk_table_path(void);

/* Finds the disk that holds the set path (longest mount folder that is the
 * path or a parent of it). Returns 1 and fills `disk`, else 0. */
int sim_disk_find(const char *set_path, struct sim_disk *disk);

/* Bytes the sandbox folder holds: every file's size rounded up to whole
 * blocks (a sparse file counts in full, as on FAT), plus one block per folder. */
uint64_t sim_folder_bytes(const char *folder, uint32_t block_size);

/* What sim_folder_bytes reports, from a per-process cache when nothing can
 * have changed since it was measured: the cache holds while no change went
 * through the platform layer in this process (sim_disk_note_change), the
 * folder's own modification and change times stay put, and for at most
 * SIM_FOLDER_CACHE_NS of real time, which bounds how long a change made
 * elsewhere (another process, a call the layer does not wrap) can go
 * unseen. */
#define SIM_FOLDER_CACHE_NS 20000000 /* 20 ms */
uint64_t sim_folder_bytes_cached(const char *folder, uint32_t block_size);

/* Called by the platform layer after every call that may have created,
 * grown, shrunk, moved or removed a file or folder (a call that failed with
 * nothing done is not one, except on a stream, whose buffer may have gone
 * out); drops every cached measure. Safe from any thread; leaves errno
 * alone. */
void sim_disk_note_change(void);

/* Free blocks of a disk whose folder holds `used` bytes (0 when full). */
uint64_t sim_disk_free_blocks(const struct sim_disk *disk, uint64_t used);

#ifdef __cplusplus
}
#endif

#endif
