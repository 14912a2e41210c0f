// What every command of the project does with its command line: -h and
// --help print the usage on standard output and end with status 0,
// --version prints the version, and an unknown option is named with a
// pointer to --help, status 2. Header-only: the storyboard tool shares it.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace sim {

// The exit status of a refused command line.
inline constexpr int kUsageStatus = 2;

// word in quotes for a message, cut to its first 40 characters and "..."
// when longer, so that an over-long input cannot swamp the message.
inline std::string QuotedWord(std::string_view word) {
  constexpr size_t kShown = 40;
  if (word.size() <= kShown) return "'" + std::string(word) + "'";
  return "'" + std::string(word.substr(0, kShown)) + "...'";
}

// "unknown option '--x' (PROGRAM --help lists the options)".
inline std::string UnknownOptionText(const char* program, std::string_view option) {
  return "unknown option " + QuotedWord(option) + " (" + program + " --help lists the options)";
}

// A command line the program cannot take: "PROGRAM: WHY" on standard error;
// returns kUsageStatus for the program to end with.
inline int RefuseCommandLine(const char* program, const std::string& why) {
  std::fprintf(stderr, "%s: %s\n", program, why.c_str());
  return kUsageStatus;
}

// "PROGRAM (Recolyx) VERSION", the line --version prints.
inline std::string VersionLine(const char* program, const char* version) {
  return std::string(program) + " (Recolyx) " + version;
}

}  // namespace sim
