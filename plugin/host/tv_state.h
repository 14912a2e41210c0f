// The TV services' words: the picture-off switch, video mute, the picture
// freeze and the host's recorder instance. Written on the key thread, by the
// key-hold watcher (picture off) and by the supervision tick (a notice
// switches the picture back on); every word is atomic.
#pragma once

#include <atomic>

extern std::atomic<int> picture_off;            // option 15 is held at 5
extern std::atomic<int> saved_option15;         // option 15 before the switch-off
extern std::atomic<int> option15_restore_count; // restore once more at the next key
extern std::atomic<int> video_is_muted;
extern std::atomic<int> picture_frozen;         // what the plug-in last asked of the freeze
extern std::atomic<void*> rec_instance;         // the host recorder instance, once asked for

// Picture off, restore count and mute 0. The freeze and the recorder
// instance mirror the host and are left as they are; saved_option15 is
// taken from the host by ResetPictureOffState (host/tv_services.h).
void ResetTvState();
