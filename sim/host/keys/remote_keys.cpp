#include "sim/host/keys/remote_keys.h"

#include <charconv>
#include <iterator>

namespace sim {

const RemoteKey RemoteKeys[] = {
    {1, "SOURCE", "remapped by the setting SOURCE key, or runs source.sh; then digits are shortcuts"},
    {2, "POWER", "stops a recording without stop timer; with one, standby after the recording on/off"},
    {4, "DIGIT1", "a digit: refused during a recording; after SOURCE a shortcut"},
    {5, "DIGIT2", "a digit"},
    {6, "DIGIT3", "a digit"},
    {8, "DIGIT4", "a digit"},
    {9, "DIGIT5", "a digit"},
    {10, "DIGIT6", "a digit"},
    {12, "DIGIT7", "a digit"},
    {13, "DIGIT8", "a digit"},
    {14, "DIGIT9", "a digit"},
    {15, "PICTURE", "held for 3 s: the picture goes off (the sound stays)"},
    {16, "CH_UP", "refused during a recording"},
    {17, "DIGIT0", "a digit"},
    {19, "CH_DOWN", "refused during a recording"},
    {26, "MENU", "then RECORD at rest: the settings screen; closes it without saving"},
    {27, "EXIT", "closes the settings screen without saving; ends the TV's overlay (OVERLAY)"},
    {44, "OVERLAY", "the TV's own overlay; hides the plug-in's pictures during a recording"},
    {45, "HIDE", "closes a dialog or the settings screen; hides the plug-in's pictures"},
    {68, "FAV", "remapped by the setting FAV key, or runs favch.sh"},
    {69, "TIMER_DOWN", "stop timer down (to: at the end of the programme)"},
    {70, "STOP", "stops the recording"},
    {71, "TIMER", "shows the stop timer during a recording; ends a freeze at rest"},
    {72, "TIMER_UP", "stop timer up: 10, 20, 30, 60 ... 180 minutes"},
    {73, "RECORD", "records the programme on screen; during a recording the information pane"},
    {74, "FREEZE", "freezes the picture (setting Freeze key)"},
    {88, "RETURN", "closes a dialog or the settings screen without saving"},
    {96, "UP", "settings screen: the item above"},
    {97, "DOWN", "settings screen: the item below"},
    {98, "RIGHT", "settings screen: next value; delete dialog: the right button"},
    {101, "LEFT", "settings screen: previous value; delete dialog: the left button"},
    {104, "OK", "settings screen: saves and closes; delete dialog: carries out the choice"},
    {108, "DELETE", "right after STOP: the dialog that deletes what was just recorded"},
    {258, "STANDBY", "the TV goes to standby (the plug-in sends it after a recording)"},
};
const int kRemoteKeyCount = static_cast<int>(std::size(RemoteKeys));

namespace {

bool SameName(std::string_view word, const char* name) {
  std::string_view text(name);
  if (word.size() != text.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    char c = word[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != text[i]) return false;
  }
  return true;
}

}  // namespace

const RemoteKey* FindRemoteKey(std::string_view name) {
  for (const RemoteKey& key : RemoteKeys)
    if (SameName(name, key.name)) return &key;
  return nullptr;
}

const char* RemoteKeyName(int code) {
  for (const RemoteKey& key : RemoteKeys)
    if (key.code == code) return key.name;
  return nullptr;
}

std::optional<int> ToKeyCode(std::string_view word) {
  int code = 0;
  auto [end, failure] = std::from_chars(word.data(), word.data() + word.size(), code);
  if (!word.empty() && failure == std::errc() && end == word.data() + word.size())
    return code >= 0 && code <= 65535 ? std::optional<int>(code) : std::nullopt;
  if (const RemoteKey* key = FindRemoteKey(word)) return key->code;
  return std::nullopt;
}

}  // namespace sim
