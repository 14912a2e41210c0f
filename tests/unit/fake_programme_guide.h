// A stand-in for the host's programme-guide calls, for the programme
// information tests only, until the simulator's own guide is linked in.
// The definitions are weak: once the simulated host defines these calls, its
// definitions take their place, and FakeGuide must then drive the real guide.
#pragma once

#include <cstring>
#include <string>

#include "host/host_interface.h"

struct FakeGuide {
  bool has_channel = true;
  bool has_programme = true;
  std::u16string title;
  int broadcast[5] = {};  // year, month, day, hour, minute (0: unset)
};

inline FakeGuide& Guide() {
  static FakeGuide guide;
  return guide;
}

#define FAKE_HOST __attribute__((weak))

FAKE_HOST TCChannel::TCChannel() { std::memset(storage, 0, sizeof storage); }
FAKE_HOST TCProgram::TCProgram() { std::memset(storage, 0, sizeof storage); }

FAKE_HOST bool TCProgram::GetTitle(char* units, unsigned int* length) const {
  size_t count = Guide().title.size() < *length ? Guide().title.size() : *length;
  for (size_t i = 0; i < count; ++i) {
    units[2 * i] = static_cast<char>(Guide().title[i] >> 8);
    units[2 * i + 1] = static_cast<char>(Guide().title[i]);
  }
  if (count < *length) units[2 * count] = units[2 * count + 1] = 0;
  *length = static_cast<unsigned int>(count);
  return true;
}

FAKE_HOST bool TCTv::GetPresentProgram(TCChannel*, unsigned int, TCProgram*) {
  return Guide().has_programme;
}

FAKE_HOST bool TCTv::GetSystemInfoTime(unsigned long*, int) { return true; }

FAKE_HOST bool CAppUtil::GetCurrentCh(TCChannel*, int) { return Guide().has_channel; }

FAKE_HOST bool CTimerUtil::GetSITTime(PCTime::PTTime* time, int) {
  for (int i = 0; i < 5; ++i) time->field[i] = Guide().broadcast[i];
  return true;
}
