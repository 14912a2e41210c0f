// File-system checks on destinations and recording files.
#pragma once

#include <sys/vfs.h>

#include "export.h"

// statfs of the last destination examined; the information pane shows its kind.
extern "C" RECOLYX_EXPORT struct statfs fs;

// statfs types the checks recognise.
inline constexpr unsigned long kNtfsMagic = 0x5346544E;
inline constexpr unsigned long kInternalMemoryMagic = 0x2003BAB1;

// 1 when statfs of path (into fs) succeeds and reports NTFS, else 0.
int IsNtfs(const char* path);

// 1 when the table entry `index` can take a recording: its folder exists
// (made first for a fixed entry when create_folder is set), and a fixed
// folder on the internal memory only when allow_internal is set.
int DestinationUsable(int index);

// Deletes an empty recording (and its side file unless delete_mdb is set, the
// recorder having removed that already) when delete_empty is set. 1 when the
// recording was deleted.
int RemoveIfEmpty(const char* ts_path, const char* mdb_path);

// The file's size in whole MiB (0 when it cannot be read). Files of any size
// are measured: 64-bit file offsets on the set too.
int FileSizeMb(const char* path);

// Stores the free and total space of the file system holding `folder` in
// free_kb and total_kb, each saturated at the largest 32-bit figure. 0,
// with both left as they were, when the folder cannot be examined (gone,
// empty path).
int ReadFreeSpace(const char* folder);
