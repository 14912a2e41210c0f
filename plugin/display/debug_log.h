// The plug-in's debug log: one line per event, appended to a file in the
// set's RAM folder. Only the text-library binding writes to it.
#pragma once

// The log file, in the set's RAM folder.
inline constexpr const char* kDebugLogPath = "/mtd_ram/Recolyx_debug.log";

// Appends text and a line feed. Texts longer than 258 characters are cut;
// a log that cannot be opened drops the line.
void DebugLog(const char* text);
