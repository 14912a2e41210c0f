// Scenarios: a small line-based script that drives the simulated TV for the
// demo and the end-to-end tests. One step per line, words separated by
// blanks, "#" starts a comment. Arguments in brackets may be left out:
//
//   key K [HOLD_MS [ARG]]   press remote key K with third argument ARG (0),
//                           hold it HOLD_MS ms (100), release it. K is a
//                           code (73) or a button's name (RECORD; tvsim
//                           --help lists them), in key, press and lastkey
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
//   fill MOUNT MB [free]    a file of MB MiB appears on that folder's disk;
//                           with free, that file grows or shrinks until MB
//                           MiB of the disk stay free
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
//   screenshot FILE         save the screen as a PNG; the line "screen saved:
//                           FILE (flip N)" names the flip it shows
//   say TEXT                print TEXT
//   show FILE               print each line of the set's file FILE ("/mtd_ram/x")
//   files FOLDER            print one line per entry of the set's folder
//                           FOLDER, by name: "files FOLDER: NAME SIZE bytes,
//                           whole packets" (broken: SIZE is no multiple of
//                           188), "NAME/" for a folder, "(empty)" for none
//   telnetd running|stopped the set's telnet daemon runs / has ended
//   end                     the TV shuts down here: a held key is let go,
//                           the key-input thread stops, a running recording
//                           ends, the set's shell log is printed, the
//                           surface's guard bands are checked. Only checks
//                           may follow (tvsim does all this itself after the
//                           last step when no end step did)
//
// Checks (sim/scenario/checks.h) state what must hold at that point; one that
// fails prints "tvsim: scenario line N: expected ...: got ..." and the
// scenario plays on, tvsim then ends non-zero:
//   expect REGEX            a line printed since the line the previous
//                           expect took matches REGEX (the rest of the line,
//                           an ECMAScript regular expression searched within
//                           the printed line, without its time stamp)
//   never REGEX             no line printed in the whole run matches REGEX
//   same REGEX              two or more lines printed so far match REGEX and
//                           all capture the same text in its first group
//   file FOLDER NAME [SIZE] [stream]
//                           FOLDER (a set path, or a path relative to the
//                           folder tvsim runs in) holds a file whose whole
//                           name matches the regular expression NAME, of
//                           SIZE bytes (N, MIN-MAX, MIN-, -MAX, with K M G T)
//                           and, with stream, whole 188-byte packets each
//                           starting with 0x47
//   nofile FOLDER NAME      no entry of FOLDER has a name matching NAME
//   option N VALUE          the host's TV option N holds VALUE
//   muted yes|no            the host's main video is muted / not
//   frozen yes|no           the host's picture is frozen / not
//   lastkey K [ARG]         the last press the host's key function processed
//                           was key K (with third argument ARG)
//   saved NAME VALUE        the home folder's recolyx.cfg holds VALUE in the
//                           settings record's field NAME
//   pixel X Y RRGGBB [TOL]  the screen (overlay over the test picture) has
//                           that colour at X,Y, each channel within TOL (8)
//   area X Y W H RRGGBB [TOL]  the mean colour of that rectangle
//
// Paths (MOUNT, FILE, PATH, a partition's MOUNT) must stay within the set's
// folders: "/dtv/usb/../../../x" is refused with its line before anything
// runs, as the platform layer refuses it at run time. No path of a step or
// a check (those, a screenshot's FILE, a file or nofile FOLDER) may have a
// ".." component at all, not even "/dtv/usb/../usb" or "shots/../x.png":
// the line is refused the same way.
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
  std::string rest;                // the line after the command, as written (regular expressions)
  size_t kind = SIZE_MAX;          // its row in the player's table of steps (set by ParseScenario)
};

// Parses a scenario and checks every step's arguments (their number, whole
// numbers within range, partitions, setting names and values, regular
// expressions, and that only checks follow an end step). Returns false
// with a message naming the line at the first step that is unknown or has
// arguments it does not take; steps holds the steps before it.
bool ParseScenario(const std::string& text, std::vector<ScenarioStep>* steps, std::string* error);

// Runs parsed steps in order against the loaded plug-in (whose settings record
// the setting step changes). Checks that fail are reported
// (sim/scenario/check_report.h) and the steps after them still run. Returns
// false with a message naming the line at the first action step that cannot
// be carried out.
bool RunScenario(const std::vector<ScenarioStep>& steps, LoadedPlugin& plugin,
                 std::string* error);

// Parses and runs a few lines at once, as the window's keys play them: no
// never watch, no waiting for the keys to finish. False with a message
// naming the line when one is refused or cannot be carried out.
bool PlayLines(const std::string& text, LoadedPlugin& plugin, std::string* error);

// The checks a refused scenario still makes with the steps parsed before the
// refused line (a refusal plays nothing): its never steps are held against
// everything printed so far and later, and its file and nofile checks of
// folders of the PC (not of the set) are made now. Failures are reported.
void CheckRefusedScenario(const std::vector<ScenarioStep>& parsed);

// The end of the run (the end step): releases a held key, stops the
// key-input thread, ends a running recording, prints the set's shell log and
// checks the surface's guard bands. Only the first call does anything.
void EndOfRun();

// Writes "  USAGE  HELP" to out, the usage padded to 24 columns; a longer
// usage gets the help on a line of its own. A null help prints none.
void PrintHelpLine(FILE* out, const std::string& usage, const char* help);

// Writes one line per action step / per check (its arguments and what it
// does) to out.
void PrintScenarioSteps(FILE* out);
void PrintScenarioChecks(FILE* out);

// What the step called name does (its help), or nullptr for no such step.
const char* ScenarioStepHelp(const std::string& name);

}  // namespace sim
