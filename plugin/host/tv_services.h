// The plug-in's direct calls into the host application: TV options, the
// picture-off switch, video mute, picture freeze, key injection and the
// recorder's write chunk. Called from the key thread, the timer tick and the
// key-hold watcher; every state word is atomic.
#pragma once

#include "host/tv_state.h"

// The picture-off event: five int32 words 0, 0, 1074, 1, 0.
extern const int PictureOffEvent[5];

// TV option `option` of the host's TV object set to / read as `value`.
void SetTvOption(int option, int value);
int GetTvOption(int option);
// Clears the picture-off state (ResetTvState) and remembers the host's
// current value of option 15 as the one to restore.
void ResetPictureOffState();
// Switches the picture off (option 15 at 5 and the host's picture-off event;
// a restore still pending for the next key is cancelled) or back on (option
// 15 restored now and once more at the next key).
void TogglePictureOff();
void RestorePictureIfOff();
void PictureOffIfOn();
// Mutes or unmutes the video of both windows by settings_block.video_muted.
void ToggleVideoMute();
// Flips the picture freeze through the display processor: 255 done, 74 when
// the processor cannot be opened (the freeze state is then unchanged).
int ToggleFreeze();
// Injects `key` through the host's key object: 1 sent, 0 when the loader
// gave no key object or its identifying word does not match.
int SendHostKey(int key);
// The recorder's write chunk: the recorder gathers this many bytes of the
// stream in memory before each write to the disk. Whole transport packets
// of 188 bytes, from one packet up to kMaxRecorderPackets of them (32768
// packets, 6160384 bytes, under 6 MiB: about three and a half times the
// default of 9216 packets). A larger chunk would hold seconds of a
// high-bitrate stream in the set's small memory and ask it for a buffer it
// may not have.
inline constexpr int kTransportPacketBytes = 188;
inline constexpr int kMaxRecorderPackets = 32768;
inline constexpr int kMaxRecorderValue = kMaxRecorderPackets * kTransportPacketBytes;
// Writes `value` into the host recorder instance's write chunk (byte 44).
// Only a multiple of 188 from 188 to kMaxRecorderValue is written; anything
// else leaves the recorder untouched with the chunk the host chose itself,
// and gives 0. Otherwise the host call's result.
int SetRecorderValue(int value);
