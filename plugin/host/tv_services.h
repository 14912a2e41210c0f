// The plug-in's direct calls into the host application: TV options, the
// picture-off switch, video mute, picture freeze, key injection and the
// recorder's write chunk. Called from the key thread, the timer tick and the
// key-hold watcher; every state word is atomic.
#pragma once

#include <atomic>

extern std::atomic<int> picture_off;            // option 15 is held at 5
extern std::atomic<int> saved_option15;         // option 15 before the switch-off
extern std::atomic<int> option15_restore_count; // restore once more at the next key
extern std::atomic<int> video_is_muted;
extern std::atomic<int> picture_frozen;
extern std::atomic<void*> rec_instance;

// The picture-off event: five int32 words 0, 0, 1074, 1, 0.
extern const int PictureOffEvent[5];

void SetTvOption(int option, int value);
int GetTvOption(int option);
void ResetPictureOffState();
void TogglePictureOff();
void RestorePictureIfOff();
void PictureOffIfOn();
void ToggleVideoMute();
int ToggleFreeze();
int SendHostKey(int key);
int SetRecorderValue(int value);
