#include "settings/scripts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "display/debug_log.h"
#include "display/osd_surface.h"
#include "display/skin.h"
#include "host/dispatcher_state.h"
#include "settings/device_table.h"
#include "settings/screen_switches.h"
#include "settings/script_state.h"
#include "settings/settings_record.h"
#include "host/recording_state.h"
#include "supervision/supervision_state.h"

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
// A quoted path: two quotes, and each character may become four ('\'').
constexpr size_t kQuotedSize = 4 * kPathSize + 3;
constexpr useconds_t kTagWaitMicroseconds = 100000;

static_assert(sizeof(DeviceEntry{}.product) == sizeof(DeviceEntry{}.name));

// A copy of fd that a command started through system() inherits, for the
// length of one command: the shell reaches the plug-in's file through it as
// "/proc/self/fd/N", never through the file's name in the shared folder.
// The plug-in's own descriptors stay close-on-exec.
class HandedDown {
 public:
  explicit HandedDown(int fd) : fd_(fcntl(fd, F_DUPFD, 3)) {}
  ~HandedDown() {
    if (fd_ >= 0) close(fd_);
  }
  HandedDown(const HandedDown&) = delete;
  HandedDown& operator=(const HandedDown&) = delete;
  // "/proc/self/fd/N" in single quotes, or false.
  bool Path(char* out, size_t size) const {
    char path[32];
    return fd_ >= 0 && std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd_) < static_cast<int>(sizeof path) &&
           ShellQuote(out, size, path);
  }

 private:
  int fd_;
};

// The wrapper's text: keep the folder, run the script from its own folder,
// go back, and remove the tag once the script has ended. Removing a name
// never follows a link, whatever stands there by then.
bool WrapperText(char* out, size_t size, const char* script_path) {
  char folder[kPathSize];
  char quoted_folder[kQuotedSize], quoted_script[kQuotedSize], quoted_tag[kQuotedSize];
  if (!HomePath(folder, sizeof folder, kScriptFolder) ||
      !ShellQuote(quoted_folder, sizeof quoted_folder, folder) ||
      !ShellQuote(quoted_script, sizeof quoted_script, script_path) ||
      !ShellQuote(quoted_tag, sizeof quoted_tag, kScriptTagPath))
    return false;
  int n = std::snprintf(out, size, "opwd=`pwd`\ncd %s\n%s\ncd \"$opwd\"\n\nrm -f %s\n",
                        quoted_folder, quoted_script, quoted_tag);
  return n > 0 && static_cast<size_t>(n) < size;
}

// The wrapper file, made anew and written; the descriptor (close-on-exec),
// or -1 with nothing left at its name.
int WriteWrapper(const char* text) {
  int fd = CreateRamFile(kScriptWrapperPath, O_RDWR, 0600);
  if (fd < 0) return -1;
  if (!WriteAll(fd, text, std::strlen(text))) {
    close(fd);
    unlink(kScriptWrapperPath);
    return -1;
  }
  return fd;
}

// True once telnetd is known to run: probed, and started when not found.
bool TelnetKnownRunning() {
  if (telnet_running.load(kRelaxed)) return true;
  if (!TelnetRunning() && StartTelnet() != 0) return false;
  telnet_running.store(1, kRelaxed);
  return true;
}

// The tag is the plug-in's file: the script has ended once its name no
// longer leads to that file (the wrapper removed it).
bool TagRemoved(const struct stat& tag) {
  struct stat now;
  return lstat(kScriptTagPath, &now) != 0 || now.st_dev != tag.st_dev || now.st_ino != tag.st_ino;
}

// Waits until the wrapper has removed the tag, at most kScriptTagWaits times
// 100 ms; at least 100 ms.
void WaitForTag(const struct stat& tag) {
  for (int wait = 0; wait < kScriptTagWaits; ++wait) {
    bool removed = TagRemoved(tag);
    usleep(kTagWaitMicroseconds);
    if (removed) return;
  }
}

// Starts the wrapper in the background: the shell reads it through a copy
// of the plug-in's descriptor, so whatever someone puts at the wrapper's
// name meanwhile is neither run nor changed. False when the shell could not
// be run.
bool StartWrapper(int wrapper) {
  // system() returns once the shell has started the wrapper, so the host's
  // SIGINT and SIGQUIT, which system() ignores while it waits, are back at
  // once, and the key thread waits only for the tag.
  HandedDown handed(wrapper);
  char path[64];
  char command[96];
  return handed.Path(path, sizeof path) &&
         std::snprintf(command, sizeof command, "sh %s &", path) < static_cast<int>(sizeof command) &&
         std::system(command) != -1;
}

bool IsNameCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.';
}

}  // namespace

bool ScriptPath(char* out, size_t size, const char* name) {
  return HomePathJoin(out, size, {kScriptFolder, "/", name});
}

bool ShellQuote(char* out, size_t size, const char* text) {
  size_t used = 0;
  auto put = [&](const char* piece, size_t length) {
    if (used + length >= size) return false;
    std::memcpy(out + used, piece, length);
    used += length;
    return true;
  };
  bool fits = put("'", 1);
  for (const char* c = text; fits && *c != '\0'; ++c) fits = *c == '\'' ? put("'\\''", 4) : put(c, 1);
  fits = fits && put("'", 1);
  if (size > 0) out[fits ? used : 0] = '\0';
  return fits;
}

bool DeviceScriptName(char* out, size_t size, const DeviceEntry& entry) {
  const char* text = DeviceDisplayText(entry);
  size_t length = strnlen(text, sizeof entry.product);
  static constexpr char kSuffix[] = ".sh";
  if (size < length + sizeof kSuffix) {
    if (size > 0) out[0] = '\0';
    return false;
  }
  for (size_t i = 0; i < length; ++i) out[i] = IsNameCharacter(text[i]) ? text[i] : '_';
  std::memcpy(out + length, kSuffix, sizeof kSuffix);
  return true;
}

int RunScript(const char* name) {
  char script[kPathSize];
  if (name == nullptr || !ScriptPath(script, sizeof script, name) || access(script, F_OK) != 0) return 0;
  char text[3 * kQuotedSize + 64];
  if (!WrapperText(text, sizeof text, script)) return -1;
  int wrapper = WriteWrapper(text);
  if (wrapper < 0) return -1;
  // The plug-in makes the tag itself (whatever an earlier run left there
  // goes first) and holds it; the wrapper only removes it.
  struct stat tag_status;
  int tag = CreateRamFile(kScriptTagPath, O_RDONLY, 0600);
  bool started = tag >= 0 && fstat(tag, &tag_status) == 0 && TelnetKnownRunning() && StartWrapper(wrapper);
  if (started) WaitForTag(tag_status);
  if (tag >= 0) close(tag);
  close(wrapper);
  unlink(kScriptWrapperPath);
  unlink(kScriptTagPath);
  return started ? 1 : -1;
}

int RunDeviceScript(int index) {
  if (settings.device_script.load(kRelaxed) == 0 || index == 0 || split_in_progress.load(kRelaxed))
    return 1;
  if (index < 0 || index >= device_table.count.load(kRelaxed)) return 0;
  char name[kPathSize];
  char script[kPathSize];
  if (!DeviceScriptName(name, sizeof name, device_table.entries[index]) ||
      !ScriptPath(script, sizeof script, name) || access(script, F_OK) != 0)
    return 0;
  ShowScriptIcon();
  int result = RunScript(name);
  CloseOsd();
  return result;
}

void ShowScriptIcon() {
  if (PicturesOff()) return;
  OpenOsd();
  if (OsdSurface.load(kRelaxed) != nullptr && ShowMessageImage("icon_script")) return;
  CloseOsd();
}

int TelnetRunning() {
  // The shell writes the process list into a file the plug-in has just made
  // and still holds, through a copy of its descriptor: what is read back is
  // that file, whatever someone puts at its name meanwhile.
  int fd = CreateRamFile(kTelnetProbePath, O_RDONLY, 0600);
  if (fd < 0) return 0;
  int found = 0;
  bool ran = false;
  {
    HandedDown handed(fd);
    char probe[64];
    char command[96];
    ran = handed.Path(probe, sizeof probe) &&
          std::snprintf(command, sizeof command, "ps|grep 'telnet[d]' >%s", probe) <
              static_cast<int>(sizeof command) &&
          std::system(command) != -1;
  }
  if (ran) {
    FILE* log = fdopen(fd, "r");
    if (log != nullptr) {
      fd = -1;  // closed with the stream
      char line[100];
      found = std::fgets(line, sizeof line, log) != nullptr && std::strstr(line, "telnetd") != nullptr;
      std::fclose(log);
    }
  }
  if (fd >= 0) close(fd);
  unlink(kTelnetProbePath);
  return found;
}

int StartTelnet() {
  if (std::system("mount -t devpts devpts /dev/pts") == -1) return 1;
  return std::system("telnetd") == -1 ? 1 : 0;
}
