#include "settings/scripts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

// Removes whatever is at `path` (a file, or a link but never its target) and
// creates the file anew, exclusively and without following a link that
// appears there meanwhile. The descriptor (close-on-exec), or -1.
int CreateFresh(const char* path, int access, mode_t mode) {
  unlink(path);
  return open(path, access | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
}

// home_dir + "scripts/" + name, or false when it does not fit.
bool ScriptPath(char* out, size_t size, const char* name) {
  char relative[kPathSize];
  int n = std::snprintf(relative, sizeof relative, "%s/%s", kScriptFolder, name);
  if (n < 0 || static_cast<size_t>(n) >= sizeof relative) return false;
  return HomePath(out, size, relative);
}

// The wrapper's text: keep the folder, run the script from its own folder,
// go back, and touch the tag once the script has ended.
bool WrapperText(char* out, size_t size, const char* script_path) {
  char folder[kPathSize];
  char quoted_folder[kQuotedSize], quoted_script[kQuotedSize], quoted_tag[kQuotedSize];
  if (!HomePath(folder, sizeof folder, kScriptFolder) ||
      !ShellQuote(quoted_folder, sizeof quoted_folder, folder) ||
      !ShellQuote(quoted_script, sizeof quoted_script, script_path) ||
      !ShellQuote(quoted_tag, sizeof quoted_tag, kScriptTagPath))
    return false;
  int n = std::snprintf(out, size, "opwd=`pwd`\ncd %s\n%s\ncd \"$opwd\"\n\ntouch %s\n",
                        quoted_folder, quoted_script, quoted_tag);
  return n > 0 && static_cast<size_t>(n) < size;
}

// Writes the wrapper file; on any failure nothing is left at its name.
bool WriteWrapper(const char* text) {
  int fd = CreateFresh(kScriptWrapperPath, O_WRONLY, 0644);
  if (fd < 0) return false;
  FILE* file = fdopen(fd, "w");
  if (file == nullptr) {
    close(fd);
    unlink(kScriptWrapperPath);
    return false;
  }
  bool written = std::fputs(text, file) >= 0;
  if (std::fclose(file) != 0 || !written) {
    unlink(kScriptWrapperPath);
    return false;
  }
  return true;
}

// True once telnetd is known to run: probed, and started when not found.
bool TelnetKnownRunning() {
  if (telnet_running.load(kRelaxed)) return true;
  if (!TelnetRunning() && StartTelnet() != 0) return false;
  telnet_running.store(1, kRelaxed);
  return true;
}

// Waits until the wrapper has touched the tag, at most kScriptTagWaits times
// 100 ms; at least 100 ms.
void WaitForTag() {
  for (int wait = 0; wait < kScriptTagWaits; ++wait) {
    struct stat status;
    bool tagged = lstat(kScriptTagPath, &status) == 0;
    usleep(kTagWaitMicroseconds);
    if (tagged) return;
  }
}

bool IsNameCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.';
}

}  // namespace

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
  if (!WrapperText(text, sizeof text, script) || !WriteWrapper(text)) return -1;
  unlink(kScriptTagPath);  // a tag left by an earlier run would end the wait at once
  if (!TelnetKnownRunning()) {
    unlink(kScriptWrapperPath);
    return -1;
  }
  // The wrapper runs in the background: system() returns once the shell has
  // started it, so the host's SIGINT and SIGQUIT, which system() ignores while
  // it waits, are back at once, and the key thread waits only for the tag.
  char wrapper[kQuotedSize];
  char command[2 * kQuotedSize + 32];
  if (!ShellQuote(wrapper, sizeof wrapper, kScriptWrapperPath) ||
      std::snprintf(command, sizeof command, "chmod a+x %s;%s &", wrapper, wrapper) >=
          static_cast<int>(sizeof command) ||
      std::system(command) == -1) {
    unlink(kScriptWrapperPath);
    return -1;
  }
  WaitForTag();
  unlink(kScriptWrapperPath);
  unlink(kScriptTagPath);
  return 1;
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
  // and still holds: what is read back is that file, whatever the name meets.
  int fd = CreateFresh(kTelnetProbePath, O_RDWR, 0600);
  if (fd < 0) return 0;
  char probe[kQuotedSize];
  char command[kQuotedSize + 32];
  int found = 0;
  if (ShellQuote(probe, sizeof probe, kTelnetProbePath) &&
      std::snprintf(command, sizeof command, "ps|grep 'telnet[d]' >%s", probe) <
          static_cast<int>(sizeof command) &&
      std::system(command) != -1) {
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
