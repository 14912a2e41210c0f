// tvsim: the TV simulator. Loads recolyx.so into a simulated TV application,
// patches the host's key functions as the set's loader does, and prints what
// the host does as keys arrive.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "sim/host/guide.h"
#include "sim/host/host_state.h"
#include "sim/host/recorder.h"
#include "sim/host/keys/key_input.h"
#include "sim/loader.h"
#include "sim/screen/screen.h"

namespace {

void Usage() {
  std::fprintf(stderr,
               "usage: tvsim [--home DIR] [--plugin FILE] [--setup] [--key K[:HOLD_MS[:ARG]]]...\n"
               "             [--wait MS]... [--record FILE] [--window] [--frames DIR]\n"
               "             [--screenshot FILE] [--contact-sheet FILE]\n"
               "  --home DIR     the plug-in's home folder (default: the folder of recolyx.so)\n"
               "  --plugin FILE  the plug-in to load (default: DIR/recolyx.so)\n"
               "  --setup        call setup() after init_config, as the loader may\n"
               "  --key ...      press remote key K, hold it HOLD_MS ms (default 100)\n"
               "  --wait MS      wait MS ms after the keys before that\n"
               "  --record FILE  let the host's recorder write FILE while the keys run\n"
               "  --window       show the screen in a window; the PC keyboard is the remote\n"
               "  --frames DIR   save every frame the plug-in flips as DIR/frame_NNNNN.png\n"
               "  --screenshot FILE  save the screen as a PNG at the end\n"
               "  --contact-sheet FILE  save every skin image and font sheet as one PNG\n");
}

struct Step {
  enum { kKey, kWait } kind;
  int key = 0, hold_ms = 100, arg = 0;
};

}  // namespace

int main(int argc, char** argv) {
  std::string home, plugin_path;
  std::string record_path, screenshot_path, contact_sheet_path;
  sim::ScreenOptions screen;
  bool call_setup = false;
  std::vector<Step> steps;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) {
        Usage();
        std::exit(2);
      }
      return argv[++i];
    };
    if (option == "--home") {
      home = value();
    } else if (option == "--plugin") {
      plugin_path = value();
    } else if (option == "--window") {
      screen.window = true;
    } else if (option == "--frames") {
      screen.frame_folder = value();
    } else if (option == "--screenshot") {
      screenshot_path = value();
    } else if (option == "--contact-sheet") {
      contact_sheet_path = value();
    } else if (option == "--record") {
      record_path = value();
    } else if (option == "--setup") {
      call_setup = true;
    } else if (option == "--key") {
      Step step{Step::kKey};
      if (std::sscanf(value(), "%d:%d:%d", &step.key, &step.hold_ms, &step.arg) < 1) {
        Usage();
        return 2;
      }
      steps.push_back(step);
    } else if (option == "--wait") {
      Step step{Step::kWait};
      step.hold_ms = std::atoi(value());
      steps.push_back(step);
    } else {
      Usage();
      return option == "--help" ? 0 : 2;
    }
  }
  if (home.empty() && plugin_path.empty()) {
    // Default: the home folder built beside this executable's build tree.
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
      self[n] = '\0';
      std::string dir(self);
      dir = dir.substr(0, dir.rfind('/'));
      home = dir.substr(0, dir.rfind('/')) + "/home";
    }
  }
  if (plugin_path.empty()) plugin_path = home + "/recolyx.so";
  if (home.empty()) home = plugin_path.substr(0, plugin_path.rfind('/'));

  auto start = std::chrono::steady_clock::now();
  sim::SetHostLog([start](const std::string& line) {
    double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("[%8.3f] %s\n", t, line.c_str());
    std::fflush(stdout);
  });

  sim::LoadDemoGuide();
  if (std::optional<int> channel = sim::CurrentChannel()) {
    std::optional<sim::GuideProgramme> programme = sim::PresentProgramme(*channel);
    sim::SetPictureCaption(*channel, programme ? programme->title : "");
  }
  screen.home_dir = home;
  sim::ConfigureScreen(screen);

  sim::LoadedPlugin plugin;
  std::string error;
  if (!sim::LoadPlugin(plugin_path, home, &plugin, &error)) {
    std::fprintf(stderr, "tvsim: cannot load %s: %s\n", plugin_path.c_str(), error.c_str());
    return 1;
  }
  if (call_setup) {
    int result = plugin.setup();
    sim::HostLog("loader: setup returned " + std::to_string(result));
  }

  if (!record_path.empty()) spI_Stream_Record(record_path.c_str());
  sim::StartKeyInput();
  for (const Step& step : steps) {
    if (step.kind == Step::kWait) {
      sim::WaitKeysIdle();
      std::this_thread::sleep_for(std::chrono::milliseconds(step.hold_ms));
    } else {
      sim::QueueKey(step.key, step.arg, step.hold_ms);
    }
  }
  sim::WaitKeysIdle();
  if (screen.window) {
    while (sim::PumpWindowEvents([](int key) { sim::QueueKey(key, 0, 100); }))
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    sim::WaitKeysIdle();
  }
  sim::StopKeyInput();
  if (!screenshot_path.empty()) {
    if (sim::SaveScreenshot(screenshot_path, &error))
      sim::HostLog("screen saved: " + screenshot_path);
    else
      std::fprintf(stderr, "tvsim: %s\n", error.c_str());
  }
  if (!contact_sheet_path.empty()) {
    if (sim::WriteContactSheet(home, contact_sheet_path, &error))
      sim::HostLog("contact sheet saved: " + contact_sheet_path);
    else
      std::fprintf(stderr, "tvsim: %s\n", error.c_str());
  }
  // A recording still running when the TV shuts down is ended properly.
  if (sim::GetRecorderStatus().recording) spI_Stream_Record_Stop();
  sim::HostLog("tvsim: done");
  return 0;
}
