#include "sim/host/guide.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>

#include "host/host_interface.h"
#include "sim/host/sim_clock.h"

namespace sim {
namespace {

// What the host keeps inside the plug-in's TCChannel and TCProgram objects.
constexpr uint32_t kChannelMagic = 0x43484E4C;  // "CHNL"
constexpr uint32_t kProgramMagic = 0x50524F47;  // "PROG"

struct ChannelRecord {
  uint32_t magic;
  int32_t number;  // -1: no channel written yet
};

constexpr size_t kStoredTitleBytes = 960;

struct ProgramRecord {
  uint32_t magic;
  int32_t channel;  // -1: no programme written yet
  time_t start;
  time_t end;
  char title[kStoredTitleBytes];  // UTF-8, zero-terminated
};

static_assert(sizeof(ChannelRecord) <= kHostObjectStorage, "channel record fits the host object");
static_assert(sizeof(ProgramRecord) <= kHostObjectStorage, "programme record fits the host object");
static_assert(alignof(ProgramRecord) <= 16 && alignof(ChannelRecord) <= 16, "storage is 16-aligned");

ChannelRecord* Record(TCChannel* channel) {
  return std::launder(reinterpret_cast<ChannelRecord*>(channel->storage));
}

ProgramRecord* Record(TCProgram* program) {
  return std::launder(reinterpret_cast<ProgramRecord*>(program->storage));
}

const ProgramRecord* Record(const TCProgram* program) {
  return std::launder(reinterpret_cast<const ProgramRecord*>(program->storage));
}

// Copies a UTF-8 title into a fixed field, cut before a character that
// would not fit whole.
void StoreTitle(const std::string& title, char (&field)[kStoredTitleBytes]) {
  size_t n = std::min(title.size(), sizeof field - 1);
  if (n < title.size()) {
    while (n > 0 && (static_cast<unsigned char>(title[n]) & 0xC0) == 0x80) --n;
  }
  std::memcpy(field, title.data(), n);
  field[n] = '\0';
}

// Decodes one code point at text[*at], advancing *at; malformed input
// (stray or missing continuation bytes, overlong forms, surrogates, values
// above U+10FFFF) gives U+FFFD for its first byte.
uint32_t DecodeUtf8(const std::string& text, size_t* at) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(*at);
  int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2
            : (lead & 0xF8) == 0xF0 ? 3 : -1;
  if (extra == 0) {
    ++*at;
    return lead;
  }
  if (extra < 0 || *at + extra >= text.size()) {
    ++*at;
    return 0xFFFD;
  }
  uint32_t code = lead & (0x3F >> extra);
  for (int i = 1; i <= extra; ++i) {
    if ((byte(*at + i) & 0xC0) != 0x80) {
      ++*at;
      return 0xFFFD;
    }
    code = code << 6 | (byte(*at + i) & 0x3F);
  }
  static constexpr uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (code < kSmallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    ++*at;
    return 0xFFFD;
  }
  *at += extra + 1;
  return code;
}

void PutUnit(char* out, uint32_t unit) {
  out[0] = static_cast<char>(unit >> 8);
  out[1] = static_cast<char>(unit & 0xFF);
}

struct Guide {
  std::mutex mutex;
  std::vector<GuideChannel> channels;
  std::optional<int> current;
  std::optional<time_t> broadcast_offset;  // broadcast time minus Now()
};

Guide& TheGuide() {
  static Guide guide;
  return guide;
}

GuideChannel* FindChannel(Guide& guide, int number) {
  for (GuideChannel& channel : guide.channels)
    if (channel.number == number) return &channel;
  return nullptr;
}

}  // namespace

void ResetGuide() {
  Guide& guide = TheGuide();
  std::lock_guard lock(guide.mutex);
  guide.channels.clear();
  guide.current.reset();
  guide.broadcast_offset.reset();
}

void AddChannel(int number, const std::string& name) {
  Guide& guide = TheGuide();
  std::lock_guard lock(guide.mutex);
  if (GuideChannel* channel = FindChannel(guide, number)) {
    channel->name = name;
  } else {
    guide.channels.push_back({number, name, {}});
  }
}

bool AddProgramme(int number, time_t start, time_t end, const std::string& title_utf8) {
  if (end <= start) return false;
  Guide& guide = TheGuide();
  std::lock_guard lock(guide.mutex);
  GuideChannel* channel = FindChannel(guide, number);
  if (!channel) return false;
  channel->schedule.push_back({start, end, title_utf8});
  return true;
}

bool SetCurrentChannel(int number) {
  Guide& guide = TheGuide();
  std::lock_guard lock(guide.mutex);
  if (!FindChannel(guide, number)) return false;
  guide.current = number;
  return true;
}

void ClearCurrentChannel() {
  Guide& guide = TheGuide();
  std::lock_guard lock(guide.mutex);
  guide.current.reset();
}

std::optional<int> CurrentChannel() {
  Guide& guide = TheGuide();
  std::lock_guard lock(guide.mutex);
  return guide.current;
}

std::optional<GuideProgramme> PresentProgramme(int number) { return ProgrammeAt(number, Now()); }

std::optional<GuideProgramme> ProgrammeAt(int number, time_t now) {
  Guide& guide = TheGuide();
  std::lock_guard lock(guide.mutex);
  GuideChannel* channel = FindChannel(guide, number);
  if (!channel) return std::nullopt;
  for (const GuideProgramme& programme : channel->schedule)
    if (programme.start <= now && now < programme.end) return programme;
  return std::nullopt;
}

void SetBroadcastTime(time_t now) {
  Guide& guide = TheGuide();
  std::lock_guard lock(guide.mutex);
  guide.broadcast_offset = now - Now();
}

void UnsetBroadcastTime() {
  Guide& guide = TheGuide();
  std::lock_guard lock(guide.mutex);
  guide.broadcast_offset.reset();
}

std::optional<time_t> BroadcastTime() {
  Guide& guide = TheGuide();
  std::lock_guard lock(guide.mutex);
  if (!guide.broadcast_offset) return std::nullopt;
  return Now() + *guide.broadcast_offset;
}

void LoadDemoGuide() {
  static const char* const kTitles[3][4] = {
      {"Das Boot", "Ärger: Teil 2/3", "Tagesschau", "Der Große Preis"},
      {"Wiadomości", "Żółta łódź", "Sport", "Pogoda"},
      {"Щука", "Новости", "Všichni dobří rodáci", "天気予報"}};
  static const char* const kChannelNames[3] = {"Sim Eins", "Sim Dwa", "Sim Tri"};
  constexpr time_t kSlot = 30 * 60;
  ResetGuide();
  time_t now = Now();
  time_t first = now / kSlot * kSlot - 4 * kSlot;
  for (int c = 0; c < 3; ++c) {
    AddChannel(c + 1, kChannelNames[c]);
    for (int slot = 0; slot < 24; ++slot) {
      time_t start = first + slot * kSlot;
      AddProgramme(c + 1, start, start + kSlot, kTitles[c][slot % 4]);
    }
  }
  SetCurrentChannel(1);
  SetBroadcastTime(now);
}

bool Utf8ToUtf16Be(const std::string& utf8, char* units, unsigned int* length) {
  if (!length) return false;
  unsigned int capacity = *length;
  *length = 0;
  if (!units) return false;
  unsigned int used = 0;  // units
  bool complete = true;
  for (size_t at = 0; at < utf8.size();) {
    uint32_t code = DecodeUtf8(utf8, &at);
    unsigned int need = code > 0xFFFF ? 2 : 1;
    if (used + need > capacity) {
      complete = false;
      break;
    }
    if (code > 0xFFFF) {
      code -= 0x10000;
      PutUnit(units + 2 * used, 0xD800 | code >> 10);
      PutUnit(units + 2 * used + 2, 0xDC00 | (code & 0x3FF));
    } else {
      PutUnit(units + 2 * used, code);
    }
    used += need;
  }
  if (used < capacity) PutUnit(units + 2 * used, 0);
  *length = used;
  return complete;
}

}  // namespace sim

// ---------------------------------------------------------------------------
// The host calls.

TCChannel::TCChannel() { new (storage) sim::ChannelRecord{sim::kChannelMagic, -1}; }

TCProgram::TCProgram() {
  auto* record = new (storage) sim::ProgramRecord{};
  record->magic = sim::kProgramMagic;
  record->channel = -1;
}

bool CAppUtil::GetCurrentCh(TCChannel* channel, int) {
  if (!channel) return false;
  std::optional<int> current = sim::CurrentChannel();
  if (!current) return false;
  sim::Record(channel)->number = *current;
  return true;
}

bool TCTv::GetPresentProgram(TCChannel* channel, unsigned int, TCProgram* program) {
  if (!channel || !program) return false;
  int number = sim::Record(channel)->number;
  if (number < 0) return false;
  std::optional<sim::GuideProgramme> present = sim::PresentProgramme(number);
  if (!present) return false;
  sim::ProgramRecord* record = sim::Record(program);
  record->channel = number;
  record->start = present->start;
  record->end = present->end;
  sim::StoreTitle(present->title, record->title);
  return true;
}

bool TCProgram::GetTitle(char* units, unsigned int* length) const {
  const sim::ProgramRecord* record = sim::Record(this);
  return sim::Utf8ToUtf16Be(record->channel < 0 ? std::string() : std::string(record->title),
                            units, length);
}

bool TCTv::GetSystemInfoTime(unsigned long* time, int) {
  std::optional<time_t> now = sim::BroadcastTime();
  if (!now || !time) return false;
  *time = static_cast<unsigned long>(*now);
  return true;
}

bool CTimerUtil::GetSITTime(PCTime::PTTime* time, int) {
  if (!time) return false;
  std::optional<time_t> now = sim::BroadcastTime();
  struct tm utc {};
  time_t seconds = now ? *now : 0;
  gmtime_r(&seconds, &utc);
  time->field[0] = utc.tm_year + 1900;
  time->field[1] = utc.tm_mon + 1;
  time->field[2] = utc.tm_mday;
  time->field[3] = utc.tm_hour;
  time->field[4] = utc.tm_min;
  return now.has_value();
}
