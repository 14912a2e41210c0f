#include "settings/extra_settings_file.h"

#include <cstring>

namespace {

constexpr unsigned char kTag[4] = {'R', 'X', 'E', '1'};

void PutWord(unsigned char* out, int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(bits >> (8 * i));
}

int32_t GetWord(const unsigned char* in) {
  uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits |= static_cast<uint32_t>(in[i]) << (8 * i);
  return static_cast<int32_t>(bits);
}

}  // namespace

int FindExtraSetting(const char* name) {
  for (int i = 0; i < kExtraSettingCount; ++i)
    if (std::strcmp(ExtraSettingInfos[i].name, name) == 0) return i;
  return -1;
}

size_t EncodeExtraSettings(const int32_t* values, unsigned char* out, size_t size) {
  if (size < kExtraSettingsBytes) return 0;
  std::memcpy(out, kTag, sizeof kTag);
  PutWord(out + 4, kExtraSettingCount);
  for (int i = 0; i < kExtraSettingCount; ++i) PutWord(out + kExtraSettingsHeaderBytes + 4 * i, values[i]);
  return kExtraSettingsBytes;
}

bool DecodeExtraSettings(const unsigned char* data, size_t length, int32_t* values) {
  for (int i = 0; i < kExtraSettingCount; ++i) values[i] = ExtraSettingInfos[i].initial;
  if (length < kExtraSettingsHeaderBytes || std::memcmp(data, kTag, sizeof kTag) != 0) return false;
  const int32_t count = GetWord(data + 4);
  if (count < 0 || count > kExtraSettingsMaxWords ||
      length != kExtraSettingsHeaderBytes + 4 * static_cast<size_t>(count))
    return false;
  for (int i = 0; i < kExtraSettingCount && i < count; ++i) {
    const int32_t value = GetWord(data + kExtraSettingsHeaderBytes + 4 * i);
    const ExtraSettingInfo& info = ExtraSettingInfos[i];
    if (value >= info.low && value <= info.high) values[i] = value;
  }
  return true;
}
