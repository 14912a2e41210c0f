#include "sim/platform/set_commands.h"

#include <filesystem>
#include <fstream>

#include "sim/platform/sandbox.h"

namespace fs = std::filesystem;

namespace sim {
namespace {

constexpr const char* kCommands[] = {"ps", "mount", "telnetd"};

std::string PlatformFile(const char* name) {
  char buffer[4096];
  const char* path = sim_platform_file(name, buffer, sizeof buffer);
  return path != nullptr ? path : "";
}

bool MakeEmpty(const std::string& path) { return !path.empty() && std::ofstream(path).good(); }

}  // namespace

bool InstallSetCommands(std::string* error) {
  std::string folder = PlatformFile("bin");
  std::error_code code;
  fs::create_directories(folder, code);
  for (const char* command : kCommands) {
    fs::path target = fs::path(folder) / command;
    fs::copy_file(fs::path(SIM_PLATFORM_COMMANDS_DIR) / command, target,
                  fs::copy_options::overwrite_existing, code);
    if (!code) fs::permissions(target, fs::perms(0755), code);
    if (folder.empty() || code) {
      *error = "cannot install the set's command " + target.string() + ": " + code.message();
      return false;
    }
  }
  if (!SetTelnetdRunning(false) || !MakeEmpty(PlatformFile("commands.log"))) {
    *error = "cannot reset the set's commands in " + folder;
    return false;
  }
  return true;
}

bool SetTelnetdRunning(bool running) {
  std::string marker = PlatformFile("telnetd.running");
  if (running) return MakeEmpty(marker);
  std::error_code code;
  fs::remove(marker, code);
  return !marker.empty() && !code;
}

bool TelnetdRunning() {
  std::error_code code;
  std::string marker = PlatformFile("telnetd.running");
  return !marker.empty() && fs::exists(marker, code);
}

std::vector<std::string> CommandLog() {
  std::vector<std::string> lines;
  std::ifstream log(PlatformFile("commands.log"));
  for (std::string line; std::getline(log, line);) lines.push_back(line);
  return lines;
}

void ClearCommandLog() { MakeEmpty(PlatformFile("commands.log")); }

}  // namespace sim
