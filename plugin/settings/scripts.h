// User shell scripts and the set's telnet daemon.
//
// Scripts live in the home folder's "scripts" folder. Key 1 or 68 can run
// "source.sh" or "favch.sh" (the key dispatcher decides when), and a recording
// start can run the script named after its destination device. A script is not
// started directly: a small wrapper written to the RAM folder runs it and
// removes a tag file, which the plug-in made beforehand, when it has ended.
// The wrapper runs in the background and the plug-in waits for the tag to go
// at most 10 s, so a script never holds the remote longer than that. Before
// the first script runs, telnetd is started when it does not run already (it
// opens a root shell to the home network).
//
// Only fixed text and the script's path ever reach a command line, each path
// in single quotes; no programme title or recording name does. The RAM folder
// is shared: the wrapper, the tag and the probe output are made anew by the
// plug-in, exclusively and never through a link someone placed at their
// names (whatever stands there is removed first). The shell never opens them
// by name: it reads the wrapper and writes the probe output through copies of
// the plug-in's descriptors ("/proc/self/fd/N", inherited for that one
// command), and the wrapper's only use of the tag's name is to remove it,
// which never follows a link. All run on the key thread, one at a time.
#pragma once

#include <cstddef>

#include "settings/device_entry.h"

// The fixed files in the set's RAM folder.
inline constexpr const char* kScriptWrapperPath = "/mtd_ram/_script.sh";
inline constexpr const char* kScriptTagPath = "/mtd_ram/_script.tag";
inline constexpr const char* kTelnetProbePath = "/mtd_ram/_is_td.log";
// The scripts' folder below home_dir.
inline constexpr const char* kScriptFolder = "scripts";
// The tag is tested this many times, 100 ms apart: the wait lasts 10 s at most.
inline constexpr int kScriptTagWaits = 100;

// Runs home_dir + "scripts/" + name through the wrapper, first making sure
// telnetd runs (while telnet_running is 0). Returns
//   1  the script was started, whether or not it ended within the wait;
//   0  no such script, or its path does not fit 256 bytes: nothing is written;
//  -1  the wrapper or the tag could not be made, telnetd was neither found
//      nor started, or the shell could not be run: both are removed.
// Returns within about 10 s plus the shell's start, however long the script
// runs; the wrapper and the tag are gone afterwards. A wrapper whose script
// outlives the wait removes whatever is at the tag's name when it ends,
// which at worst ends a later script's wait early.
int RunScript(const char* name);

// Runs the script of table entry `index` (the destination) before a recording
// starts: DeviceScriptName of the entry. Returns 1 without running anything
// when device_script is 0, index is 0 ("Auto") or split_in_progress is set;
// 0 when the index is outside the table, the name or path does not fit, or
// the script does not exist; else the RunScript result. Shows the script
// icon while the script runs and closes the display afterwards.
int RunDeviceScript(int index);

// Shows "icon_script" unless osd_opacity is 0 or the key-44 overlay is on;
// the display stays open when the icon was shown and is closed otherwise.
void ShowScriptIcon();

// 1 when the set's process list shows a telnetd, else 0 (also when the probe
// file cannot be made or the shell cannot be run; the probe file is removed).
int TelnetRunning();

// Mounts /dev/pts and starts telnetd. 0 when both commands ran, 1 when the
// shell could not be run for either. Their exit status is not examined.
int StartTelnet();

// Builds home_dir + "scripts/" + name into out (HomePathJoin). False, with
// out emptied, when it does not fit `size` or the name below home_dir takes
// 256 bytes or more.
bool ScriptPath(char* out, size_t size, const char* name);
// The scripts shipped to be bound to keys 1 and 68.
inline constexpr const char* kKeyScripts[] = {"source.sh", "favch.sh"};

// Writes `text` in single quotes for the shell, each quote inside as '\''.
// Returns false, with out emptied, when the result does not fit `size`.
bool ShellQuote(char* out, size_t size, const char* text);

// The entry's display text followed by ".sh", every character other than
// A-Z, a-z, 0-9, '-' and '.' replaced by '_' ("My Disk 1" gives
// "My_Disk_1.sh"). The text is read within its 20-byte field. Returns false,
// with out emptied, when the name does not fit `size`.
bool DeviceScriptName(char* out, size_t size, const DeviceEntry& entry);
