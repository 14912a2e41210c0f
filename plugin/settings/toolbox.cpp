#include "settings/toolbox.h"

#include "display/display_lock.h"
#include "display/osd_surface.h"
#include "display/screen_opacity.h"
#include "display/skin.h"
#include "display/skin_images.h"
#include "display/text.h"
#include "host/key_codes.h"
#include "settings/message_catalogue.h"
#include "settings/screen_switches.h"
#include "settings/settings_record.h"
#include "settings/toolbox_items.h"
#include "settings/toolbox_state.h"

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr int kLastItem = kToolboxItems - 1;
constexpr int kLastRow = kToolboxRows - 1;
constexpr int kFont = 20;

int RowY(int row) { return 106 + 39 * row; }

// Frame with its see-through middle, footer.
void DrawFrame() {
  DrawSkinPanel(210, 45, "toolbox_header", 212);
  SetAlphaRect(212, 83, 526, 369, static_cast<uint8_t>(DrawingOpacity() * 2 % 256));
  DrawSkinPanel(210, 454, "toolbox_footer", 0);
}

// The key legend, laid out leftwards from x 720: each text ends 20 pixels
// left of the previous icon, its icon sits `gap` pixels left of the text.
void DrawLegend() {
  struct Entry {
    int text;
    const char* icon;
    int gap;
    int icon_y;
  };
  static constexpr Entry kEntries[] = {
      {13, "icon_exit", 30, 466},
      {12, "icon_enter", 26, 464},
      {11, "icon_leftright", 22, 460},
      {10, "icon_updown", 20, 460},
  };
  int right = 720;
  for (const Entry& entry : kEntries) {
    const char* text = Message(entry.text);
    int left = right - TextWidth(kFont, text);
    DrawText(kFont, left, 463, text, 8);
    int icon_x = left - entry.gap;
    DrawSkinPanel(icon_x, entry.icon_y, entry.icon, -1);
    right = icon_x - 20;
  }
}

void DrawCursor(int row, int scroll) {
  DrawSkinPanel(225, 96 + 39 * row, "toolbox_frame", -1);
  DrawSkinPanel(520, RowY(row), "icon_left", -1);
  DrawSkinPanel(698, RowY(row), "icon_right", -1);
  if (scroll > 0) DrawSkinPanel(230, 60, "icon_up", -1);
  if (scroll < kToolboxLastScroll) DrawSkinPanel(230, 467, "icon_down", -1);
}

void DrawRows(int cursor_row, int scroll) {
  for (int row = 0; row < kToolboxRows; ++row) {
    const int item = scroll + row;
    if (item < 0 || item > kLastItem) continue;
    const int y = RowY(row);
    char value[64];
    const int value_colour = ToolboxValueText(item, value, sizeof value);
    const int label = ToolboxItemLabel(item);
    const int colour = ToolboxItemDisabled(label) ? 2 : 8;
    DrawText(kFont, 240, y, Message(label), colour);
    if (row != cursor_row) DrawText(kFont, 530, y, ":", colour);
    DrawText(kFont, 550, y, value, value_colour);
  }
}

// The scroll offset and cursor row as stored, kept to their ranges.
int Bounded(const std::atomic<int>& word, int last) {
  int value = word.load(kRelaxed);
  return value < 0 ? 0 : value > last ? last : value;
}

struct Position {
  int item, row, scroll;
};

Position Current() {
  return {toolbox_item.load(kRelaxed), toolbox_row.load(kRelaxed), toolbox_scroll.load(kRelaxed)};
}

void Store(const Position& at) {
  toolbox_item.store(at.item, kRelaxed);
  toolbox_row.store(at.row, kRelaxed);
  toolbox_scroll.store(at.scroll, kRelaxed);
}

void SavePosition(const Position& at) {
  toolbox_saved_item.store(at.item, kRelaxed);
  toolbox_saved_row.store(at.row, kRelaxed);
  toolbox_saved_scroll.store(at.scroll, kRelaxed);
}

Position SavedPosition() {
  return {toolbox_saved_item.load(kRelaxed), toolbox_saved_row.load(kRelaxed),
          toolbox_saved_scroll.load(kRelaxed)};
}

bool Enabled(int item) { return ToolboxItemDisabled(ToolboxItemLabel(item)) == 0; }

int StepValue(int direction) {
  StepToolboxItem(toolbox_item.load(kRelaxed), direction);
  DrawToolbox();
  return kConsumed;
}

}  // namespace

void DrawToolbox() {
  DisplayLock lock(display_mutex);
  SkinScreenScope screen(SkinScreen::kToolbox);  // its images stay until it closes
  OpacityScope opacity(SettingsScreenOpacity());  // visible at osd_opacity 0 too
  RefreshMessages();
  SDL_Surface* surface = OsdSurface.load(kRelaxed);
  if (surface == nullptr) return;
  const int row = Bounded(toolbox_row, kLastRow);
  const int scroll = Bounded(toolbox_scroll, kToolboxLastScroll);
  DrawFrame();
  DrawLegend();
  const char* title = Message(9);
  DrawText(kFont, (kOsdWidth - TextWidth(kFont, title)) / 2, 55, title, 8);
  DrawCursor(row, scroll);
  DrawRows(row, scroll);
  SDL_Flip(surface);
}

int ToolboxDown() {
  Position at = Current();
  if (at.item >= kLastItem || at.item < 0) {
    Store({0, 0, 0});
    DrawToolbox();
    return kConsumed;
  }
  do {
    ++at.item;
    if (at.row < kLastRow) ++at.row;
    else if (at.item > kLastRow) at.scroll = at.item - kLastRow;
  } while (at.item <= kLastItem && !Enabled(at.item));
  if (at.item > kLastItem) at = SavedPosition();
  Store(at);
  DrawToolbox();
  SavePosition(at);
  return kConsumed;
}

int ToolboxUp() {
  Position at = Current();
  if (at.item <= 0 || at.item > kLastItem) {
    Store({kLastItem, kLastRow, kToolboxLastScroll});
    DrawToolbox();
    return kConsumed;
  }
  do {
    --at.item;
    if (at.row > 0) --at.row;
    else if (at.scroll > 0) --at.scroll;
  } while (at.item >= 0 && !Enabled(at.item));
  if (at.item < 0) at = SavedPosition();
  Store(at);
  DrawToolbox();
  SavePosition(at);
  return kConsumed;
}

int ToolboxNext() { return StepValue(+1); }

int ToolboxPrevious() { return StepValue(-1); }
