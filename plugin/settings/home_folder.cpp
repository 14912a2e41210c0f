#include "settings/home_folder.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "display/debug_log.h"
#include "display/fonts.h"
#include "display/skin.h"
#include "display/text.h"
#include "display/text_library.h"
#include "host/recording_state.h"
#include "settings/extra_settings_file.h"
#include "settings/language.h"
#include "settings/message_catalogue.h"
#include "settings/notices.h"
#include "settings/scripts.h"
#include "settings/settings_record.h"

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

// Set by a check that found a path out of reach, taken by the box.
std::atomic<int> notice_armed{0};

// The longest name the plug-in builds below home_dir: the settings screen's
// images and "osd/icon_leftright.png" have 22 bytes. A home folder that
// leaves room for it in a path reaches every file without the builders
// running; the check at every length in the tests holds it to them.
constexpr size_t kLongestHomeName = 22;

// Calls visit(build) for every path the plug-in builds from home_dir, where
// build(out, size) is the builder its user calls.
template <typename Visit>
void ForEachHomePath(Visit visit) {
  for (const char* image : kSkinImages)
    visit([image](char* out, size_t size) { return SkinImagePath(out, size, image); });
  for (int font_id : kFontImageIds)
    visit([font_id](char* out, size_t size) { return FontImagePath(out, size, font_id); });
  visit([](char* out, size_t size) { return HomeFontPath(out, size, kTrueTypeFace); });
  visit([](char* out, size_t size) { return TextLibraryPath(out, size); });
  // Every language's file name has the same length; the loader falls back
  // to the English one.
  const char* code = LanguageCode(settings.language.load(kRelaxed));
  visit([code](char* out, size_t size) { return CataloguePath(out, size, code); });
  visit([](char* out, size_t size) { return CataloguePath(out, size, "EN"); });
  visit([](char* out, size_t size) { return HomePath(out, size, kScriptFolder); });
  for (const char* script : kKeyScripts)
    visit([script](char* out, size_t size) { return ScriptPath(out, size, script); });
  visit([](char* out, size_t size) { return HomePath(out, size, kSettingsFileName); });
  visit([](char* out, size_t size) { return HomePath(out, size, kSettingsTemporaryName); });
  visit([](char* out, size_t size) { return HomePath(out, size, kExtraSettingsFileName); });
  visit([](char* out, size_t size) { return HomePath(out, size, kExtraSettingsTemporaryName); });
}

}  // namespace

int CheckHomeFolder() {
  const size_t home = strnlen(settings.home_dir, sizeof settings.home_dir);
  if (home + kLongestHomeName < kPathSize) {
    notice_armed.store(0, kRelaxed);
    return 0;
  }
  int unfit = 0;
  size_t longest = 0;            // the longest name below home_dir
  char first[kPathSize] = "?";   // the first file out of reach, below home_dir
  ForEachHomePath([&](auto build) {
    // Built once with room for the path as it would be: it fits the size
    // every user builds it in when it is shorter than that.
    char whole[2 * kPathSize];
    const bool built = build(whole, sizeof whole);
    const size_t length = built ? std::strlen(whole) : 0;
    const bool fits = built && length < kPathSize;
    const bool named = built && length >= home;
    if (named) longest = std::max(longest, length - home);
    // The name is said cut to the buffer: it only points at the file.
    if (!fits && unfit++ == 0 && named)
      std::snprintf(first, sizeof first, "%.*s", static_cast<int>(sizeof first - 1), whole + home);
  });
  notice_armed.store(unfit > 0, kRelaxed);
  if (unfit > 0) {
    const size_t reach = longest < kPathSize ? kPathSize - 1 - longest : 0;
    char line[260];
    std::snprintf(line, sizeof line,
                  "Home folder path too long: %zu bytes, at most %zu reach every file; %.64s%s out of reach",
                  home, reach, first, unfit > 1 ? " and more" : "");
    DebugLog(line);
  }
  return unfit;
}

void ShowHomeFolderNotice() {
  if (notice_armed.exchange(0, kRelaxed) == 0) return;
  ShowMessageBox(kHomeFolderText, 1);
}
