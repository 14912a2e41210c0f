// The catalogue of user texts in the TV's menu language, exported as `mess`:
// slot n holds text n.
#pragma once

#include "export.h"

inline constexpr int kMessageCount = 103;

extern "C" RECOLYX_EXPORT const char* mess[kMessageCount];
