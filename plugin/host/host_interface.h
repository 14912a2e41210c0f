// The host application's classes, globals and platform calls, declared exactly
// as the TV's main application defines them, so that the mangled names the
// plug-in references are the ones the host process exports.
//
// The plug-in never defines any of these. On the set they resolve against the
// TV application; on a PC the simulator (sim/) defines them.
//
// Objects that the plug-in keeps by value (TCChannel, TCProgram, the 64-byte
// time record) carry generous, aligned opaque storage: the host's constructors
// and methods fill it, the plug-in only passes addresses.
#pragma once

#include <cstdint>

// Opaque storage large enough for any build of the host's objects.
inline constexpr unsigned kHostObjectStorage = 1024;

class PTEvent;

// The application id passed to CApp::SendEvent.
enum DTV_APPLICATION : int {};

// The structure of the host's key handler; the two key functions are patched
// by the loader so that they jump into the plug-in's trampolines.
class KeyCommon {
 public:
  int SendKeyPressInput(int key, int arg);
  int SendKeyReleaseInput(int key);
};

class TCChannel {
 public:
  TCChannel();
  alignas(16) unsigned char storage[kHostObjectStorage];
};

class TCProgram {
 public:
  TCProgram();
  // Fills units with the title as big-endian 16-bit units and, when there is
  // room, a zero unit. *length: on entry the capacity in units, on return the
  // units written without the zero unit.
  bool GetTitle(char* units, unsigned int* length) const;
  alignas(16) unsigned char storage[kHostObjectStorage];
};

namespace PCTime {
// The host's broadcast-time record: 64 bytes, of which the first five 32-bit
// fields are year, month (1..12), day, hour and minute.
struct PTTime {
  alignas(8) int32_t field[16];
};
static_assert(sizeof(PTTime) == 64, "the host time record is 64 bytes");
}  // namespace PCTime

class TCTv {
 public:
  bool SetOption(int option, int value);
  bool GetOption(int option, int* value);
  int PreferLanguage();
  bool GetPresentProgram(TCChannel* channel, unsigned int time, TCProgram* program);
  bool GetSystemInfoTime(unsigned long* time, int flag);
};

class TCWindow {
 public:
  bool MuteVideo(int mute);
  alignas(16) unsigned char storage[kHostObjectStorage];
};

class CApp {
 public:
  static bool SendEvent(PTEvent* event, DTV_APPLICATION app, bool wait);
  static bool SendEvent(long event, DTV_APPLICATION app, bool wait);
};

class SsKeyInputBase {
 public:
  bool SendKey(int key);
};

class CAppUtil {
 public:
  static bool GetCurrentCh(TCChannel* channel, int flag);
};

class CTimerUtil {
 public:
  static bool GetSITTime(PCTime::PTTime* time, int flag);
};

// The host's globals: g_AppTV holds the TV object's address; the two windows
// are objects used by address.
extern TCTv* g_AppTV;
extern TCWindow g_AppWindow;
extern TCWindow g_AppWindowPIP;

// The set's recorder and display processor.
extern "C" {
int spI_Stream_Record(const char* path);
int spI_Stream_Record_Stop();
int spIPvr_GetRecInstance(int which, void** instance);
int spIDp_Open(int which, void** handle);
int spIDp_SetFreeze(void* handle, int freeze);
int spIDp_Close(void* handle);
}
