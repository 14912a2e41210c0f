// The plug-in's debug log: one line per event, appended to a file in the
// set's RAM folder. Only the text-library binding writes to it.
#pragma once

#include <atomic>

// The log file. A variable so that tests can point it into a scratch folder.
extern std::atomic<const char*> debug_log_path;
inline constexpr const char* kDebugLogPath = "/mtd_ram/Recolyx_debug.log";

// Appends text and a line feed. Texts longer than 258 characters are cut;
// a log that cannot be opened drops the line.
void DebugLog(const char* text);
