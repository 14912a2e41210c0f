// The remote control's buttons by name: the key codes the simulated TV's
// remote sends for the buttons the plug-in gives a role, so that a scenario,
// tvsim's command line and the window can say RECORD instead of 73.
#pragma once

#include <optional>
#include <string_view>

namespace sim {

struct RemoteKey {
  int code;
  const char* name;  // upper case, one word
  const char* role;  // what the plug-in does with it, for the help
};

// Every named button, in the order of their codes.
extern const RemoteKey RemoteKeys[];
extern const int kRemoteKeyCount;

// The button called name (upper or lower case), or nullptr.
const RemoteKey* FindRemoteKey(std::string_view name);

// The name of code, or nullptr for a code without one.
const char* RemoteKeyName(int code);

// A key as a scenario or the command line gives it: a whole number from 0 to
// 65535 or a button's name. nullopt for anything else.
std::optional<int> ToKeyCode(std::string_view word);

}  // namespace sim
