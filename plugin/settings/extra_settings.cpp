#include "settings/extra_settings.h"

#include <fcntl.h>
#include <unistd.h>

constinit ExtraSettings extra_settings{ExtraSettingInfos[0].initial};

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

// The words in file order.
SettingWord* const Words[] = {&extra_settings.failover};
static_assert(sizeof Words / sizeof Words[0] == kExtraSettingCount);

// Up to `size` bytes of the file (-1 when it cannot be opened): a file
// longer than any of ours is not read further.
ssize_t ReadAtMost(const char* path, unsigned char* out, size_t size) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  size_t got = 0;
  while (got < size) {
    const ssize_t n = read(fd, out + got, size - got);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  close(fd);
  return static_cast<ssize_t>(got);
}

}  // namespace

SettingWord* ExtraSettingWord(int index) {
  return index >= 0 && index < kExtraSettingCount ? Words[index] : nullptr;
}

void DefaultExtraSettings() {
  for (int i = 0; i < kExtraSettingCount; ++i) Words[i]->store(ExtraSettingInfos[i].initial, kRelaxed);
}

int LoadExtraSettings() {
  int32_t values[kExtraSettingCount];
  // One byte more than the longest file of ours tells a longer one apart.
  unsigned char bytes[kExtraSettingsMaxBytes + 1];
  char path[256];
  ssize_t length = -1;
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
