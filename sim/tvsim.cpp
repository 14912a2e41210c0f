// tvsim: the TV simulator. Loads recolyx.so into a simulated TV application,
// patches the host's key functions as the set's loader does, and prints what
// the host does while a scenario (keys, waits, disks, programmes) plays.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "sim/host/guide.h"
#include "sim/host/host_state.h"
#include "sim/host/keys/key_input.h"
#include "sim/host/recorder.h"
#include "sim/loader.h"
#include "sim/platform/set_commands.h"
#include "sim/platform/sim_time.h"
#include "sim/platform/virtual_disks.h"
#include "sim/scenario/scenario.h"
#include "sim/screen/screen.h"

namespace {

void Usage(FILE* out) {
  std::fprintf(out,
      "usage: tvsim [options] [steps]\n"
      "options:\n"
      "  --home DIR            the plug-in's home folder (default: the build's home/)\n"
      "  --plugin FILE         the plug-in to load (default: DIR/recolyx.so)\n"
      "  --sandbox DIR         where the set's folders live (default: beside the home folder)\n"
      "  --speed N             run the TV's clock N times faster\n"
      "  --start YYYY-MM-DDTHH:MM  start the TV's clock there (UTC)\n"
      "  --window              show the screen in a window; the PC keyboard is the remote\n"
      "  --frames DIR          save every frame the plug-in flips as DIR/frame_NNNNN.png\n"
      "  --contact-sheet FILE  save every skin image and font sheet as one PNG\n"
      "  --telnetd-running     the set boots with its telnet daemon running\n"
      "  --bitrate KIB_S       the recorder's bitrate in KiB per second of TV time\n"
      "  --growth MIB_S        recordings also grow MIB_S sparse MiB per second\n"
      "  --scenario FILE       play the steps of FILE (one per line, see below)\n"
      "  --setting NAME=VALUE  set a field of the settings record before init_config\n"
      "                        (may be repeated; names below)\n"
      "steps, played in order after the scenario file's:\n"
      "  --key K[:HOLD_MS[:ARG]]  press remote key K, hold it HOLD_MS ms (default 100)\n"
      "  --wait MS             wait MS ms of TV time after the queued keys\n"
      "  --setup               the loader calls setup()\n"
      "  --language N          the TV's menu language number (13 German, 18 English...)\n"
      "  --record FILE         the host's recorder writes FILE until the end\n"

      "  --list-devices        print the device table the plug-in builds now\n"
      "  --name-prefix         print the file-name prefix it would give now\n"
      "  --screenshot FILE     save the screen as a PNG\n"
      "scenario steps:\n");
  sim::PrintScenarioSteps(out);
  std::fprintf(out, "settings (--setting, the setting step):\n");
  // The names, wrapped to lines of about 78 characters.
  std::istringstream names(sim::SettingFieldNames());
  std::string line;
  for (std::string name; names >> name;) {
    if (!line.empty() && line.size() + 1 + name.size() > 76) {
      std::fprintf(out, "  %s\n", line.c_str());
      line.clear();
    }
    line += (line.empty() ? "" : " ") + name;
  }
  std::fprintf(out, "  %s\n", line.c_str());
}

// NAME=VALUE of --setting.
bool ParseSettingOption(const std::string& text, sim::SettingValue* setting, std::string* error) {
  size_t equals = text.find('=');
  if (equals == std::string::npos) {
    *error = "takes NAME=VALUE, not " + sim::QuotedWord(text);
    return false;
  }
  return sim::ToSettingValue(std::string_view(text).substr(0, equals),
                             std::string_view(text).substr(equals + 1), setting, error);
}

std::string Folder(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

// The build's home folder: build/<preset>/home beside build/<preset>/sim/tvsim.
std::string DefaultHome() {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "home";
  self[n] = '\0';
  return Folder(Folder(self)) + "/home";
}

bool ParseStart(const std::string& text, int64_t* utc) {
  struct tm fields {};
  if (std::sscanf(text.c_str(), "%d-%d-%dT%d:%d", &fields.tm_year, &fields.tm_mon,
                  &fields.tm_mday, &fields.tm_hour, &fields.tm_min) != 5)
    return false;
  fields.tm_year -= 1900;
  fields.tm_mon -= 1;
  *utc = timegm(&fields);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string home, plugin_path, sandbox, contact_sheet_path, start_text;
  double speed = 1.0;
  bool telnetd_running = false;
  sim::ScreenOptions screen;
  std::ostringstream steps;  // the command-line steps, as scenario lines
  std::string scenario_text;
  std::vector<sim::SettingValue> setting_changes;  // --setting, applied before init_config

  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) {
        Usage(stderr);
        std::exit(2);
      }
      return argv[++i];
    };
    if (option == "--home") home = value();
    else if (option == "--plugin") plugin_path = value();
    else if (option == "--sandbox") sandbox = value();
    else if (option == "--speed") speed = std::atof(value().c_str());
    else if (option == "--start") start_text = value();
    else if (option == "--window") screen.window = true;
    else if (option == "--frames") screen.frame_folder = value();
    else if (option == "--contact-sheet") contact_sheet_path = value();
    else if (option == "--telnetd-running") telnetd_running = true;
    else if (option == "--setting") {
      sim::SettingValue setting;
      std::string problem;
      if (!ParseSettingOption(value(), &setting, &problem)) {
        std::fprintf(stderr, "tvsim: --setting: %s\n", problem.c_str());
        return 2;
      }
      setting_changes.push_back(setting);
    } else if (option == "--scenario") {
      std::ifstream file(value());
      if (!file) {
        std::fprintf(stderr, "tvsim: cannot read %s\n", argv[i]);
        return 2;
      }
      scenario_text += std::string(std::istreambuf_iterator<char>(file), {}) + "\n";
    } else if (option == "--key") {
      std::string key = value();
      for (char& c : key) c = c == ':' ? ' ' : c;
      steps << "key " << key << "\n";
    } else if (option == "--wait") steps << "wait " << value() << "\n";
    else if (option == "--setup") steps << "setup\n";
    else if (option == "--language") steps << "language " << value() << "\n";
    else if (option == "--record") steps << "record " << value() << "\n";
    else if (option == "--bitrate" || option == "--growth") {
      // Set before the scenario plays: its recordings use them.
      char* end = nullptr;
      std::string text = value();
      long long amount = std::strtoll(text.c_str(), &end, 10);
      if (text.empty() || *end != '\0' || amount < 0 || amount > (1LL << 30)) {
        std::fprintf(stderr, "tvsim: %s takes a number from 0 to %lld\n", option.c_str(), 1LL << 30);
        return 2;
      }
      if (option == "--bitrate") sim::SetRecorderBitrate(amount << 10);
      else sim::SetRecorderGrowth(amount << 20);
    }
    else if (option == "--list-devices") steps << "devices\n";
    else if (option == "--name-prefix") steps << "prefix\n";
    else if (option == "--screenshot") steps << "screenshot " << value() << "\n";
    else if (option == "--help") {
      Usage(stdout);
      return 0;
    } else {
      Usage(stderr);
      return 2;
    }
  }
  if (home.empty()) home = plugin_path.empty() ? DefaultHome() : Folder(plugin_path);
  if (plugin_path.empty()) plugin_path = home + "/recolyx.so";
  if (sandbox.empty()) sandbox = Folder(home) + "/sandbox";

  std::vector<sim::ScenarioStep> scenario;
  std::string error;
  if (!sim::ParseScenario(scenario_text + steps.str(), &scenario, &error)) {
    std::fprintf(stderr, "tvsim: scenario %s\n", error.c_str());
    return 2;
  }

  auto start = std::chrono::steady_clock::now();
  sim::SetHostLog([start](const std::string& line) {
    double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("[%8.3f] %s\n", t, line.c_str());
    std::fflush(stdout);
  });

  if (!sim::StartPlatform(sandbox, &error)) {
    std::fprintf(stderr, "tvsim: sandbox %s: %s\n", sandbox.c_str(), error.c_str());
    return 1;
  }
  if (telnetd_running && !sim::SetTelnetdRunning(true)) {
    std::fprintf(stderr, "tvsim: cannot start telnetd in %s\n", sandbox.c_str());
    return 1;
  }
  int64_t start_utc = -1;
  if (!start_text.empty() && !ParseStart(start_text, &start_utc)) {
    std::fprintf(stderr, "tvsim: --start takes YYYY-MM-DDTHH:MM\n");
    return 2;
  }
  if (start_utc >= 0 || speed != 1.0) sim_clock_set(start_utc, speed > 0 ? speed : 1.0);

  sim::LoadDemoGuide();
  if (std::optional<int> channel = sim::CurrentChannel()) {
    std::optional<sim::GuideProgramme> programme = sim::PresentProgramme(*channel);
    sim::SetPictureCaption(*channel, programme ? programme->title : "");
  }
  screen.home_dir = home;
  sim::ConfigureScreen(screen);

  sim::LoadedPlugin plugin;
  if (!sim::LoadPlugin(plugin_path, home, &plugin, &error, setting_changes)) {
    std::fprintf(stderr, "tvsim: cannot load %s: %s\n", plugin_path.c_str(), error.c_str());
    return 1;
  }

  sim::StartKeyInput();
  bool played = sim::RunScenario(scenario, plugin, &error);
  if (played && screen.window) {
    while (sim::PumpWindowEvents([](int key) { sim::QueueKey(key, 0, 100); }))
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    sim::WaitKeysIdle();
  }
  sim::StopKeyInput();
  // A recording still running when the TV shuts down is ended properly.
  if (sim::GetRecorderStatus().recording) spI_Stream_Record_Stop();
  if (!played) {
    std::fprintf(stderr, "tvsim: scenario %s\n", error.c_str());
    return 1;
  }
  if (!contact_sheet_path.empty()) {
    if (!sim::WriteContactSheet(home, contact_sheet_path, &error)) {
      std::fprintf(stderr, "tvsim: %s\n", error.c_str());
      return 1;
    }
    sim::HostLog("contact sheet saved: " + contact_sheet_path);
  }
  // What the plug-in had the set's shell run, and what the set's commands did.
  for (const std::string& line : sim::CommandLog()) sim::HostLog("shell: " + line);
  // Anything the plug-in wrote outside its surface fails the run.
  sim::CheckOverlayGuards("the end of the run");
  if (int faults = sim::OverlayGuardFaults(); faults > 0) {
    std::fprintf(stderr, "tvsim: surface guard band written (%d times): the plug-in wrote outside its surface\n",
                 faults);
    return 1;
  }
  sim::HostLog("tvsim: done");
  return 0;
}
