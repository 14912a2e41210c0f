// The simulator's window: PC keys become remote keys, or scenario steps on
// the stick the window starts with.
#include <SDL.h>

#include <cstdio>
#include <string>

#include "sim/host/keys/remote_keys.h"
#include "sim/screen/screen.h"
#include "sim/screen/screen_internal.h"

namespace sim {

namespace {

struct WindowKey {
  SDLKey pc_key;
  const char* label;  // as the title and the help name the PC key
  const char* steps;  // scenario lines, one a line
  const char* help;   // nullptr: the remote button's role
};

constexpr WindowKey kWindowKeys[] = {
    {SDLK_r, "r", "key RECORD", nullptr},
    {SDLK_s, "s", "key STOP", nullptr},
    {SDLK_d, "d", "key DELETE", nullptr},
    {SDLK_PLUS, "+", "key TIMER_UP", nullptr},
    {SDLK_KP_PLUS, "", "key TIMER_UP", nullptr},
    {SDLK_EQUALS, "", "key TIMER_UP", nullptr},  // + without shift on many layouts
    {SDLK_MINUS, "-", "key TIMER_DOWN", nullptr},
    {SDLK_KP_MINUS, "", "key TIMER_DOWN", nullptr},
    {SDLK_t, "t", "key TIMER", nullptr},
    {SDLK_F2, "F2", "key MENU\nkey RECORD", "the settings screen (MENU then RECORD)"},
    {SDLK_m, "m", "key MENU", nullptr},
    {SDLK_UP, "Up", "key UP", nullptr},
    {SDLK_DOWN, "Down", "key DOWN", nullptr},
    {SDLK_RIGHT, "Right", "key RIGHT", nullptr},
    {SDLK_LEFT, "Left", "key LEFT", nullptr},
    {SDLK_RETURN, "Enter", "key OK", nullptr},
    {SDLK_KP_ENTER, "", "key OK", nullptr},
    {SDLK_BACKSPACE, "Backspace", "key RETURN", nullptr},
    {SDLK_ESCAPE, "Esc", "key HIDE", nullptr},
    {SDLK_e, "e", "key EXIT", nullptr},
    {SDLK_f, "f", "key FREEZE", nullptr},
    {SDLK_p, "p", "key PICTURE 3500", "PICTURE held 3.5 s: the picture goes off"},
    {SDLK_i, "i", "key OVERLAY", nullptr},
    {SDLK_F1, "F1", "key SOURCE", nullptr},
    {SDLK_o, "o", "key FAV", nullptr},
    {SDLK_b, "b", "key POWER", nullptr},
    {SDLK_PAGEUP, "PgUp", "key CH_UP", nullptr},
    {SDLK_PAGEDOWN, "PgDn", "key CH_DOWN", nullptr},
    {SDLK_1, "1", "key DIGIT1", nullptr},
    {SDLK_2, "2", "key DIGIT2", nullptr},
    {SDLK_3, "3", "key DIGIT3", nullptr},
    {SDLK_4, "4", "key DIGIT4", nullptr},
    {SDLK_5, "5", "key DIGIT5", nullptr},
    {SDLK_6, "6", "key DIGIT6", nullptr},
    {SDLK_7, "7", "key DIGIT7", nullptr},
    {SDLK_8, "8", "key DIGIT8", nullptr},
    {SDLK_9, "9", "key DIGIT9", nullptr},
    {SDLK_0, "0", "key DIGIT0", nullptr},
    {SDLK_F5, "F5", kWindowStick, "plugs the stick in again"},
    {SDLK_F6, "F6", kWindowStickUnplug, "unplugs the stick"},
    {SDLK_F7, "F7", kWindowStickFill, "fills the stick: 40 MiB stay free"},
};

// The window is repainted this often while no flip comes.
constexpr int kRepaintEveryPumps = 5;

// "RECORD" of "key RECORD", "MENU RECORD" of two key lines; "" for steps
// that are no keys.
std::string KeyNames(const char* steps) {
  std::string names;
  for (const char* line = steps; *line != '\0';) {
    const char* end = line;
    while (*end != '\0' && *end != '\n') ++end;
    std::string text(line, end);
    if (text.rfind("key ", 0) != 0) return "";
    std::string name = text.substr(4, text.find(' ', 4) - 4);
    names += (names.empty() ? "" : " ") + name;
    line = *end == '\n' ? end + 1 : end;
  }
  return names;
}

}  // namespace

std::string WindowTitle() {
  std::string title = "tvsim:";
  for (const WindowKey& key : kWindowKeys) {
    if (key.label[0] == '\0') continue;
    std::string names = KeyNames(key.steps);
    if (names.find(' ') != std::string::npos) names = "settings";
    if (names.empty()) names = key.pc_key == SDLK_F5 ? "plug" : key.pc_key == SDLK_F6 ? "unplug" : "fill";
    title += std::string(" ") + key.label + "=" + names;
  }
  return title + " q=quit";
}

void PrintWindowKeys(FILE* out) {
  for (const WindowKey& key : kWindowKeys) {
    if (key.label[0] == '\0') continue;
    std::string names = KeyNames(key.steps);
    const RemoteKey* remote = names.find(' ') == std::string::npos ? FindRemoteKey(names) : nullptr;
    const char* help = key.help != nullptr ? key.help : remote != nullptr ? remote->role : "";
    std::fprintf(out, "  %-10s %-11s %s\n", key.label, names.empty() || key.help ? "" : names.c_str(), help);
  }
  std::fprintf(out, "  %-10s %-11s %s\n", "q", "", "closes the window and ends tvsim");
}

bool PumpWindowEvents(const std::function<void(const std::string& steps)>& run) {
  if (!WindowOpen()) return true;
  static int pumps = 0;
  if (++pumps % kRepaintEveryPumps == 0) PresentWindow();
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    if (event.type == SDL_QUIT) return false;
    if (event.type != SDL_KEYDOWN) continue;
    if (event.key.keysym.sym == SDLK_q) return false;
    for (const WindowKey& key : kWindowKeys) {
      if (key.pc_key == event.key.keysym.sym) run(key.steps);
    }
  }
  return true;
}

}  // namespace sim
