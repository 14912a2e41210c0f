#include "host/tv_services.h"

#include <cstdint>
#include <cstring>

#include "host/host_interface.h"
#include "settings/settings_record.h"

const int PictureOffEvent[5] = {0, 0, 1074, 1, 0};

namespace {
constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr int kPictureOffOption = 15;
constexpr int kPictureOffValue = 5;
constexpr DTV_APPLICATION kEventApplication = static_cast<DTV_APPLICATION>(2);
}  // namespace

void SetTvOption(int option, int value) { g_AppTV->SetOption(option, value); }

int GetTvOption(int option) {
  int value = 0;
  g_AppTV->GetOption(option, &value);
  return value;
}

void ResetPictureOffState() {
  ResetTvState();
  saved_option15.store(GetTvOption(kPictureOffOption), kRelaxed);
}

void TogglePictureOff() {
  if (picture_off.load(kRelaxed)) {
    picture_off.store(0, kRelaxed);
    option15_restore_count.store(1, kRelaxed);
    SetTvOption(kPictureOffOption, saved_option15.load(kRelaxed));
    return;
  }
  // Off again before the next key (a notice shown while the picture was
  // off): the restore still pending from the switch back on is cancelled, or
  // the next key would put the picture back on while picture_off says off.
  option15_restore_count.store(0, kRelaxed);
  saved_option15.store(GetTvOption(kPictureOffOption), kRelaxed);
  SetTvOption(kPictureOffOption, kPictureOffValue);
  // The host may keep the record it is given, so it lives in static storage.
  static int event[5] = {PictureOffEvent[0], PictureOffEvent[1], PictureOffEvent[2],
                         PictureOffEvent[3], PictureOffEvent[4]};
  if (settings.event_variant.load(kRelaxed) == 1)
    CApp::SendEvent(reinterpret_cast<PTEvent*>(event), kEventApplication, false);
  else
    CApp::SendEvent(reinterpret_cast<long>(event), kEventApplication, false);
  picture_off.store(1, kRelaxed);
}

void RestorePictureIfOff() {
  if (picture_off.load(kRelaxed)) TogglePictureOff();
}

void PictureOffIfOn() {
  if (!picture_off.load(kRelaxed)) TogglePictureOff();
}

void ToggleVideoMute() {
  int mute = settings_block.video_muted.load(kRelaxed);
  g_AppWindow.MuteVideo(mute);
  g_AppWindowPIP.MuteVideo(mute);
  video_is_muted.store(mute != 0, kRelaxed);
  settings_block.video_muted.store(mute == 0, kRelaxed);
}

int ToggleFreeze() {
  void* handle = nullptr;
  if (spIDp_Open(0, &handle) != 0 || handle == nullptr) return 74;
  int frozen = picture_frozen.load(kRelaxed) == 0 ? 1 : 0;
  picture_frozen.store(frozen, kRelaxed);
  spIDp_SetFreeze(handle, frozen);
  spIDp_Close(handle);
  return 255;
}

int SendHostKey(int key) {
  uintptr_t key_structure = settings.key_object.load(kRelaxed);
  if (key_structure == 0) return 0;
  // The injecting object is the pointer at byte 8 of the key structure; the
  // seventh 32-bit word of its virtual table identifies the host build.
  auto* object = *reinterpret_cast<SsKeyInputBase* const*>(key_structure + 8);
  if (object == nullptr) return 0;
  uintptr_t table = *reinterpret_cast<const uintptr_t*>(object);
  if (table == 0) return 0;
  int32_t check;
  std::memcpy(&check, reinterpret_cast<const void*>(table + 24), sizeof check);
  if (check != settings.key_object_check.load(kRelaxed)) return 0;
  object->SendKey(key);
  return 1;
}

int SetRecorderValue(int value) {
  // The recorder writes whole transport packets: anything but a multiple of
  // their 188 bytes would corrupt what it writes, and a chunk beyond the
  // bound would ask the set for more memory than it can spare.
  if (value < kTransportPacketBytes || value > kMaxRecorderValue || value % kTransportPacketBytes != 0)
    return 0;
  void* instance = nullptr;
  int result = spIPvr_GetRecInstance(0, &instance);
  rec_instance.store(instance, kRelaxed);
  if (instance != nullptr)
    std::memcpy(static_cast<char*>(instance) + 44, &value, sizeof value);
  return result;
}
