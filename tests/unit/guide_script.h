// What the simulated programme guide serves in a test, put in place just
// before the plug-in asks: channel 1 with one programme that is on at any
// time, its title, and the broadcast time (year 0: unset).
#pragma once

#include <ctime>
#include <limits>
#include <string>

#include "sim/host/guide.h"

struct GuideScript {
  bool has_channel = true;
  bool has_programme = true;
  std::u16string title;
  int broadcast[5] = {};  // year, month, day, hour, minute (year 0: unset)
};

inline GuideScript& Guide() {
  static GuideScript script;
  return script;
}

inline std::string GuideUtf8(const std::u16string& units) {
  std::string out;
  for (char16_t unit : units) {
    unsigned c = unit;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

inline void ApplyGuide() {
  const GuideScript& script = Guide();
  sim::ResetGuide();
  sim::AddChannel(1, "Test");
  if (script.has_programme)
    sim::AddProgramme(1, 0, std::numeric_limits<time_t>::max(), GuideUtf8(script.title));
  if (script.has_channel)
    sim::SetCurrentChannel(1);
  else
    sim::ClearCurrentChannel();
  if (script.broadcast[0] == 0) {
    sim::UnsetBroadcastTime();
  } else {
    struct tm fields {};
    fields.tm_year = script.broadcast[0] - 1900;
    fields.tm_mon = script.broadcast[1] - 1;
    fields.tm_mday = script.broadcast[2];
    fields.tm_hour = script.broadcast[3];
    fields.tm_min = script.broadcast[4];
    sim::SetBroadcastTime(timegm(&fields));
  }
}
