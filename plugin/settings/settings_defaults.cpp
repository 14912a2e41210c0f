#include "settings/settings_record.h"

#include <cstring>

namespace {

constinit const SettingsRecord kDefaults = DefaultRecord();

}  // namespace

void DefaultSettings(SettingsRecord* record) {
  std::memcpy(static_cast<void*>(record), &kDefaults, sizeof(SettingsRecord));
}
