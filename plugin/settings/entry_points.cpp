#include "settings/entry_points.h"

#include <cstring>

#include "display/osd_surface.h"
#include "host/tv_services.h"
#include "settings/settings_record.h"

int init_config(const void* record) {
  std::memcpy(static_cast<void*>(&settings), record, kSettingsRecordSize);
  ForgetDisplay();
  ResetPictureOffState();
  return SetRecorderValue(settings.recorder_value.load(std::memory_order_relaxed));
}

int setup() { return 45; }
