// The plug-in's debug log: one line per event, appended to a file in the
// set's RAM folder. The text-library binding and the home-folder check write
// to it.
//
// The RAM folder is shared with the TV's other programs, which may leave a
// link or any other file at one of the plug-in's names. The plug-in's files
// there are therefore opened without following a link, and made anew,
// exclusively, when what stands at the name is not a plain file of its own.
#pragma once

#include <sys/types.h>

#include <cstddef>

// The log file, in the set's RAM folder.
inline constexpr const char* kDebugLogPath = "/mtd_ram/Recolyx_debug.log";

// The longest text a line holds.
inline constexpr size_t kDebugLogTextMax = 258;

// Appends text and a line feed. Texts longer than 258 characters are cut;
// a log that cannot be opened drops the line. An earlier log of the plug-in
// (a plain file of this process's user with no second name) is appended to;
// anything else at the name (a symbolic or hard link, a FIFO, a device,
// another user's file) is removed, never written through, and the log
// starts anew.
void DebugLog(const char* text);

// Removes whatever is at `path` (a file, or a link but never its target) and
// creates the file anew with `access` (O_RDONLY, O_WRONLY, O_RDWR, and
// O_APPEND) and `mode`: exclusively and without following a link that
// appears there meanwhile. The descriptor, close-on-exec, or -1 (nothing
// could be created, or something reappeared at the name in between).
int CreateRamFile(const char* path, int access, mode_t mode);
