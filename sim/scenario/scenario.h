// Scenarios: a small line-based script that drives the simulated TV for the
// demo and the end-to-end tests. One step per line, words separated by
// blanks, "#" starts a comment. Arguments in brackets may be left out:
//
//   key K [HOLD_MS [ARG]]   press remote key K with third argument ARG (0),
//                           hold it HOLD_MS ms (100), release it
//   press K [ARG]           press remote key K and keep it held across the
//                           next steps (waits included)
//   release                 release the held key
//   wait MS                 let the queued keys finish, then MS ms of TV time
//   setup                   the loader calls setup()
//   setting NAME VALUE      the loader restarts the plug-in with field NAME
//                           of its settings record set to VALUE: init_config
//                           runs again and every run-time state starts over
//   channel N | nochannel   tune channel N / no channel at all
//   broadcast off           the broadcast clock stops being sent
//   language N              the TV's menu language number
//   plug SECTION VENDOR PRODUCT SERIAL FS:SIZE:MOUNT [FS:SIZE:MOUNT]...
//                           a USB device with its partitions (FS fat, ntfs,
//                           ext, cifs, smb, nfs, internal; SIZE like 512M,
//                           8G, 5T)
//   unplug SECTION          the device disappears; a file open on it gets
//                           write errors (EIO) from then on, even after a
//                           later plug of the same device
//   remount SECTION N MOUNT partition N (from 0) moves to MOUNT
//   fill MOUNT MB           a file of MB MiB appears on that folder's disk
//   folder PATH             a folder appears there (with its parents)
//   record FILE | stop      the host's recorder starts / stops on its own
//   bitrate KIB_S           the recorder writes KIB_S KiB per second of TV
//                           time in recordings started from now on
//   growth MIB_S            recordings started from now on also grow by
//                           MIB_S MiB per second of TV time of sparse holes
//                           between their packets (0: none); the disk fills
//   fault KIND PATH [ERROR] below the set's folder PATH: KIND write makes
//                           writes into files fail (ERROR nospace), rename a
//                           rename from or to it (access), remove a remove,
//                           unlink or rmdir (access), readonly makes the
//                           folder read-only: creating, opening for writing,
//                           writing, renaming, removing fail (readonly), for
//                           root too. ERROR: nospace, io, access, readonly,
//                           missing. Shell commands see the same faults
//   heal PATH | heal all    the faults set at PATH end / every fault ends
//                           (a file left open on an unplugged disk stays dead)
//   clock SECONDS           the TV's wall clock (time(), the broadcast time)
//                           jumps by SECONDS, negative backwards; timers and
//                           sleeps run on undisturbed
//   tv                      print the TV's state: picture frozen or running,
//                           video mute, TV option 15 (the picture-off option)
//   devices                 print the device table the plug-in builds now
//   prefix                  print the file-name prefix it would give now
//   screenshot FILE         save the screen as a PNG
//   say TEXT                print TEXT
//   show FILE               print each line of the set's file FILE ("/mtd_ram/x")
//   files FOLDER            print one line per entry of the set's folder
//                           FOLDER, by name: "files FOLDER: NAME SIZE bytes,
//                           whole packets" (broken: SIZE is no multiple of
//                           188), "NAME/" for a folder, "(empty)" for none
//   telnetd running|stopped the set's telnet daemon runs / has ended
//
// Paths (MOUNT, FILE, PATH, a partition's MOUNT) must stay within the set's
// folders: "/dtv/usb/../../../x" is refused with its line before anything
// runs, as the platform layer refuses it at run time.
//
// Every key the host processes is printed as "key SENT -> PROCESSED passed |
// replaced | consumed, arg ARG" (sim/host/keys/key_calls.h), its release as
// "key K released". While a key is held, key and press are refused; a key
// still held at the end of the scenario is released. Setting names are the
// settings record's field names (tvsim --help lists them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace sim {

struct LoadedPlugin;

struct ScenarioStep {
  int line = 0;                    // where it came from, for messages
  std::vector<std::string> words;  // the command and its arguments
  size_t kind = SIZE_MAX;          // its row in the player's table of steps (set by ParseScenario)
};

// Parses a scenario and checks every step's arguments (their number, whole
// numbers within range, partitions, setting names and values). Returns false
// with a message naming the line at the first step that is unknown or has
// arguments it does not take; steps holds the steps before it.
bool ParseScenario(const std::string& text, std::vector<ScenarioStep>* steps, std::string* error);

// Runs parsed steps in order against the loaded plug-in (whose settings record
// the listings use and the setting step changes). Returns false with a
// message naming the line at the first step that cannot be carried out.
bool RunScenario(const std::vector<ScenarioStep>& steps, LoadedPlugin& plugin,
                 std::string* error);

// Writes one line per step (its arguments and what it does) to out.
void PrintScenarioSteps(FILE* out);

}  // namespace sim
