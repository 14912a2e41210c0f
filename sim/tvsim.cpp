// tvsim: the TV simulator. Loads recolyx.so into a simulated TV application,
// patches the host's key functions as the set's loader does, and prints what
// the host does while a scenario (keys, waits, disks, programmes) plays.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "sim/host/guide.h"
#include "sim/host/host_state.h"
#include "sim/host/keys/key_input.h"
#include "sim/host/recorder.h"
#include "sim/host/sim_clock.h"
#include "sim/loader.h"
#include "sim/platform/set_commands.h"
#include "sim/platform/sim_time.h"
#include "sim/platform/tv_time.h"
#include "sim/platform/virtual_disks.h"
#include "sim/command_line.h"
#include "sim/scenario/check_report.h"
#include "sim/scenario/output_log.h"
#include "sim/scenario/scenario.h"
#include "sim/screen/screen.h"
#include "sim/screen/screen_reader.h"

namespace {

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

// Prints why a run is refused and makes the checks a refused scenario still
// makes (sim::CheckRefusedScenario) with the steps parsed before the refusal.
int Refuse(const std::vector<sim::ScenarioStep>& parsed, const std::string& line) {
  std::fprintf(stderr, "%s\n", line.c_str());
  sim::RecordOutputLine(line);
  sim::CheckRefusedScenario(parsed);
  return sim::kUsageStatus;
}

}  // namespace

int main(int argc, char** argv) {
  sim::CommandLine options;
  std::string error;
  if (!sim::ParseCommandLine(argc, argv, &options, &error)) {
    // A scenario file given before the refused option still has its checks.
    std::vector<sim::ScenarioStep> parsed;
    std::string ignored;
    sim::ParseScenario(options.scenario_text, &parsed, &ignored);
    return Refuse(parsed, "tvsim: " + error);
  }
  if (options.help) {
    sim::PrintUsage(stdout);
    return 0;
  }
  if (options.version) {
    std::printf("%s\n", sim::VersionLine("tvsim", RECOLYX_VERSION).c_str());
    return 0;
  }
  std::string home = options.home, plugin_path = options.plugin_path, sandbox = options.sandbox;
  if (home.empty()) home = plugin_path.empty() ? DefaultHome() : Folder(plugin_path);
  if (plugin_path.empty()) plugin_path = home + "/recolyx.so";
  if (sandbox.empty()) sandbox = Folder(home) + "/sandbox";

  std::vector<sim::ScenarioStep> scenario;
  if (!sim::ParseScenario(options.scenario_text, &scenario, &error))
    return Refuse(scenario, "tvsim: scenario " + error);
  int64_t start_utc = -1;
  if (!options.start_text.empty() && !ParseStart(options.start_text, &start_utc)) {
    std::fprintf(stderr, "tvsim: --start takes YYYY-MM-DDTHH:MM\n");
    return 2;
  }
  if (options.screen.window && !std::getenv("DISPLAY")) {
    std::fprintf(stderr, "tvsim: --window needs a display, and $DISPLAY is not set "
                         "(run tvsim on a desktop, or under xvfb-run to try it without one)\n");
    return 1;
  }

  sim::SetHostLog([start = tv_time_real_ns()](const std::string& line) {
    std::printf("[%8.3f %s] %s\n", static_cast<double>(tv_time_real_ns() - start) / 1e9,
                sim::TvClockText().c_str(), line.c_str());
    std::fflush(stdout);
    sim::RecordOutputLine(line);
  });

  if (!sim::StartPlatform(sandbox, &error)) {
    std::fprintf(stderr, "tvsim: sandbox %s: %s\n", sandbox.c_str(), error.c_str());
    return 1;
  }
  if (options.telnetd_running && !sim::SetTelnetdRunning(true)) {
    std::fprintf(stderr, "tvsim: cannot start telnetd in %s\n", sandbox.c_str());
    return 1;
  }
  // Set before the scenario plays: its recordings use them. The TV's
  // recordings show its picture.
  sim::SetRecorderPicture(true);
  if (options.bitrate_kib >= 0) sim::SetRecorderBitrate(options.bitrate_kib << 10);
  if (options.growth_mib >= 0) sim::SetRecorderGrowth(options.growth_mib << 20);
  // TV time: the simulator's own clock from here on (sim/platform/tv_time.h).
  double pace = options.speed >= 0 ? options.speed : options.screen.window ? 1.0 : 0.0;
  tv_time_start(start_utc, pace, options.parallel ? TV_TIME_PARALLEL : TV_TIME_SERIAL,
                options.shake_seed);
  sim::HostLog(sim::TvTimeStartText(pace, options.parallel, options.shake_seed));

  sim::LoadDemoGuide();
  if (std::optional<int> channel = sim::CurrentChannel()) {
    std::optional<sim::GuideProgramme> programme = sim::PresentProgramme(*channel);
    sim::SetPictureCaption(*channel, programme ? programme->title : "");
  }
  options.screen.home_dir = home;
  // The flipped overlay is copied at each flip only for a scenario that
  // looks at the screen.
  options.screen.keep_shown = false;
  for (const sim::ScenarioStep& step : scenario) {
    if (!step.words.empty() && (step.words[0] == "screenshot" || step.words[0] == "pixel" || step.words[0] == "area"))
      options.screen.keep_shown = true;
  }
  sim::ConfigureScreen(options.screen);
  // The log says what the screen shows.
  sim::StartScreenReader(home);
  if (options.screen.window) {
    if (!sim::WindowOpen()) {
      std::fprintf(stderr, "tvsim: cannot open a window on display %s: %s\n", std::getenv("DISPLAY"),
                   SDL_GetError());
      return 1;
    }
    sim::HostLog("window open; the PC keyboard is the remote: " + sim::WindowTitle());
  }

  sim::LoadedPlugin plugin;
  // The window's TV boots with a USB stick in, so that RECORD records at once.
  if (options.screen.window && options.stick && !sim::PlayLines(sim::kWindowStick, plugin, &error)) {
    std::fprintf(stderr, "tvsim: the window's stick: %s\n", error.c_str());
    return 1;
  }
  if (!sim::LoadPlugin(plugin_path, home, &plugin, &error, options.setting_changes)) {
    std::fprintf(stderr, "tvsim: cannot load %s: %s\n", plugin_path.c_str(), error.c_str());
    return 1;
  }

  sim::StartKeyInput();
  bool played = false;
  if (options.screen.window) {
    // The scenario plays on its own thread while this one, which opened the
    // window, takes the PC keyboard as the remote from the start; the window
    // stays until it is closed.
    std::thread player([&] { played = sim::RunScenario(scenario, plugin, &error); });
    const auto play = [&plugin](const std::string& steps) {
      std::string refused;
      if (!sim::PlayLines(steps, plugin, &refused)) sim::HostLog("window: " + refused);
    };
    // The keyboard is looked at every 20 ms of real time: at N times real
    // time that is N times 20 ms of TV time, which this sleep waits.
    const auto pump_every = std::chrono::microseconds(static_cast<long long>(20000 * std::max(1.0, pace)));
    while (sim::PumpWindowEvents(play)) std::this_thread::sleep_for(pump_every);
    player.join();
  } else {
    played = sim::RunScenario(scenario, plugin, &error);
  }
  sim::EndOfRun();
  if (!played) {
    std::fprintf(stderr, "tvsim: scenario %s\n", error.c_str());
    return 1;
  }
  if (!options.contact_sheet_path.empty()) {
    if (!sim::WriteContactSheet(home, options.contact_sheet_path, &error)) {
      std::fprintf(stderr, "tvsim: %s\n", error.c_str());
      return 1;
    }
    sim::HostLog("contact sheet saved: " + options.contact_sheet_path);
  }
  if (int faults = sim::OverlayGuardFaults(); faults > 0) {
    std::fprintf(stderr, "tvsim: surface guard band written (%d times): the plug-in wrote outside its surface\n",
                 faults);
    return 1;
  }
  if (int failures = sim::CheckFailures(); failures > 0) {
    std::fprintf(stderr, "tvsim: %d check%s of the scenario failed\n", failures,
                 failures == 1 ? "" : "s");
    if (options.shake_seed != 0)
      std::fprintf(stderr, "tvsim: the threads were shaken by seed %llu: --shake %llu plays the run again\n",
                   static_cast<unsigned long long>(options.shake_seed),
                   static_cast<unsigned long long>(options.shake_seed));
    return 1;
  }
  sim::HostLog("tvsim: done");
  return 0;
}
