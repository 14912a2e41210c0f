#include "settings/screen_switches.h"

#include <atomic>

#include "host/dispatcher_state.h"
#include "host/recording_state.h"
#include "settings/settings_record.h"

namespace {
constexpr auto kRelaxed = std::memory_order_relaxed;
}  // namespace

bool PicturesOff() { return OsdOpacity() == 0 || key44_count.load(kRelaxed) > 0; }

bool NoticesOff() { return settings.show_notices.load(kRelaxed) == 0 || PicturesOff(); }

int SettingsScreenOpacity() { return OsdOpacity() == 0 ? 100 : OsdOpacity(); }

DestinationIcon RecordingDestinationIcon() {
  if (recording.memory_dest.load(kRelaxed)) return DestinationIcon::kMemory;
  if (recording.network_dest.load(kRelaxed)) return DestinationIcon::kNetwork;
  return DestinationIcon::kUsb;
}

int ShowMessageImage(const char* name) {
  if (PicturesOff()) return 1;
  return DrawMessageImage(name);
}

int ShowInfoPaneBackground(int animate) { return DrawInfoPaneBackground(animate, RecordingDestinationIcon()); }
