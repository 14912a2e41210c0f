#include "settings/entry_points.h"

#include <cstring>

#include "display/osd_surface.h"
#include "host/key_dispatcher.h"
#include "host/tv_services.h"
#include "settings/device_table.h"
#include "settings/settings_record.h"
#include "supervision/supervision_state.h"

int init_config(const void* record) {
  device_table.count.store(0, std::memory_order_relaxed);
  std::memcpy(static_cast<void*>(&settings), record, kSettingsRecordSize);
  BuildDeviceTable();
  key44_count.store(0, std::memory_order_relaxed);
  recording_active.store(0, std::memory_order_relaxed);
  ForgetDisplay();
  ResetPictureOffState();
  return SetRecorderValue(settings.recorder_value.load(std::memory_order_relaxed));
}

// Until the settings screen is built, setup only answers as the host expects.
int setup() { return 45; }
