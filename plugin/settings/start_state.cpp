#include "settings/start_state.h"

// Constant-initialised to 1: it lies in the library's initialised data,
// which the loader writes anyway, not among the zero-filled words.
constinit std::atomic<int> state_as_loaded{1};
