#include "sim/command_line.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string_view>

#include "sim/host/keys/remote_keys.h"
#include "sim/platform/tv_time.h"
#include "sim/scenario/scenario.h"
#include "sim/scenario/step_arguments.h"
#include "sim/screen/screen.h"

namespace sim {
namespace {

constexpr long long kRateLimit = 1LL << 30;

using Apply = bool (*)(CommandLine*, const std::string& value, std::string* error);

struct Option {
  const char* name;
  const char* value;  // what it takes, "" for none
  const char* help;   // nullptr: the help of the step it plays
  const char* step;   // the scenario step it plays, or nullptr
  Apply apply;        // for an option that is no step
};

// NAME=VALUE of --setting.
bool ApplySettingOption(CommandLine* line, const std::string& text, std::string* error) {
  size_t equals = text.find('=');
  SettingValue setting;
  if (equals == std::string::npos) {
    *error = "takes NAME=VALUE, not " + QuotedWord(text);
    return false;
  }
  if (!ToSettingValue(std::string_view(text).substr(0, equals),
                      std::string_view(text).substr(equals + 1), &setting, error))
    return false;
  line->setting_changes.push_back(setting);
  return true;
}

bool ApplyScenario(CommandLine* line, const std::string& path, std::string* error) {
  std::ifstream file(path);
  if (!file) {
    *error = "cannot read " + path;
    return false;
  }
  line->scenario_text += std::string(std::istreambuf_iterator<char>(file), {}) + "\n";
  return true;
}

bool ApplyRate(long long* rate, const std::string& text, std::string* error) {
  long long amount = 0;
  if (ToWhole(text, 0, kRateLimit, &amount)) {
    *rate = amount;
    return true;
  }
  *error = "takes a number from 0 to " + std::to_string(kRateLimit) + ", not " + QuotedWord(text);
  return false;
}

bool ApplySpeed(CommandLine* line, const std::string& text, std::string* error) {
  char* end = nullptr;
  double speed = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(speed >= 0) || speed > 1e6) {
    *error = "takes a factor from 0 to 1000000, not " + QuotedWord(text);
    return false;
  }
  line->speed = speed;
  return true;
}

// A seed, or "random": one drawn from the PC's clock and the process id.
bool ApplyShake(CommandLine* line, const std::string& text, std::string* error) {
  long long seed = 0;
  if (text == "random") {
    seed = (tv_time_real_ns() ^ (static_cast<long long>(getpid()) << 32)) & INT64_MAX;
    line->shake_seed = seed == 0 ? 1 : static_cast<uint64_t>(seed);
    return true;
  }
  if (!ToWhole(text, 1, INT64_MAX, &seed)) {
    *error = "takes a seed from 1 to " + std::to_string(INT64_MAX) + " or random, not " +
             QuotedWord(text);
    return false;
  }
  line->shake_seed = static_cast<uint64_t>(seed);
  return true;
}

const Option Options[] = {
    {"--home", "DIR", "the plug-in's home folder (default: the build's home/)", nullptr,
     [](CommandLine* l, const std::string& v, std::string*) { l->home = v; return true; }},
    {"--plugin", "FILE", "the plug-in to load (default: DIR/recolyx.so)", nullptr,
     [](CommandLine* l, const std::string& v, std::string*) { l->plugin_path = v; return true; }},
    {"--sandbox", "DIR", "the set's folders (default: beside the home folder)", nullptr,
     [](CommandLine* l, const std::string& v, std::string*) { l->sandbox = v; return true; }},
    {"--speed", "N", "TV time at most N times real time (0: as fast as it goes; default 0, 1 with --window)",
     nullptr, ApplySpeed},
    {"--shake", "SEED", "ready threads take turns in an order drawn from SEED (or random)", nullptr,
     ApplyShake},
    {"--parallel", "", "ready threads run at once (default: one at a time, replayable)", nullptr,
     [](CommandLine* l, const std::string&, std::string*) { l->parallel = true; return true; }},
    {"--start", "YYYY-MM-DDTHH:MM", "start the TV's clock there (UTC)", nullptr,
     [](CommandLine* l, const std::string& v, std::string*) { l->start_text = v; return true; }},
    {"--window", "", "a window; the PC keyboard is the remote at once (keys below), a USB stick plugged",
     nullptr, [](CommandLine* l, const std::string&, std::string*) { l->screen.window = true; return true; }},
    {"--no-stick", "", "the window starts without its stick (F5 plugs it)", nullptr,
     [](CommandLine* l, const std::string&, std::string*) { l->stick = false; return true; }},
    {"--frames", "DIR", "save every frame the plug-in flips as DIR/frame_NNNNN.png", nullptr,
     [](CommandLine* l, const std::string& v, std::string* e) {
       // Pictures go below the folder tvsim runs in or where named, never up.
       if (!StaysBelow(v, e)) return false;
       l->screen.frame_folder = v;
       return true;
     }},
    {"--contact-sheet", "FILE", "save every skin image and font sheet as one PNG", nullptr,
     [](CommandLine* l, const std::string& v, std::string* e) {
       if (!StaysBelow(v, e)) return false;
       l->contact_sheet_path = v;
       return true;
     }},
    {"--telnetd-running", "", "the set boots with its telnet daemon running", nullptr,
     [](CommandLine* l, const std::string&, std::string*) { l->telnetd_running = true; return true; }},
    {"--bitrate", "KIB_S", "the recorder's bitrate in KiB per second of TV time", nullptr,
     [](CommandLine* l, const std::string& v, std::string* e) { return ApplyRate(&l->bitrate_kib, v, e); }},
    {"--growth", "MIB_S", "recordings also grow MIB_S sparse MiB per second", nullptr,
     [](CommandLine* l, const std::string& v, std::string* e) { return ApplyRate(&l->growth_mib, v, e); }},
    {"--scenario", "FILE", "play the steps and checks of FILE (below)", nullptr,
     ApplyScenario},
    {"--setting", "NAME=VALUE", "a field of the settings record before init_config (below)",
     nullptr, ApplySettingOption},
    {"--help", "", "print this and end", nullptr,
     [](CommandLine* l, const std::string&, std::string*) { l->help = true; return true; }},
    {"--version", "", "print the version and end", nullptr,
     [](CommandLine* l, const std::string&, std::string*) { l->version = true; return true; }},
    // Steps, played in order after the scenario files' steps.
    {"--key", "K[:HOLD_MS[:ARG]]", nullptr, "key", nullptr},
    {"--wait", "MS", nullptr, "wait", nullptr},
    {"--setup", "", nullptr, "setup", nullptr},
    {"--language", "N", nullptr, "language", nullptr},
    {"--record", "FILE", nullptr, "record", nullptr},
    {"--screenshot", "FILE", nullptr, "screenshot", nullptr},
};

void PrintOption(FILE* out, const Option& option) {
  const std::string name = std::string(option.name) == "--help" ? "-h, --help" : option.name;
  PrintHelpLine(out, name + (option.value[0] ? " " : "") + option.value,
                option.help ? option.help : ScenarioStepHelp(option.step));
}

}  // namespace

bool ParseCommandLine(int argc, char** argv, CommandLine* line, std::string* error) {
  std::string steps;  // the option steps, as scenario lines
  for (int i = 1; i < argc; ++i) {
    const std::string name = std::string(argv[i]) == "-h" ? "--help" : argv[i];
    const Option* option = nullptr;
    for (const Option& candidate : Options)
      if (name == candidate.name) option = &candidate;
    if (!option) {
      *error = UnknownOptionText("tvsim", name);
      return false;
    }
    std::string value;
    if (option->value[0]) {
      if (i + 1 >= argc) {
        *error = name + " takes " + option->value;
        return false;
      }
      value = argv[++i];
    }
    if (option->step) {
      for (char& c : value) c = c == ':' ? ' ' : c;
      steps += std::string(option->step) + " " + value + "\n";
      continue;
    }
    std::string problem;
    if (!option->apply(line, value, &problem)) {
      *error = name + ": " + problem;
      return false;
    }
  }
  line->scenario_text += steps;
  return true;
}

void PrintUsage(FILE* out) {
  std::fprintf(out, "usage: tvsim [options] [steps]\n"
                    "The TV simulator: loads recolyx.so into a simulated TV, plays the steps and\n"
                    "prints what the TV does. tvsim --window is the TV to try by hand.\n"
                    "options:\n");
  for (const Option& option : Options)
    if (!option.step) PrintOption(out, option);
  std::fprintf(out, "steps, played in order after the scenario file's:\n");
  for (const Option& option : Options)
    if (option.step) PrintOption(out, option);
  std::fprintf(out, "the remote's buttons (key, press, lastkey and --key take a code or a name):\n");
  for (int i = 0; i < kRemoteKeyCount; ++i)
    std::fprintf(out, "  %4d %-11s %s\n", RemoteKeys[i].code, RemoteKeys[i].name, RemoteKeys[i].role);
  std::fprintf(out, "the window's keys (--window):\n");
  PrintWindowKeys(out);
  std::fprintf(out, "scenario steps:\n");
  PrintScenarioSteps(out);
  std::fprintf(out, "scenario checks (a failed one: \"tvsim: scenario line N: expected ...: got ...\",\n"
                    "the scenario plays on and tvsim ends with status 1):\n");
  PrintScenarioChecks(out);
  std::fprintf(out, "settings (--setting NAME=VALUE, the setting and saved steps): name, values,\n"
                    "default, meaning (the settings screen's label first):\n");
  PrintSettingFields(out);
}

}  // namespace sim
