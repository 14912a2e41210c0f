// Scenarios: a small line-based script that drives the simulated TV for the
// demo and the end-to-end tests. One step per line, words separated by
// blanks, "#" starts a comment:
//
//   key K [HOLD_MS [ARG]]   press remote key K, hold it, release it
//   wait MS                 let the queued keys finish, then MS ms of TV time
//   setup                   the loader calls setup()
//   channel N | nochannel   tune channel N / no channel at all
//   broadcast off           the broadcast clock stops being sent
//   language N              the TV's menu language number
//   plug SECTION VENDOR PRODUCT SERIAL FS:SIZE:MOUNT [FS:SIZE:MOUNT]...
//                           a USB device with its partitions (FS fat, ntfs,
//                           ext, cifs, smb, nfs; SIZE like 512M, 8G, 5T)
//   unplug SECTION          the device disappears
//   remount SECTION N MOUNT partition N (from 0) moves to MOUNT
//   fill MOUNT MB           a file of MB MiB appears on that folder's disk
//   record FILE | stop      the host's recorder starts / stops on its own
//   devices                 print the device table the plug-in builds now
//   prefix                  print the file-name prefix it would give now
//   screenshot FILE         save the screen as a PNG
//   say TEXT                print TEXT
//   telnetd running|stopped the set's telnet daemon runs / has ended
#pragma once

#include <string>
#include <vector>

namespace sim {

struct LoadedPlugin;

struct ScenarioStep {
  int line = 0;                    // where it came from, for messages
  std::vector<std::string> words;  // the command and its arguments
};

// Parses a scenario. Returns false with a message naming the line when a step
// is unknown or lacks arguments.
bool ParseScenario(const std::string& text, std::vector<ScenarioStep>* steps, std::string* error);

// Runs the steps in order against the loaded plug-in (whose settings record
// the listings use). Returns false with a message at the first step that
// cannot be carried out.
bool RunScenario(const std::vector<ScenarioStep>& steps, const LoadedPlugin& plugin,
                 std::string* error);

}  // namespace sim
