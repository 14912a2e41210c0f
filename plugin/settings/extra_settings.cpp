#include "settings/extra_settings.h"

#include <cstdio>

constinit ExtraSettings extra_settings{ExtraSettingInfos[0].initial};

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

// The words in file order.
SettingWord* const Words[] = {&extra_settings.failover};
static_assert(sizeof Words / sizeof Words[0] == kExtraSettingCount);

// Up to `size` bytes of the file (-1 when it cannot be opened): a file
// longer than any of ours is not read further.
long ReadAtMost(const char* path, unsigned char* out, size_t size) {
  FILE* file = std::fopen(path, "rbe");
  if (file == nullptr) return -1;
  const size_t got = std::fread(out, 1, size, file);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  return failed ? -1 : static_cast<long>(got);
}

}  // namespace

void DefaultExtraSettings() {
  for (int i = 0; i < kExtraSettingCount; ++i) Words[i]->store(ExtraSettingInfos[i].initial, kRelaxed);
}

int LoadExtraSettings() {
  int32_t values[kExtraSettingCount];
  // One byte more than the longest file of ours tells a longer one apart.
  unsigned char bytes[kExtraSettingsMaxBytes + 1];
  char path[256];
  long length = -1;
  if (HomePath(path, sizeof path, kExtraSettingsFileName)) length = ReadAtMost(path, bytes, sizeof bytes);
  if (length < 0 || !DecodeExtraSettings(bytes, static_cast<size_t>(length), values)) {
    DefaultExtraSettings();
    return 0;
  }
  for (int i = 0; i < kExtraSettingCount; ++i) Words[i]->store(values[i], kRelaxed);
  return 1;
}

int SaveExtraSettings() {
  int32_t values[kExtraSettingCount];
  for (int i = 0; i < kExtraSettingCount; ++i) values[i] = Words[i]->load(kRelaxed);
  unsigned char bytes[kExtraSettingsBytes];
  EncodeExtraSettings(values, bytes, sizeof bytes);
  return SaveHomeFile(kExtraSettingsFileName, kExtraSettingsTemporaryName, bytes, sizeof bytes);
}
