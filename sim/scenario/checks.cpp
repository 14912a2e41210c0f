#include "sim/scenario/checks.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>

#include "settings/extra_settings_file.h"
#include "sim/host/host_state.h"
#include "sim/host/picture_encoder.h"
#include "sim/host/keys/key_input.h"
#include "sim/loader.h"
#include "sim/scenario/file_checks.h"
#include "sim/scenario/output_log.h"
#include "sim/scenario/step_arguments.h"
#include "sim/scenario/stream_probe.h"
#include "sim/screen/screen.h"

namespace sim {
namespace {

constexpr int kDefaultTolerance = 8;

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

bool YesNo(const std::string& word) { return word == "yes"; }

struct Colour {
  int red, green, blue;
};

Colour ToColour(const std::string& hex) {
  const long value = std::strtol(hex.c_str(), nullptr, 16);
  return {static_cast<int>(value >> 16) & 0xff, static_cast<int>(value >> 8) & 0xff,
          static_cast<int>(value) & 0xff};
}

std::string Hex(Colour colour) {
  char text[8];
  std::snprintf(text, sizeof text, "%02x%02x%02x", colour.red & 0xff, colour.green & 0xff,
                colour.blue & 0xff);
  return text;
}

bool Near(Colour seen, Colour wanted, int tolerance) {
  return std::abs(seen.red - wanted.red) <= tolerance &&
         std::abs(seen.green - wanted.green) <= tolerance &&
         std::abs(seen.blue - wanted.blue) <= tolerance;
}

// The mean colour of a rectangle of the screen the viewer sees now.
Colour MeanColour(int x, int y, int width, int height) {
  std::vector<uint8_t> rgba(static_cast<size_t>(kScreenWidth) * kScreenHeight * 4);
  ComposeShownFrame(rgba.data());
  uint64_t sums[3] = {};
  for (int row = y; row < y + height; ++row)
    for (int column = x; column < x + width; ++column) {
      const uint8_t* pixel = &rgba[(static_cast<size_t>(row) * kScreenWidth + column) * 4];
      for (int channel = 0; channel < 3; ++channel) sums[channel] += pixel[channel];
    }
  const uint64_t count = static_cast<uint64_t>(width) * height;
  return {static_cast<int>(sums[0] / count), static_cast<int>(sums[1] / count),
          static_cast<int>(sums[2] / count)};
}

bool ColourCheck(const std::string& what, Colour seen, const ScenarioStep& step, size_t colour_index,
                 std::string* reason) {
  const Colour wanted = ToColour(step.words[colour_index]);
  const int tolerance = Int(step, colour_index + 1, kDefaultTolerance);
  if (Near(seen, wanted, tolerance)) return true;
  *reason = "expected " + what + " " + Hex(wanted) + " (within " + std::to_string(tolerance) +
            "): got " + Hex(seen);
  return false;
}

bool HostFlag(const ScenarioStep& step, const char* what, int value, std::string* reason) {
  if (YesNo(step.words[1]) == (value != 0)) return true;
  *reason = std::string("expected ") + what + " " + step.words[1] + ": got " +
            (value ? "yes" : "no");
  return false;
}

}  // namespace

bool ExpectStep(const ScenarioStep& step, LoadedPlugin&, std::string* reason) {
  WaitKeysIdle();
  if (ExpectNextLine(std::regex(step.rest))) return true;
  *reason = "expected a line matching " + Quoted(step.rest) +
            " after the previous expected line: got none (last printed: " +
            Quoted(LastOutputLine()) + ")";
  return false;
}

bool NeverStep(const ScenarioStep&, LoadedPlugin&, std::string*) { return true; }

void WatchNeverSteps(const std::vector<ScenarioStep>& steps) {
  for (const ScenarioStep& step : steps)
    if (!step.words.empty() && step.words[0] == "never")
      WatchNever(step.line, step.rest, std::regex(step.rest));
}

bool SameStep(const ScenarioStep& step, LoadedPlugin&, std::string* reason) {
  WaitKeysIdle();
  const std::vector<std::string> captured = CapturedInOutput(std::regex(step.rest));
  bool same = captured.size() >= 2;
  for (const std::string& text : captured) same = same && text == captured[0];
  if (same) return true;
  std::string got;
  for (size_t i = 0; i < captured.size() && i < 5; ++i) got += (i ? ", " : "") + Quoted(captured[i]);
  *reason = "expected two or more lines matching " + Quoted(step.rest) +
            " with the same first group: got " + std::to_string(captured.size()) +
            (got.empty() ? "" : " (" + got + ")");
  return false;
}

bool FileStep(const ScenarioStep& step, LoadedPlugin&, std::string* reason) {
  WaitKeysIdle();
  uint64_t low = 0, high = UINT64_MAX;
  bool stream = false;
  for (size_t i = 3; i < step.words.size(); ++i) {
    if (step.words[i] == "stream") stream = true;
    else ParseSizeRange(step.words[i], &low, &high);
  }
  std::string got;
  if (FindMatchingFile(FolderArgumentPath(step.words[1]), step.words[2], low, high, stream, &got))
    return true;
  *reason = "expected a file " + step.words[1] + "/" + step.words[2] +
            (step.words.size() > 3 ? " (" + Rest(step.words, 3) + ")" : "") + ": got " + got;
  return false;
}

bool NoFileStep(const ScenarioStep& step, LoadedPlugin&, std::string* reason) {
  WaitKeysIdle();
  std::string names = MatchingNames(FolderArgumentPath(step.words[1]), step.words[2]);
  if (names.empty()) return true;
  *reason = "expected no file " + step.words[1] + "/" + step.words[2] + ": got " + names;
  return false;
}

bool PlaysStep(const ScenarioStep& step, LoadedPlugin&, std::string* reason) {
  WaitKeysIdle();
  const std::string folder = FolderArgumentPath(step.words[1]);
  const std::regex pattern(step.words[2]);
  const double seconds = static_cast<double>(Number(step, 3, 0));
  std::vector<std::string> failed;
  int matched = 0;
  for (const std::string& name : SortedNames(folder)) {
    if (!std::regex_match(name, pattern)) continue;
    ++matched;
    const bool playlist = name.size() > 4 && name.compare(name.size() - 4, 4, ".m3u") == 0;
    ProbeFacts facts;
    std::string summary, problem;
    if (ProbeStream(folder + "/" + name, playlist, &facts, &problem) &&
        JudgePlay(facts, playlist, seconds, PictureEncoderBuilt(), &summary, &problem)) {
      HostLog("plays " + name + ": " + summary);
      continue;
    }
    HostLog("plays " + name + ": " + (summary.empty() ? problem : summary + "; " + problem));
    failed.push_back(name + ": " + problem);
  }
  if (matched > 0 && failed.empty()) return true;
  *reason = "expected " + step.words[1] + "/" + step.words[2] + " to play as " + step.words[3] +
            " s of TV time: got " + (matched == 0 ? "no such file" : failed.front());
  return false;
}

bool OptionStep(const ScenarioStep& step, LoadedPlugin&, std::string* reason) {
  WaitKeysIdle();
  const int option = Int(step, 1, 0);
  if (option < 0 || option > 255) {
    *reason = "expected TV option " + step.words[1] + ": got no such option (0-255)";
    return false;
  }
  const int value = HostOption(option);
  if (value == Int(step, 2, 0)) return true;
  *reason = "expected TV option " + step.words[1] + " = " + step.words[2] + ": got " +
            std::to_string(value);
  return false;
}

bool MutedStep(const ScenarioStep& step, LoadedPlugin&, std::string* reason) {
  WaitKeysIdle();
  int muted;
  {
    std::lock_guard lock(Host().mutex);
    muted = Host().main_window_muted;
  }
  return HostFlag(step, "main video muted", muted, reason);
}

bool FrozenStep(const ScenarioStep& step, LoadedPlugin&, std::string* reason) {
  WaitKeysIdle();
  int frozen;
  {
    std::lock_guard lock(Host().mutex);
    frozen = Host().frozen;
  }
  return HostFlag(step, "picture frozen", frozen, reason);
}

bool LastKeyStep(const ScenarioStep& step, LoadedPlugin&, std::string* reason) {
  WaitKeysIdle();
  const std::vector<KeyCall> calls = ProcessedKeys();
  const KeyCall* last = nullptr;
  for (const KeyCall& call : calls)
    if (call.press) last = &call;
  const int key = KeyArgument(step, 1);
  const bool with_arg = step.words.size() > 2;
  if (last && last->key == key && (!with_arg || last->arg == Int(step, 2, 0))) return true;
  *reason = "expected the host's last processed key " + Rest(step.words, 1) + ": got " +
            (last ? std::to_string(last->key) + " " + std::to_string(last->arg) : "none");
  return false;
}

bool SavedStep(const ScenarioStep& step, LoadedPlugin& plugin, std::string* reason) {
  WaitKeysIdle();
  SettingValue wanted;
  std::string problem;
  ToSettingValue(step.words[1], step.words[2], &wanted, &problem);
  if (wanted.field != nullptr && wanted.field->extra) {
    int32_t value = 0;
    if (!ReadExtraSetting(plugin.home_dir, *wanted.field, &value, &problem)) {
      *reason = "expected " + step.words[1] + " = " + step.words[2] + " in the saved " +
                kExtraSettingsFileName + ": got " + problem;
      return false;
    }
    if (value == wanted.value) return true;
    *reason = "expected " + step.words[1] + " = " + step.words[2] + " in the saved " +
              kExtraSettingsFileName + ": got " + std::to_string(value);
    return false;
  }
  const std::string path = plugin.home_dir + "/recolyx.cfg";
  unsigned char record[940];
  std::ifstream file(path, std::ios::binary);
  file.read(reinterpret_cast<char*>(record), sizeof record);
  const bool whole = file.gcount() == static_cast<std::streamsize>(sizeof record) &&
                     file.peek() == std::char_traits<char>::eof();
  if (!whole) {
    *reason = "expected " + step.words[1] + " = " + step.words[2] + " in the saved " + path +
              ": got " + (file.gcount() == 0 ? "no such file" : "a file that is not 940 bytes");
    return false;
  }
  const int32_t value = ReadSetting(record, *wanted.field);
  if (value == wanted.value) return true;
  *reason = "expected " + step.words[1] + " = " + step.words[2] + " in the saved recolyx.cfg: got " +
            std::to_string(value);
  return false;
}

bool PixelStep(const ScenarioStep& step, LoadedPlugin&, std::string* reason) {
  WaitKeysIdle();
  return ColourCheck("the pixel " + step.words[1] + "," + step.words[2],
                     MeanColour(Int(step, 1, 0), Int(step, 2, 0), 1, 1), step, 3, reason);
}

bool AreaStep(const ScenarioStep& step, LoadedPlugin&, std::string* reason) {
  WaitKeysIdle();
  const int x = Int(step, 1, 0), y = Int(step, 2, 0);
  const int width = Int(step, 3, 1), height = Int(step, 4, 1);
  if (x + width > kScreenWidth || y + height > kScreenHeight) {
    *reason = "expected an area within the screen: got " + Rest(step.words, 1);
    return false;
  }
  return ColourCheck("the mean colour of " + step.words[1] + "," +
                         step.words[2] + " " + step.words[3] + "x" + step.words[4],
                     MeanColour(x, y, width, height), step, 5, reason);
}

}  // namespace sim
