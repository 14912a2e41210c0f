// The simulator's window: PC keys become remote keys.
#include <SDL.h>

#include <string>

#include "sim/screen/screen.h"
#include "sim/screen/screen_internal.h"

namespace sim {

namespace {

struct KeyMapping {
  SDLKey pc_key;
  int remote_key;
};

constexpr KeyMapping kKeyMap[] = {
    {SDLK_UP, 96},      {SDLK_DOWN, 97},    {SDLK_RIGHT, 98},   {SDLK_LEFT, 101},  {SDLK_RETURN, 104},
    {SDLK_ESCAPE, 45},  {SDLK_BACKSPACE, 88}, {SDLK_r, 73},     {SDLK_s, 70},      {SDLK_d, 108},
    {SDLK_m, 26},       {SDLK_e, 27},       {SDLK_t, 71},       {SDLK_PLUS, 72},   {SDLK_KP_PLUS, 72},
    {SDLK_MINUS, 69},   {SDLK_KP_MINUS, 69}, {SDLK_f, 74},      {SDLK_p, 15},      {SDLK_i, 44},
    {SDLK_o, 68},       {SDLK_b, 2},        {SDLK_PAGEUP, 16},  {SDLK_PAGEDOWN, 19},
    {SDLK_1, 4},        {SDLK_2, 5},        {SDLK_3, 6},        {SDLK_4, 8},       {SDLK_5, 9},
    {SDLK_6, 10},       {SDLK_7, 12},       {SDLK_8, 13},       {SDLK_9, 14},      {SDLK_0, 17},
    {SDLK_F1, 1},
};

// The window is repainted this often while no flip comes.
constexpr int kRepaintEveryPumps = 5;

}  // namespace

std::string WindowTitle() {
  std::string title = "tvsim (q quits):";
  for (const KeyMapping& mapping : kKeyMap)
    title += std::string(" ") + SDL_GetKeyName(mapping.pc_key) + "=" + std::to_string(mapping.remote_key);
  return title;
}

bool PumpWindowEvents(const std::function<void(int remote_key)>& press) {
  if (!WindowOpen()) return true;
  static int pumps = 0;
  if (++pumps % kRepaintEveryPumps == 0) PresentWindow();
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    if (event.type == SDL_QUIT) return false;
    if (event.type != SDL_KEYDOWN) continue;
    if (event.key.keysym.sym == SDLK_q) return false;
    for (const KeyMapping& mapping : kKeyMap) {
      if (mapping.pc_key == event.key.keysym.sym) press(mapping.remote_key);
    }
  }
  return true;
}

}  // namespace sim
