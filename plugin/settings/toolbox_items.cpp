#include "settings/toolbox_items.h"

#include <cstdio>
#include <cstring>

#include "display/text_fit.h"
#include "settings/device_table.h"
#include "settings/extra_settings.h"
#include "settings/message_catalogue.h"
#include "settings/settings_record.h"
#include "supervision/clock_styles.h"
#include "supervision/local_time.h"
#include "supervision/supervision_state.h"

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

enum class Kind {
  kDestination,  // a device table index, copied as a whole entry
  kYesNo,        // flag shown as text 14 / 15
  kOnOff,        // flag shown as text 16 / 17
  kChoice,       // 0..count-1, shown by its row's catalogue text or name
  kMinutes,      // 0..30 run-on minutes, "%d min", 0 as text 15
  kPercent,      // 0..100 by 10, "%d%%", 0 as text 15
};

// The catalogue texts of the key choices: the rows of KeyAction1Choices and
// KeyAction68Choices as the settings screen shows them.
constexpr int kKey1Texts[] = {79, 80, 81, 82, 83, 84};
constexpr int kKey68Texts[] = {85, 86, 87, 88, 89, 84};
constexpr int kPaneOnStartTexts[] = {77, 78};
constexpr int kKey74Texts[] = {90, 91, 92};
constexpr int kNameModeTexts[] = {93, 94, 95};
constexpr int kClockSourceTexts[] = {96, 97};

struct Item {
  SettingWord SettingsRecord::*field;  // null for the destinations and `extra`
  Kind kind;
  int count;          // choices of a kChoice item
  const int* texts;   // their catalogue texts, or null when named below
  const char* (*name)(int row);  // the row's name when it has no catalogue text
  SettingWord* extra = nullptr;  // a setting of the second settings file
};

const char* SplitText(int row) { return Message(SplitChoices[row].text); }
const char* ClockStyleName(int row) { return ClockStyles[row].name; }
const char* TimeZoneName(int row) { return TimeZones[row].name; }

const Item Items[kToolboxItems] = {
    {nullptr, Kind::kDestination, 0, nullptr, nullptr},
    {nullptr, Kind::kDestination, 0, nullptr, nullptr},
    {&SettingsRecord::allow_internal, Kind::kOnOff, 2, nullptr, nullptr},
    {&SettingsRecord::create_folder, Kind::kOnOff, 2, nullptr, nullptr},
    {&SettingsRecord::device_script, Kind::kYesNo, 2, nullptr, nullptr},
    {&SettingsRecord::split_mode, Kind::kChoice, kSplitChoiceCount, nullptr, SplitText},
    {&SettingsRecord::stop_extra_minutes, Kind::kMinutes, 31, nullptr, nullptr},
    {&SettingsRecord::standby_after, Kind::kYesNo, 2, nullptr, nullptr},
    {&SettingsRecord::pane_on_start, Kind::kChoice, 2, kPaneOnStartTexts, nullptr},
    {&SettingsRecord::clock_style, Kind::kChoice, kClockStyleCount, nullptr, ClockStyleName},
    {&SettingsRecord::stop_summary, Kind::kYesNo, 2, nullptr, nullptr},
    {&SettingsRecord::osd_opacity, Kind::kPercent, 11, nullptr, nullptr},
    {&SettingsRecord::pane_animation, Kind::kYesNo, 2, nullptr, nullptr},
    {&SettingsRecord::show_notices, Kind::kYesNo, 2, nullptr, nullptr},
    {&SettingsRecord::screen_off_notice, Kind::kYesNo, 2, nullptr, nullptr},
    {&SettingsRecord::key1_action, Kind::kChoice, 6, kKey1Texts, nullptr},
    {&SettingsRecord::key68_action, Kind::kChoice, 6, kKey68Texts, nullptr},
    {&SettingsRecord::key74_action, Kind::kChoice, 3, kKey74Texts, nullptr},
    {&SettingsRecord::hold_key15, Kind::kYesNo, 2, nullptr, nullptr},
    {&SettingsRecord::delete_empty, Kind::kYesNo, 2, nullptr, nullptr},
    {&SettingsRecord::delete_mdb, Kind::kYesNo, 2, nullptr, nullptr},
    {&SettingsRecord::write_test, Kind::kYesNo, 2, nullptr, nullptr},
    {&SettingsRecord::key44_passthrough, Kind::kOnOff, 2, nullptr, nullptr},
    {&SettingsRecord::name_mode, Kind::kChoice, 3, kNameModeTexts, nullptr},
    {&SettingsRecord::clock_source, Kind::kChoice, 2, kClockSourceTexts, nullptr},
    {&SettingsRecord::time_zone, Kind::kChoice, kTimeZoneCount, nullptr, TimeZoneName},
    {&SettingsRecord::record_key_notice, Kind::kYesNo, 2, nullptr, nullptr},
    {nullptr, Kind::kYesNo, 2, nullptr, nullptr, &extra_settings.failover},
};

SettingWord& WordOf(const Item& item) { return item.field != nullptr ? settings.*item.field : *item.extra; }

// The number of entries of the device table, at least the "Auto" entry.
int TableCount() {
  int count = device_table.count.load(kRelaxed);
  return count < 1 ? 1 : count > kDeviceSlots ? kDeviceSlots : count;
}

DeviceEntry& Destination(int which) { return which == 0 ? settings.dest1 : settings.dest2; }

// The table entry a destination names; "Auto" for an index outside the table.
const DeviceEntry& NamedEntry(const DeviceEntry& destination) {
  int index = destination.index;
  return device_table.entries[index >= 0 && index < TableCount() ? index : 0];
}

// A choice of `count` values stepped one way, wrapping; a value out of range
// comes back into range: forward to 0, back to the last choice.
int StepChoice(int value, int count, int direction) {
  if (direction > 0) return value >= 0 && value < count - 1 ? value + 1 : 0;
  return value > 0 && value < count ? value - 1 : count - 1;
}

// osd_opacity on its grid of 10: a value between grid points steps to the
// neighbouring point in the direction of the step.
int StepPercent(int value, int direction) {
  if (direction > 0) return value >= 0 && value < 100 ? (value / 10 + 1) * 10 : 0;
  return value > 0 && value <= 100 ? ((value + 9) / 10 - 1) * 10 : 100;
}

void StepDestination(int which, int direction) {
  DeviceEntry& destination = Destination(which);
  const int count = TableCount();
  int index = destination.index;
  if (index < 0 || index >= count) index = 0;  // a device no longer listed steps from "Auto"
  destination.index = StepChoice(index, count, direction);
  CopyDestination(which + 1);
}

void ChoiceText(const Item& item, int value, char* out, size_t size) {
  int row = value >= 0 && value < item.count ? value : 0;
  const char* text = item.texts != nullptr ? Message(item.texts[row]) : item.name(row);
  std::snprintf(out, size, "%s", text);
}

}  // namespace

int ToolboxItemLabel(int item) {
  if (item >= 0 && item < kRecordToolboxItems) return kToolboxFirstLabel + item;
  return item == kRecordToolboxItems ? kFailoverLabelText : 0;
}

int ToolboxItemDisabled(int label) {
  const int opacity_off = OsdOpacity() == 0;
  if (label < kToolboxFirstLabel || label >= kToolboxFirstLabel + kRecordToolboxItems) return 0;
  switch (label - kToolboxFirstLabel) {
    case 1:
    case 4:
      return settings.dest1.index == 0;
    case 2:
      return !NamedEntry(settings.dest1).fixed && !NamedEntry(settings.dest2).fixed;
    case 3:
      return settings.allow_internal.load(kRelaxed) == 0 || ToolboxItemDisabled(kToolboxFirstLabel + 2);
    case 8:
    case 9:
    case 12:
    case 13:
      return opacity_off;
    case 14:
      return settings.show_notices.load(kRelaxed) == 0 || opacity_off;
    default:
      return 0;
  }
}

void StepToolboxItem(int item, int direction) {
  if (item < 0 || item >= kToolboxItems) return;
  const Item& row = Items[item];
  if (row.kind == Kind::kDestination) {
    StepDestination(item, direction);
    return;
  }
  SettingWord& word = WordOf(row);
  const int value = word.load(kRelaxed);
  switch (row.kind) {
    case Kind::kYesNo:
    case Kind::kOnOff:
      word.store(value != 0 ? 0 : 1, kRelaxed);
      break;
    case Kind::kPercent:
      word.store(StepPercent(value, direction), kRelaxed);
      break;
    default:
      word.store(StepChoice(value, row.count, direction), kRelaxed);
      break;
  }
}

int ToolboxValueText(int item, char* out, size_t size) {
  if (size == 0) return 8;
  out[0] = '\0';
  if (item < 0 || item >= kToolboxItems) return 8;
  const int colour = ToolboxItemDisabled(ToolboxItemLabel(item)) ? 2 : 8;
  const Item& row = Items[item];
  if (row.kind == Kind::kDestination) {
    const DeviceEntry& destination = Destination(item);
    CopyDeviceDisplayText(NamedEntry(destination), out, size);
    CutToWidthWithDots(out, size, 20, 135);
    return destination.ntfs ? 3 : colour;
  }
  const int value = WordOf(row).load(kRelaxed);
  switch (row.kind) {
    case Kind::kYesNo:
      std::snprintf(out, size, "%s", Message(value != 0 ? 14 : 15));
      break;
    case Kind::kOnOff:
      std::snprintf(out, size, "%s", Message(value != 0 ? 16 : 17));
      break;
    case Kind::kMinutes: {
      int minutes = StopExtraMinutes();
      if (minutes == 0) std::snprintf(out, size, "%s", Message(15));
      else std::snprintf(out, size, "%d min", minutes);
      break;
    }
    case Kind::kPercent: {
      int percent = OsdOpacity();
      if (percent == 0) std::snprintf(out, size, "%s", Message(15));
      else std::snprintf(out, size, "%d%%", percent);
      break;
    }
    default:
      ChoiceText(row, value, out, size);
      break;
  }
  return colour;
}
