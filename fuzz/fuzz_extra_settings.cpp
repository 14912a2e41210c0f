// The second settings file's reader over any bytes: every value it gives
// lies in its setting's range, and a file it takes, written again, reads
// back to the same values.
#include <cstdint>
#include <cstdlib>

#include "settings/extra_settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int32_t values[kExtraSettingCount];
  const bool taken = DecodeExtraSettings(data, size, values);
  for (int i = 0; i < kExtraSettingCount; ++i) {
    const ExtraSettingInfo& info = ExtraSettingInfos[i];
    if (values[i] < info.low || values[i] > info.high) std::abort();
    if (!taken && values[i] != info.initial) std::abort();
  }
  if (taken) {
    unsigned char bytes[kExtraSettingsBytes];
    if (EncodeExtraSettings(values, bytes, sizeof bytes) != sizeof bytes) std::abort();
    int32_t again[kExtraSettingCount];
    if (!DecodeExtraSettings(bytes, sizeof bytes, again)) std::abort();
    for (int i = 0; i < kExtraSettingCount; ++i)
      if (again[i] != values[i]) std::abort();
  }
  return 0;
}
