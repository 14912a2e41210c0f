// The settings screen: cursor moves with their skip and wrap rules, value
// steps (also from values out of range), the destination texts cut to their
// room, and what the screen draws.
#include <unistd.h>

#include <cstring>
#include <string>

#include "display/screen_opacity.h"
#include "display/skin.h"
#include "display/text.h"
#include "display/text_fit.h"
#include "catalogue_screen_test.h"
#include "settings/extra_settings.h"
#include "settings/toolbox.h"
#include "settings/toolbox_items.h"
#include "settings/toolbox_state.h"

namespace display_test {
namespace {

class ToolboxTest : public CatalogueScreenTest {
 protected:
  void SetUp() override {
    CatalogueScreenTest::SetUp();
    toolbox_open = 1;
  }
  void TearDown() override {
    toolbox_open = 0;
    CatalogueScreenTest::TearDown();
  }

  // A USB entry in the table after the two fixed ones.
  void AddUsbEntry(const char* product, bool ntfs = false) {
    int index = device_table.count.load();
    DeviceEntry& entry = device_table.entries[index];
    entry = DeviceEntry{};
    entry.index = index;
    std::snprintf(entry.name, sizeof entry.name, "USB%d", index - 1);
    std::snprintf(entry.product, sizeof entry.product, "%s", product);
    std::snprintf(entry.mount, sizeof entry.mount, "/dtv/usb/sd%c1", 'a' + index - 2);
    entry.ntfs = ntfs;
    device_table.count = index + 1;
  }

  void PointAt(int item, int row, int scroll) {
    toolbox_item = item;
    toolbox_row = row;
    toolbox_scroll = scroll;
  }

  std::string Value(int item, int* colour = nullptr) {
    char text[64];
    int c = ToolboxValueText(item, text, sizeof text);
    if (colour != nullptr) *colour = c;
    return text;
  }

  // Every item enabled: dest1 on the internal memory, internal memory allowed.
  void EnableAll() {
    settings.dest1.index = 1;
    CopyDestination(1);
    settings.allow_internal = 1;
  }
};

// ---- Cursor moves

TEST_F(ToolboxTest, UpOnTheFirstItemWrapsToTheLastRowAndDownWrapsBack) {
  // The last item is 27, the failover of the second settings file.
  EXPECT_EQ(ToolboxUp(), 255);
  EXPECT_EQ(toolbox_item.load(), 27);
  EXPECT_EQ(toolbox_row.load(), 8);
  EXPECT_EQ(toolbox_scroll.load(), 19);
  EXPECT_EQ(ToolboxDown(), 255);
  EXPECT_EQ(toolbox_item.load(), 0);
  EXPECT_EQ(toolbox_row.load(), 0);
  EXPECT_EQ(toolbox_scroll.load(), 0);
}

TEST_F(ToolboxTest, DownScrollsOnceTheCursorIsOnTheLastRow) {
  EnableAll();
  for (int i = 0; i < 8; ++i) ToolboxDown();
  EXPECT_EQ(toolbox_item.load(), 8);
  EXPECT_EQ(toolbox_row.load(), 8);
  EXPECT_EQ(toolbox_scroll.load(), 0);
  ToolboxDown();
  EXPECT_EQ(toolbox_item.load(), 9);
  EXPECT_EQ(toolbox_row.load(), 8);
  EXPECT_EQ(toolbox_scroll.load(), 1);
  // Up walks the cursor to row 0 first, then scrolls back.
  for (int i = 0; i < 8; ++i) ToolboxUp();
  EXPECT_EQ(toolbox_item.load(), 1);
  EXPECT_EQ(toolbox_row.load(), 0);
  EXPECT_EQ(toolbox_scroll.load(), 1);
  ToolboxUp();
  EXPECT_EQ(toolbox_item.load(), 0);
  EXPECT_EQ(toolbox_scroll.load(), 0);
  EXPECT_EQ(toolbox_saved_item.load(), 0);
}

TEST_F(ToolboxTest, WithoutOpacityThePaneAndNoticeItemsAreSkipped) {
  EnableAll();
  settings.osd_opacity = 0;
  PointAt(7, 7, 0);
  ToolboxDown();
  EXPECT_EQ(toolbox_item.load(), 10);
  EXPECT_EQ(toolbox_row.load(), 8);
  EXPECT_EQ(toolbox_scroll.load(), 2);
  ToolboxDown();  // 11
  ToolboxDown();
  EXPECT_EQ(toolbox_item.load(), 15);
  ToolboxUp();
  EXPECT_EQ(toolbox_item.load(), 11);
  ToolboxUp();
  EXPECT_EQ(toolbox_item.load(), 10);
  ToolboxUp();
  EXPECT_EQ(toolbox_item.load(), 7);
}

TEST_F(ToolboxTest, AutoAsFirstDestinationGreysAndSkipsItemsOneAndFour) {
  settings.allow_internal = 1;
  EXPECT_EQ(ToolboxItemDisabled(51), 1);
  EXPECT_EQ(ToolboxItemDisabled(54), 1);
  ToolboxDown();
  EXPECT_EQ(toolbox_item.load(), 2);
  ToolboxDown();
  EXPECT_EQ(toolbox_item.load(), 3);
  ToolboxDown();
  EXPECT_EQ(toolbox_item.load(), 5);
  EXPECT_EQ(toolbox_row.load(), 5);
}

TEST_F(ToolboxTest, EnablingRules) {
  AddUsbEntry("Stick");
  AddUsbEntry("Disk");
  // Both destinations on USB devices: internal memory and its folder greyed.
  settings.dest1.index = 2;
  settings.dest2.index = 3;
  settings.allow_internal = 1;
  EXPECT_EQ(ToolboxItemDisabled(52), 1);
  EXPECT_EQ(ToolboxItemDisabled(53), 1);
  EXPECT_EQ(ToolboxItemDisabled(51), 0);
  settings.dest2.index = 0;  // "Auto" is a fixed entry
  EXPECT_EQ(ToolboxItemDisabled(52), 0);
  EXPECT_EQ(ToolboxItemDisabled(53), 0);
  settings.allow_internal = 0;
  EXPECT_EQ(ToolboxItemDisabled(53), 1);
  // An index beyond the table names "Auto".
  settings.dest2.index = 77;
  EXPECT_EQ(ToolboxItemDisabled(52), 0);
  settings.show_notices = 0;
  EXPECT_EQ(ToolboxItemDisabled(64), 1);
  settings.show_notices = 1;
  EXPECT_EQ(ToolboxItemDisabled(64), 0);
  settings.osd_opacity = 0;
  for (int label : {58, 59, 62, 63, 64}) EXPECT_EQ(ToolboxItemDisabled(label), 1) << label;
  for (int label : {49, 60, 61, 65, 76, 77, -5}) EXPECT_EQ(ToolboxItemDisabled(label), 0) << label;
}

// ---- Value steps

TEST_F(ToolboxTest, FirstDestinationAlternatesBetweenTheTwoFixedEntries) {
  OpenCleared();  // texts measured in the TrueType font
  PointAt(0, 0, 0);
  EXPECT_EQ(Value(0), "Auto");
  ToolboxNext();
  EXPECT_EQ(settings.dest1.index, 1);
  EXPECT_STREQ(settings.dest1.name, "MOVIE001");
  EXPECT_EQ(Value(0), "MOVIE001");
  ToolboxNext();
  EXPECT_EQ(Value(0), "Auto");
  ToolboxPrevious();
  EXPECT_EQ(Value(0), "MOVIE001");
  ToolboxPrevious();
  EXPECT_EQ(Value(0), "Auto");
}

TEST_F(ToolboxTest, ADestinationBeyondTheTableStepsFromAuto) {
  OpenCleared();
  AddUsbEntry("Stick");
  settings.dest2.index = 12;
  PointAt(1, 1, 0);
  EXPECT_EQ(Value(1), "Auto");
  ToolboxNext();
  EXPECT_EQ(settings.dest2.index, 1);
  settings.dest2.index = -4;
  ToolboxPrevious();
  EXPECT_EQ(settings.dest2.index, 2);
  EXPECT_EQ(Value(1), "Stick");
}

TEST_F(ToolboxTest, RunOnMinutesAndOpacityWrapAtTheirEnds) {
  PointAt(6, 6, 0);
  settings.stop_extra_minutes = 0;
  EXPECT_EQ(Value(6), Message(15));
  ToolboxPrevious();
  EXPECT_EQ(settings.stop_extra_minutes.load(), 30);
  EXPECT_EQ(Value(6), "30 min");
  ToolboxNext();
  EXPECT_EQ(settings.stop_extra_minutes.load(), 0);
  PointAt(11, 8, 3);
  settings.osd_opacity = 100;
  EXPECT_EQ(Value(11), "100%");
  ToolboxNext();
  EXPECT_EQ(settings.osd_opacity.load(), 0);
  EXPECT_EQ(Value(11), Message(15));
  ToolboxPrevious();
  EXPECT_EQ(settings.osd_opacity.load(), 100);
}

TEST_F(ToolboxTest, StoredValuesOutOfRangeStepIntoRange) {
  struct Case {
    int item;
    SettingWord SettingsRecord::*field;
    int stored, next, previous;
  };
  const Case cases[] = {
      {5, &SettingsRecord::split_mode, 9, 0, 5},
      {5, &SettingsRecord::split_mode, -3, 0, 5},
      {5, &SettingsRecord::split_mode, 5, 0, 4},
      {6, &SettingsRecord::stop_extra_minutes, 45, 0, 30},
      {9, &SettingsRecord::clock_style, 3, 0, 2},
      {11, &SettingsRecord::osd_opacity, 55, 60, 50},
      {11, &SettingsRecord::osd_opacity, 5, 10, 0},
      {11, &SettingsRecord::osd_opacity, 250, 0, 100},
      {11, &SettingsRecord::osd_opacity, -20, 0, 100},
      {16, &SettingsRecord::key68_action, 1000000, 0, 5},
      {25, &SettingsRecord::time_zone, INT32_MIN, 0, 2},
      {2, &SettingsRecord::allow_internal, 7, 0, 0},
      {26, &SettingsRecord::record_key_notice, 0, 1, 1},
  };
  for (const Case& c : cases) {
    settings.*c.field = c.stored;
    StepToolboxItem(c.item, +1);
    EXPECT_EQ((settings.*c.field).load(), c.next) << "item " << c.item << " from " << c.stored;
    settings.*c.field = c.stored;
    StepToolboxItem(c.item, -1);
    EXPECT_EQ((settings.*c.field).load(), c.previous) << "item " << c.item << " from " << c.stored;
  }
  StepToolboxItem(27, +1);  // no such item: nothing happens
  StepToolboxItem(-1, -1);
}

TEST_F(ToolboxTest, ValueTextsComeFromTheirTablesOnly) {
  settings.key1_action = 77;  // out of range: shown as the row the key acts on
  EXPECT_EQ(Value(15), Message(79));
  settings.key1_action = 5;
  EXPECT_EQ(Value(15), Message(84));
  settings.key68_action = 0;
  EXPECT_EQ(Value(16), Message(85));
  settings.split_mode = 4;
  EXPECT_EQ(Value(5), Message(101));
  settings.clock_style = 1;
  EXPECT_EQ(Value(9), "Dot Matrix");
  settings.time_zone = 2;
  EXPECT_EQ(Value(25), "EET/EEST");
  settings.time_zone = -1;
  EXPECT_EQ(Value(25), "GMT (UTC)");
  settings.key74_action = 2;
  EXPECT_EQ(Value(17), Message(92));
  settings.name_mode = 0;
  EXPECT_EQ(Value(23), Message(93));
  settings.clock_source = 1;
  EXPECT_EQ(Value(24), Message(97));
  settings.pane_on_start = 1;
  EXPECT_EQ(Value(8), Message(78));
  settings.device_script = 3;  // yes/no: texts 14 / 15
  EXPECT_EQ(Value(4), Message(14));
  settings.allow_internal = 0;  // on/off: texts 16 / 17
  EXPECT_EQ(Value(2), Message(17));
  settings.key44_passthrough = 1;
  EXPECT_EQ(Value(22), Message(16));
  extra_settings.failover = 0;  // yes/no: texts 14 / 15
  EXPECT_EQ(Value(27), Message(15));
  EXPECT_EQ(Value(28), "");
  char small[4];
  settings.time_zone = 1;
  ToolboxValueText(25, small, sizeof small);
  EXPECT_STREQ(small, "CET");
}

TEST_F(ToolboxTest, TheFailoverItemFollowsTheRecordsItems) {
  EXPECT_EQ(ToolboxItemLabel(26), 76);
  EXPECT_EQ(ToolboxItemLabel(27), 108);
  EXPECT_EQ(ToolboxItemLabel(28), 0);
  EXPECT_EQ(ToolboxItemDisabled(108), 0);
  settings.osd_opacity = 0;  // greys the pane items, not this one
  EXPECT_EQ(ToolboxItemDisabled(108), 0);
  settings.osd_opacity = 100;
  ASSERT_EQ(extra_settings.failover.load(), 1);
  EXPECT_EQ(Value(27), Message(14));
  StepToolboxItem(27, +1);
  EXPECT_EQ(extra_settings.failover.load(), 0);
  EXPECT_EQ(Value(27), Message(15));
  StepToolboxItem(27, -1);
  EXPECT_EQ(extra_settings.failover.load(), 1);
  extra_settings.failover = 9;  // out of range: stepped to a flag
  StepToolboxItem(27, +1);
  EXPECT_EQ(extra_settings.failover.load(), 0);
  // The record is untouched by it.
  unsigned char before[kSettingsRecordSize];
  std::memcpy(before, static_cast<const void*>(&settings), sizeof before);
  StepToolboxItem(27, +1);
  EXPECT_EQ(std::memcmp(before, static_cast<const void*>(&settings), sizeof before), 0);
}

// ---- Destination texts cut to 135 pixels

TEST_F(ToolboxTest, AWideDestinationIsCutAtACharacterWithDots) {
  OpenCleared();  // the TrueType fonts measure
  AddUsbEntry("ŴŴŴŴŴŴŴŴŴ");  // nine 2-byte letters, wider than 135 pixels
  settings.dest1.index = 2;
  CopyDestination(1);
  const std::string value = Value(0);
  ASSERT_GE(value.size(), 3u);
  EXPECT_EQ(value.substr(value.size() - 3), "...");
  const std::string kept = value.substr(0, value.size() - 3);
  EXPECT_LE(TextWidth(20, kept.c_str()), 135);
  EXPECT_EQ(kept.size() % 2, 0u) << "cut inside a letter: " << kept;
  EXPECT_EQ(std::string("ŴŴŴŴŴŴŴŴŴ").rfind(kept, 0), 0u);
  // A short one is left alone.
  AddUsbEntry("Ab");
  settings.dest1.index = 3;
  EXPECT_EQ(Value(0), "Ab");
}

TEST_F(ToolboxTest, WithoutFontsEveryTextIsCutToNothingWithoutReadingBeforeIt) {
  // Display closed: every text measures 961.
  ASSERT_EQ(TextWidth(20, "x"), kNoFontWidth);
  AddUsbEntry("Odd\xC3\xA9");  // 5 bytes, ends in a two-byte letter
  settings.dest1.index = 2;
  EXPECT_EQ(Value(0), "...");
  char lone[] = "\x80\x80\x80";  // continuation bytes with no leading byte
  EXPECT_EQ(CutToWidth(lone, 20, 135), 3u);
  EXPECT_STREQ(lone, "");
  char empty[] = "";
  EXPECT_EQ(CutToWidth(empty, 20, 135), 0u);
  char tight[5] = "abcd";  // no room for the dots: cut only
  CutToWidthWithDots(tight, 3, 20, 135);
  EXPECT_STREQ(tight, "");
  // An unterminated product in a damaged record stops at its field's end.
  DeviceEntry& entry = device_table.entries[2];
  std::memset(entry.product, 'W', sizeof entry.product);
  OpenCleared();
  std::string value = Value(0);
  EXPECT_LE(value.size(), sizeof entry.product + 3);
}

// ---- The drawn screen

// How many pixels in the box carry exactly the colour's red, green and blue.
int CountColour(int x0, int y0, int x1, int y1, int colour) {
  const Colour& c = ColourTable[colour];
  int count = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const uint8_t* p = Pixel(x, y);
      count += p[0] == c.blue && p[1] == c.green && p[2] == c.red;
    }
  }
  return count;
}

TEST_F(ToolboxTest, DisabledItemsAreGreyAndAnNtfsDestinationRed) {
  AddUsbEntry("Disk", true);
  settings.dest2.index = 2;
  CopyDestination(2);
  settings.dest2.ntfs = 1;
  OpenCleared();
  DrawToolbox();
  // Row 0: "Destination 1" enabled (colour 8), row 1 disabled (colour 2).
  EXPECT_GT(CountColour(240, 106, 500, 130, 8), 20);
  EXPECT_EQ(CountColour(240, 106 + 39, 500, 130 + 39, 8), 0);
  EXPECT_GT(CountColour(240, 106 + 39, 500, 130 + 39, 2), 20);
  // The NTFS destination's value in colour 3.
  EXPECT_GT(CountColour(550, 106 + 39, 690, 130 + 39, 3), 10);
  EXPECT_EQ(CountColour(550, 106, 690, 130, 3), 0);
}

TEST_F(ToolboxTest, ScrollArrowsShowWhereMoreItemsAre) {
  OpenCleared();
  auto arrow_pixels = [](int x, int y) {
    int lit = 0;
    for (int dy = 0; dy < 10; ++dy)
      for (int dx = 0; dx < 16; ++dx) lit += Pixel(x + dx, y + dy)[2] > 200 && Pixel(x + dx, y + dy)[0] < 100;
    return lit;
  };
  DrawToolbox();
  EXPECT_EQ(arrow_pixels(230, 60), 0);
  EXPECT_GT(arrow_pixels(230, 467), 0);
  ToolboxUp();  // to the bottom: scroll 19
  EXPECT_GT(arrow_pixels(230, 60), 0);
  EXPECT_EQ(arrow_pixels(230, 467), 0);
}

TEST_F(ToolboxTest, AStoredPositionOutOfRangeIsDrawnWithinTheList) {
  OpenCleared();
  PointAt(40, 50, -3);
  DrawToolbox();
  // The cursor is drawn in the last row, the list from item 0.
  EXPECT_GT(CountColour(240, 106, 500, 130, 8), 20);
  ToolboxDown();  // beyond the last item: back to the top
  EXPECT_EQ(toolbox_item.load(), 0);
  PointAt(-7, 0, 0);
  ToolboxUp();
  EXPECT_EQ(toolbox_item.load(), 27);
}

// Opacity 0 switches the screens off, all but this one: it is drawn as at
// full opacity (the same alpha in every pixel), so that the viewer can set
// it back. Drawing outside it keeps the switch.
TEST_F(ToolboxTest, AtOpacityZeroTheScreenIsDrawnAtFullOpacity) {
  OpenCleared();
  DrawToolbox();
  const std::vector<uint8_t> full = Snapshot();
  FillSurface(0);
  settings.osd_opacity = 0;
  DrawToolbox();
  const std::vector<uint8_t> off = Snapshot();
  int visible = 0;
  for (size_t i = 3; i < full.size(); i += 4) {
    ASSERT_EQ(off[i], full[i]) << "pixel " << i / 4 % kOsdWidth << "," << i / 4 / kOsdWidth;
    visible += off[i] != 0;
  }
  EXPECT_GT(visible, 526 * 400);
  EXPECT_EQ(DrawingOpacity(), 0);
  FillSurface(0);
  DrawSkinPanel(210, 45, "toolbox_header", 212);
  EXPECT_EQ(DrawnPixels(), 0);
  settings.osd_opacity = 40;  // any other opacity is the screen's own
  DrawToolbox();
  EXPECT_EQ(Pixel(480, 270)[3], 80);
}

TEST_F(ToolboxTest, DrawsNothingWithoutADisplay) {
  DrawToolbox();
  EXPECT_EQ(OsdSurface.load(), nullptr);
  EXPECT_EQ(ToolboxNext(), 255);
  EXPECT_EQ(ToolboxPrevious(), 255);
}

}  // namespace
}  // namespace display_test
