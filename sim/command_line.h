// tvsim's command line: one table of options drives both parsing and the
// usage text. Options that are scenario steps (--key, --wait, ...) map onto
// the scenario's table of steps: their help is the step's, their value
// (parts separated by ':') the step's arguments, and they play after the
// scenario file's steps.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "sim/loader.h"
#include "sim/screen/screen.h"

namespace sim {

struct CommandLine {
  std::string home, plugin_path, sandbox, contact_sheet_path, start_text;
  double speed = -1;          // --speed: TV time's pace (-1: the default)
  uint64_t shake_seed = 0;    // --shake
  bool parallel = false;      // --parallel
  bool telnetd_running = false;
  bool help = false;          // -h, --help
  bool version = false;       // --version
  bool stick = true;          // --no-stick: the window starts without its stick
  ScreenOptions screen;
  std::string scenario_text;                 // --scenario files, then the option steps
  std::vector<SettingValue> setting_changes; // --setting, applied before init_config
  long long bitrate_kib = -1;                // --bitrate (-1: the recorder's default)
  long long growth_mib = -1;                 // --growth
};

// Reads argv into line. Returns false with error naming the option ("--speed
// takes N", "unknown option '--x'") when an option is unknown, lacks its
// value or has a value it does not take; a file given to --scenario that
// cannot be read is such a value.
bool ParseCommandLine(int argc, char** argv, CommandLine* line, std::string* error);

// The usage: every option, the remote's buttons, the window's keys, the
// scenario's steps and checks, the settings with their values and meanings.
void PrintUsage(FILE* out);


}  // namespace sim
