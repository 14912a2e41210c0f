#include "display/pane_canvas.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "display/fonts.h"
#include "display/glyph_cells.h"
#include "display/glyph_tables.h"
#include "display/osd_surface.h"
#include "display/pixel_runs.h"
#include "display/pixels.h"
#include "display/skin_images.h"
#include "display/text.h"
#include "display/text_fit.h"
#include "display/text_library.h"
#include "settings/settings_record.h"

// The loops over the lines stay loops: copied once per line, as an
// optimising compiler likes to, they would cost the set's library
// kilobytes for no speed that shows (each turn calls the text library or
// copies a box of pixels).
#define PANE_ROLLED_LOOP _Pragma("GCC unroll 1")

namespace {

// A rectangle of the pane, columns [x0, x1) and rows [y0, y1).
struct Rect {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool empty() const { return x0 >= x1 || y0 >= y1; }
};

[[gnu::always_inline]] inline bool Overlap(const Rect& a, const Rect& b) {
  return !a.empty() && !b.empty() && a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

Rect Bound(const Rect& a, const Rect& b) {
  return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

Rect Meet(const Rect& a, const Rect& b) {
  return {std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1)};
}

// The pane's image converted for the surface, as runs, and the two
// percentages it was converted with.
struct PaneBase {
  PixelRuns runs;
  int opacity = -1;
  int percent = -1;
};

// One line: what it was asked to be, and what that gave.
struct Slot {
  bool used;
  int font, x, y, colour, fit_font, fit_width;
  PaneAnchor anchor;
  PaneFit fit;
  char asked[kPaneTextSize];
  char shown[kPaneTextSize];  // asked, cut to its room
  int left;                   // where DrawText draws it
  int width;                  // its TextWidth
  Rect box;                   // the pane's pixels it can change; empty when it draws nothing
};

// Characters a line may change by cell at once.
constexpr int kCellRun = 16;

// A line brought up to a text that differs from its last in a few
// characters by redrawing only their cells: the characters [first, last]
// of its text (`before` them: what they were), their cells starting `x0`
// pixels after its left edge, in `box` on the screen. An empty box: not so.
struct CellChange {
  Rect box;
  int first = 0, last = -1, x0 = 0;
  char before[kCellRun];
};

// The fonts a line's pixels depend on: while they stay, a line drawn stays right.
struct FontHandles {
  const void* handles[6];
  bool operator==(const FontHandles& other) const {
    return std::memcmp(handles, other.handles, sizeof handles) == 0;
  }
};

// The pane composed: background and lines.
struct Canvas {
  SDL_Surface* pixels = nullptr;
  DestinationIcon icon = DestinationIcon::kUsb;
  int gauge = -1;
  Rect overlays;             // where the icon and the bars can lie
  bool lines_drawn = false;  // the slots' lines are in it
};

constinit PaneBase base GUARDED_BY(display_mutex);
constinit Slot slots[kPaneLines] GUARDED_BY(display_mutex) = {};
// One past the last slot in use. The loops over the slots stop there: fewer
// turns, and the compiler does not copy their bodies once per slot.
constinit int slots_in_use GUARDED_BY(display_mutex) = 0;
constinit Canvas canvas GUARDED_BY(display_mutex);
constinit FontHandles slot_fonts GUARDED_BY(display_mutex) = {};  // the fonts the slots were measured and drawn with

// The pane's image under a line that changes by cells (its box in the
// pane), decoded at its first such change, so that a cell's background is
// copied back rather than decoded each second. Freed with the lines.
struct LineStrip {
  uint8_t* pixels = nullptr;
  Rect box;
};

constinit LineStrip strips[kPaneLines] GUARDED_BY(display_mutex) = {};

void FreeStrip(LineStrip& strip) {
  std::free(strip.pixels);
  strip = LineStrip{};
}

// ---- the background

struct ConvertContext {
  const SkinPixels* image;
  uint8_t alpha_of[256];
};

void ConvertPaneRow(void* context, int r, uint8_t* row) {
  auto* convert = static_cast<ConvertContext*>(context);
  const SkinPixels& image = *convert->image;
  ConvertSkinRow(image.pixels + r * image.pitch, 4, image.w, row, convert->alpha_of, false);
}

void FreeCanvas() REQUIRES(display_mutex) {
  if (canvas.pixels != nullptr) SDL_FreeSurface(canvas.pixels);
  canvas = Canvas{};
}

void ForgetLines() REQUIRES(display_mutex) {
  for (LineStrip& strip : strips) FreeStrip(strip);
  if (slots_in_use > 0) std::memset(static_cast<void*>(slots), 0, sizeof slots);
  slots_in_use = 0;
  slot_fonts = {};
  canvas.lines_drawn = false;
}

// The runs of "infopane" for the current percentages: kept, or decoded and
// converted now (the composed pane goes with the old ones).
bool KeepBase() REQUIRES(display_mutex) {
  static constexpr SkinScreenKeeper kPaneKeeper{SkinScreen::kPane, ReleasePane, KeptPaneBytes};
  AddSkinScreenKeeper(&kPaneKeeper);  // freed with the pane's images
  const int opacity = OsdOpacity();
  const int percent = ImageAlphaPercent();
  if (base.runs.block != nullptr && base.opacity == opacity && base.percent == percent) return true;
  ReleasePane();
  SkinScreenScope one_use(SkinScreen::kNone);  // decoded for this, freed at the end
  SkinImage image("infopane", SkinForm::kPane, opacity, percent);
  if (image.get() == nullptr) return false;
  ConvertContext convert{image.get(), {}};
  FillSkinAlphaTable(SkinForm::kPane, 4, opacity, percent, convert.alpha_of);
  auto* row = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(image.get()->w) * 4));
  if (row == nullptr) return false;
  const bool encoded = EncodePixelRuns(image.get()->w, image.get()->h, ConvertPaneRow, &convert, row, &base.runs);
  std::free(row);
  if (!encoded) return false;
  base.opacity = opacity;
  base.percent = percent;
  return true;
}

// Where pane pixel (c, r) lies: pixels + (r + dy) * pitch + (c + dx) * 4.
struct Target {
  uint8_t* pixels;
  int pitch;
  int dx;
  int dy;
  uint8_t* At(int c, int r) const {
    return pixels + static_cast<long>(r + dy) * pitch + static_cast<long>(c + dx) * 4;
  }
};

// Blends skin image `name` into the pane at (x, y) from its row first_row
// on, inside `area`: as BlendSkinImage into the pane's image, each colour
// (s * a + t * (255 - a)) >> 9, pure black left out, alpha kept. The target
// holds the colours in the other byte order: image byte i mixes with byte 2 - i.
void BlendInto(const Target& target, const Rect& area, const char* name, int x, int y, int first_row)
    REQUIRES(display_mutex) {
  SkinImage held(name, SkinForm::kDecoded);
  const SkinPixels* image = held.get();
  if (image == nullptr) return;
  const int bytes = image->bytes;
  const Rect place = Meet(area, {x, y + std::max(first_row, 0), x + image->w, y + image->h});
  for (int r = place.y0; r < place.y1; ++r) {
    const uint8_t* in = image->pixels + (r - y) * image->pitch;
    for (int c = place.x0; c < place.x1; ++c) {
      const uint8_t* s = in + (c - x) * bytes;
      if (s[0] + s[1] + s[2] == 0) continue;
      const unsigned a = bytes == 4 ? s[3] : 255;
      uint8_t* t = target.At(c, r);
      for (int i = 0; i < 3; ++i) t[2 - i] = static_cast<uint8_t>((s[i] * a + t[2 - i] * (255 - a)) >> 9);
    }
  }
}

// The background inside `area`: the image, the icon, the bar (unless the
// caller knows that `area` meets neither: `overlays` false).
void PutBase(const Target& target, const Rect& area, DestinationIcon icon, int gauge, bool overlays = true)
    REQUIRES(display_mutex) {
  if (area.empty()) return;
  for (int r = area.y0; r < area.y1; ++r) DecodePixelRuns(base.runs, r, area.x0, area.x1, target.At(area.x0, r));
  if (!overlays) return;
  BlendInto(target, area, DestinationIconName(icon), 20, 24, 0);
  if (gauge != -1) {
    BlendInto(target, area, "bar_free", 44, 80, 0);
    BlendInto(target, area, "bar_full", 44, 80, gauge);
  }
}

Rect WholePane() REQUIRES(display_mutex) { return {0, 0, base.runs.w, base.runs.h}; }

// The pane's top-left corner on the screen.
int PaneLeft() REQUIRES(display_mutex) { return (kOsdWidth - base.runs.w) / 2; }
int PaneTop() REQUIRES(display_mutex) { return kOsdHeight - base.runs.h; }

// ---- the lines

int TrueTypeSlot(int font) { return font == 18 ? 0 : font == 20 ? 1 : font == 26 ? 2 : -1; }

FontHandles CurrentFonts() {
  ScopedLock lock(font_mutex);
  return {{StandardFont[0], StandardFont[1], StandardFont[2], FallbackFont, FontImageCache.font118.image,
           FontImageCache.font218.image}};
}

// Cuts, places and measures slot s as DrawText will draw it; `before` is the
// line before it (for kAfterPrevious).
void Settle(Slot& s, const Slot* before) {
  std::memcpy(s.shown, s.asked, sizeof s.shown);
  if (s.fit == PaneFit::kCut) CutToWidth(s.shown, s.fit_font, s.fit_width);
  if (s.fit == PaneFit::kCutWithDots) CutToWidthWithDots(s.shown, sizeof s.shown, s.fit_font, s.fit_width);
  int w = 0, h = 0;
  const int slot = TrueTypeSlot(s.font);
  if (s.shown[0] == '\0') {
    s.width = 0;
  } else if (slot >= 0) {
    ScopedLock lock(font_mutex);
    s.width = kNoFontWidth;
    if (StandardFont[slot] != nullptr && text_library.size_utf8(StandardFont[slot], s.shown, &w, &h) == 0) {
      s.width = w;
    } else {
      w = h = 0;  // nothing to render
    }
  } else if (s.font == 118 || s.font == 218) {
    s.width = w = BitmapTextWidth(s.font, s.shown, &h);
  } else {
    s.width = TextWidth(s.font, s.shown);
  }
  switch (s.anchor) {
    case PaneAnchor::kLeft: s.left = s.x; break;
    case PaneAnchor::kRight: s.left = s.x - s.width; break;
    case PaneAnchor::kAfterPrevious:
      s.left = before != nullptr ? before->left + before->width + s.x : s.x;
      break;
  }
  // DrawText's own refusals: nothing is drawn then.
  const bool drawn = s.left >= 0 && s.y >= 0 && (slot < 0 || (s.left < kOsdWidth && s.y < kOsdHeight));
  s.box = drawn ? Rect{s.left, s.y, s.left + w, s.y + h} : Rect{};
}

bool SameAsk(const Slot& s, const PaneText& line) {
  return s.used && s.font == line.font && s.x == line.x && s.y == line.y && s.colour == line.colour &&
         s.anchor == line.anchor && s.fit == line.fit && s.fit_font == line.fit_font &&
         s.fit_width == line.fit_width && std::strcmp(s.asked, line.text) == 0;
}

// Whether slot s, drawn before, can take `line` cell by cell: the same
// line in a TrueType font with its text the same length and differing only
// from its second character on, every character up to the one after the
// last that differs one whose cell is kept (glyph_cells.h), and each that
// differs as wide as the one it replaces; the line's width and place then
// stay. Sets *change when so.
bool ChangesByCells(const Slot& s, const PaneText& line, const SDL_PixelFormat* format, CellChange* change)
    REQUIRES(display_mutex) {
  const int slot = TrueTypeSlot(line.font);
  if (!s.used || slot < 0 || s.box.empty() || line.fit != PaneFit::kNone || s.fit != PaneFit::kNone ||
      s.font != line.font || s.x != line.x || s.y != line.y || s.colour != line.colour || s.anchor != line.anchor) {
    return false;
  }
  const char* old_text = s.shown;
  const char* new_text = line.text;
  int first = -1, last = -1, n = 0;
  for (; old_text[n] != '\0' && new_text[n] != '\0'; ++n) {
    if (old_text[n] == new_text[n]) continue;
    if (first < 0) first = n;
    last = n;
  }
  if (old_text[n] != new_text[n] || first <= 0 || old_text[0] == ' ' || last - first >= kCellRun) return false;
  for (int i = 0; i <= last + 1 && new_text[i] != '\0'; ++i) {
    if (!IsCellCharacter(new_text[i]) || (i >= first && !IsCellCharacter(old_text[i]))) return false;
  }
  if (!KeepGlyphCells(slot, line.colour, format)) return false;  // checked at the first such change
  // Every character looked at has a cell: its width is in the table.
  const uint8_t* widths = GlyphCellWidths(slot);
  int x0 = 0, x1 = 0;
  for (int i = 0; i <= last; ++i) {
    const int width = widths[static_cast<unsigned char>(new_text[i])];
    if (i >= first && widths[static_cast<unsigned char>(old_text[i])] != width) return false;
    if (i < first) x0 += width;
    x1 += width;
  }
  *change = {Meet({s.left + x0, s.box.y0, s.left + x1, s.box.y1}, s.box), first, last, x0, {}};
  std::memcpy(change->before, old_text + first, static_cast<size_t>(last - first + 1));
  return true;
}

// Brings the slots to this redraw's lines (at most kPaneLines; a text of
// kPaneTextSize bytes or more is not drawn). A slot that changed gets
// changed[i] set and its box from before in old_boxes[i], or, when only a
// few of its characters changed, cell_changes[i] (all left alone past the
// slots looked at). Returns how many slots it looked at: those in use
// before or now.
int UpdateSlots(const PaneText* lines, int count, const SDL_PixelFormat* format, Rect (&old_boxes)[kPaneLines],
                bool (&changed)[kPaneLines], CellChange (&cell_changes)[kPaneLines]) REQUIRES(display_mutex) {
  count = std::clamp(count, 0, kPaneLines);
  const int span = std::max(count, slots_in_use);
  bool moved = false;  // the line before changed its place or width
  PANE_ROLLED_LOOP
  for (int i = 0; i < span; ++i) {
    Slot& s = slots[i];
    old_boxes[i] = s.box;
    changed[i] = false;
    cell_changes[i] = {};
    const PaneText* line = i < count ? &lines[i] : nullptr;
    if (line == nullptr || line->text == nullptr || std::strlen(line->text) >= kPaneTextSize) {
      changed[i] = s.used;
      moved = s.used;
      if (s.used) std::memset(static_cast<void*>(&s), 0, sizeof s);
      continue;
    }
    const bool follows = moved && line->anchor == PaneAnchor::kAfterPrevious;
    if (SameAsk(s, *line) && !follows) {
      moved = false;
      continue;
    }
    if (!follows && ChangesByCells(s, *line, format, &cell_changes[i])) {
      const size_t length = std::strlen(line->text) + 1;
      std::memcpy(s.asked, line->text, length);
      std::memcpy(s.shown, line->text, length);
      moved = false;
      continue;
    }
    const int left = s.left, width = s.width;
    const bool was_used = s.used;
    s.used = true;
    s.font = line->font;
    s.x = line->x;
    s.y = line->y;
    s.colour = line->colour;
    s.anchor = line->anchor;
    s.fit = line->fit;
    s.fit_font = line->fit_font;
    s.fit_width = line->fit_width;
    std::memcpy(s.asked, line->text, std::strlen(line->text) + 1);
    Settle(s, i > 0 && slots[i - 1].used ? &slots[i - 1] : nullptr);
    changed[i] = true;
    moved = !was_used || s.left != left || s.width != width;
  }
  slots_in_use = count;
  return span;
}

// A box of the screen in the pane's coordinates.
Rect InPane(const Rect& box) REQUIRES(display_mutex) {
  if (box.empty()) return {};
  return {box.x0 - PaneLeft(), box.y0 - PaneTop(), box.x1 - PaneLeft(), box.y1 - PaneTop()};
}

bool Inside(const Rect& box) REQUIRES(display_mutex) {
  if (box.empty()) return true;
  const Rect in = InPane(box);
  return in.x0 >= 0 && in.y0 >= 0 && in.x1 <= base.runs.w && in.y1 <= base.runs.h;
}

// Draws slot s into the composed pane, within its box.
void DrawSlot(const Slot& s) REQUIRES(display_mutex) {
  const Rect box = InPane(s.box);
  if (box.empty()) return;
  SDL_Surface* pixels = canvas.pixels;
  const SDL_PixelFormat* format = pixels->format;
  SDL_Surface* view = SDL_CreateRGBSurfaceFrom(
      static_cast<uint8_t*>(pixels->pixels) + box.y0 * pixels->pitch + box.x0 * 4, box.x1 - box.x0,
      box.y1 - box.y0, 32, pixels->pitch, format->Rmask, format->Gmask, format->Bmask, format->Amask);
  if (view == nullptr) return;
  DrawTextOn(view, s.font, 0, 0, s.shown, s.colour);
  SDL_FreeSurface(view);
}

Target CanvasTarget() REQUIRES(display_mutex) {
  return {static_cast<uint8_t*>(canvas.pixels->pixels), canvas.pixels->pitch, 0, 0};
}

// The image under `box` of the pane: kept for line i, or decoded now; null
// when memory runs out.
const uint8_t* StripUnder(int i, const Rect& box) REQUIRES(display_mutex) {
  LineStrip& strip = strips[i];
  if (strip.pixels != nullptr && std::memcmp(&strip.box, &box, sizeof box) == 0) return strip.pixels;
  FreeStrip(strip);
  const int w = box.x1 - box.x0;
  strip.pixels = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(w) * (box.y1 - box.y0) * 4));
  if (strip.pixels == nullptr) return nullptr;
  strip.box = box;
  for (int r = box.y0; r < box.y1; ++r) {
    DecodePixelRuns(base.runs, r, box.x0, box.x1, strip.pixels + static_cast<size_t>(r - box.y0) * w * 4);
  }
  return strip.pixels;
}

long StripBytes() REQUIRES(display_mutex) {
  long bytes = 0;
  for (const LineStrip& strip : strips) {
    if (strip.pixels != nullptr) bytes += 4L * (strip.box.x1 - strip.box.x0) * (strip.box.y1 - strip.box.y0);
  }
  return bytes;
}

// Draws the changed characters of line i into the composed pane, each cell
// within the line's box, its background put back where either glyph has
// ink. false when it cannot (no memory for the line's image).
bool DrawCells(int i, const CellChange& change) REQUIRES(display_mutex) {
  const Slot& s = slots[i];
  const Rect box = InPane(s.box);
  const uint8_t* under = StripUnder(i, box);
  if (under == nullptr) return false;
  const int slot = TrueTypeSlot(s.font);
  const uint8_t* widths = GlyphCellWidths(slot);  // the characters were checked: all have cells
  if (widths == nullptr) return false;
  const Target target = CanvasTarget();
  const int under_pitch = (box.x1 - box.x0) * 4;
  for (int p = change.first, x = change.x0; p <= change.last && box.x0 + x < box.x1; ++p) {
    ReplaceGlyphCell(slot, s.colour, canvas.pixels->format, change.before[p - change.first], s.shown[p],
                     target.At(box.x0 + x, box.y0), target.pitch, under + x * 4, under_pitch, box.x1 - box.x0 - x,
                     box.y1 - box.y0);
    x += widths[static_cast<unsigned char>(s.shown[p])];
  }
  return true;
}

void RedrawAll() REQUIRES(display_mutex) {
  PutBase(CanvasTarget(), WholePane(), canvas.icon, canvas.gauge);
  PANE_ROLLED_LOOP
  for (int i = 0; i < slots_in_use; ++i) {
    if (slots[i].used) DrawSlot(slots[i]);
  }
  canvas.lines_drawn = true;
}

// Where the icon and the bars lie in the pane: the icon at (20, 24), the
// bars at (44, 80). Empty for an image that cannot be loaded.
Rect IconPlace(DestinationIcon icon) REQUIRES(display_mutex) {
  int w = 0, h = 0;
  return SkinImageSize(DestinationIconName(icon), &w, &h) ? Rect{20, 24, 20 + w, 24 + h} : Rect{};
}

Rect BarPlace(const char* bar) REQUIRES(display_mutex) {
  int w = 0, h = 0;
  return SkinImageSize(bar, &w, &h) ? Rect{44, 80, 44 + w, 80 + h} : Rect{};
}

// Where the icon and the bars can lie in the pane, whatever the gauge.
Rect OverlaysBox(DestinationIcon icon) REQUIRES(display_mutex) {
  Rect box = IconPlace(icon);
  for (const char* bar : {"bar_free", "bar_full"}) {
    const Rect place = BarPlace(bar);
    if (!place.empty()) box = box.empty() ? place : Bound(box, place);
  }
  return box;
}

// A composed pane in the surface's format for the current base; false when
// it cannot be made.
bool KeepCanvas(const SDL_Surface* surface, DestinationIcon icon, int gauge) REQUIRES(display_mutex) {
  if (canvas.pixels != nullptr) return true;
  const SDL_PixelFormat* format = surface->format;
  if (format->BytesPerPixel != 4) return false;
  canvas.pixels = SDL_CreateRGBSurface(SDL_SWSURFACE, base.runs.w, base.runs.h, 32, format->Rmask, format->Gmask,
                                       format->Bmask, format->Amask);
  if (canvas.pixels == nullptr) return false;
  canvas.icon = icon;
  canvas.gauge = gauge;
  canvas.overlays = OverlaysBox(icon);
  canvas.lines_drawn = false;
  return true;
}

// Whether rect meets a line other than `line` (-1: any line) of the first
// `span`, as it is now or, when it changed, as it was.
bool TouchesAnotherLine(const Rect& rect, int line, int span, const Rect (&old_boxes)[kPaneLines],
                        const bool (&changed)[kPaneLines]) REQUIRES(display_mutex) {
  if (rect.empty()) return false;
  const Rect on_screen{rect.x0 + PaneLeft(), rect.y0 + PaneTop(), rect.x1 + PaneLeft(), rect.y1 + PaneTop()};
  PANE_ROLLED_LOOP
  for (int j = 0; j < span; ++j) {
    if (j == line) continue;
    if (Overlap(on_screen, slots[j].box) || (changed[j] && Overlap(on_screen, old_boxes[j]))) return true;
  }
  return false;
}

// Brings the composed pane up to the slots and the new icon and gauge:
// what changed is put back to its background and drawn again; where that
// would touch another line, everything is.
void UpdateCanvas(DestinationIcon icon, int gauge, int span, const Rect (&old_boxes)[kPaneLines],
                  const bool (&changed)[kPaneLines], const CellChange (&cell_changes)[kPaneLines])
    REQUIRES(display_mutex) {
  struct Dirty {
    Rect rect;
    int line;            // the changed line it belongs to, -1 for the background's own
    bool by_cells = false;  // the line's cells put their background back themselves
  };
  Dirty dirty[2 * kPaneLines + 4];
  int count = 0;
  if (icon != canvas.icon) {
    for (DestinationIcon each : {canvas.icon, icon}) {
      if (const Rect place = IconPlace(each); !place.empty()) dirty[count++] = {place, -1};
    }
  }
  if (gauge != canvas.gauge) {
    for (const char* bar : {"bar_free", "bar_full"}) {
      if (const Rect place = BarPlace(bar); !place.empty()) dirty[count++] = {place, -1};
    }
  }
  if (icon != canvas.icon) canvas.overlays = OverlaysBox(icon);
  canvas.icon = icon;
  canvas.gauge = gauge;
  if (!canvas.lines_drawn) {
    RedrawAll();
    return;
  }
  PANE_ROLLED_LOOP
  for (int i = 0; i < span; ++i) {
    if (!cell_changes[i].box.empty()) dirty[count++] = {InPane(cell_changes[i].box), i, true};
    if (!changed[i]) continue;
    const Rect before = InPane(old_boxes[i]), now = InPane(slots[i].box);
    if (Overlap(before, now)) {
      dirty[count++] = {Bound(before, now), i};  // mostly the same pixels: put back once
    } else {
      dirty[count++] = {before, i};
      dirty[count++] = {now, i};
    }
  }
  // Putting the background back wipes whatever lies there: only the
  // changed line's own pixels may. Cells put back the image alone.
  PANE_ROLLED_LOOP
  for (int d = 0; d < count; ++d) {
    if (TouchesAnotherLine(dirty[d].rect, dirty[d].line, span, old_boxes, changed) ||
        (dirty[d].by_cells && Overlap(dirty[d].rect, canvas.overlays))) {
      RedrawAll();
      return;
    }
  }
  const Target target = CanvasTarget();
  PANE_ROLLED_LOOP
  for (int d = 0; d < count; ++d) {
    if (!dirty[d].by_cells) PutBase(target, dirty[d].rect, icon, gauge, Overlap(dirty[d].rect, canvas.overlays) || dirty[d].line < 0);
  }
  PANE_ROLLED_LOOP
  for (int i = 0; i < span; ++i) {
    if (changed[i] && slots[i].used) DrawSlot(slots[i]);
    if (!cell_changes[i].box.empty() && !DrawCells(i, cell_changes[i])) {
      RedrawAll();
      return;
    }
  }
}

void CopyCanvas(SDL_Surface* surface) REQUIRES(display_mutex) {
  const Span columns = ClipSpan(PaneLeft(), base.runs.w, std::min(surface->w, kOsdWidth));
  const int bottom = std::min(surface->h, kOsdHeight);
  if (columns.empty()) return;
  const size_t bytes = static_cast<size_t>(columns.last - columns.first) * 4;
  const int top = PaneTop();
  const int first = std::max(0, -top);
  const int last = std::min(base.runs.h, bottom - top);
  if (first >= last) return;
  const int from_pitch = canvas.pixels->pitch, to_pitch = surface->pitch;
  const auto* from = static_cast<const uint8_t*>(canvas.pixels->pixels) + first * from_pitch +
                     (columns.first - PaneLeft()) * 4;
  uint8_t* to = PixelAt(surface, columns.first, top + first);
  for (int r = first; r < last; ++r, from += from_pitch, to += to_pitch) std::memcpy(to, from, bytes);
}

}  // namespace

bool PaneSize(int* w, int* h) {
  if (base.runs.block != nullptr) {
    *w = base.runs.w;
    *h = base.runs.h;
    return true;
  }
  return SkinImageSize("infopane", w, h);
}

bool KeepPaneImage(int* w, int* h) {
  if (!KeepBase()) return false;
  *w = base.runs.w;
  *h = base.runs.h;
  return true;
}

bool PutPaneBackground(SDL_Surface* surface, int rows, DestinationIcon icon, int gauge) {
  if (!KeepBase()) return false;
  rows = std::min(rows, base.runs.h);
  const int left = PaneLeft();
  const int top = kOsdHeight - rows;
  const Span columns = ClipSpan(left, base.runs.w, std::min(surface->w, kOsdWidth));
  const Span shown = ClipSpan(top, rows, std::min(surface->h, kOsdHeight));
  if (columns.empty() || shown.empty()) return true;
  const Rect area{columns.first - left, shown.first - top, columns.last - left, shown.last - top};
  PutBase({static_cast<uint8_t*>(surface->pixels), surface->pitch, left, top}, area, icon, gauge);
  return true;
}

bool DrawComposedPane(SDL_Surface* surface, DestinationIcon icon, int gauge, const PaneText* lines, int count) {
  if (!KeepBase()) return false;
  if (!(slot_fonts == CurrentFonts())) {  // measured and drawn with other fonts
    ForgetLines();
    ReleaseGlyphCells();
  }
  Rect old_boxes[kPaneLines];
  bool changed[kPaneLines];
  CellChange cell_changes[kPaneLines];
  const int span = UpdateSlots(lines, count, surface->format, old_boxes, changed, cell_changes);
  bool composed = PaneLeft() >= 0 && PaneTop() >= 0;
  PANE_ROLLED_LOOP
  for (int i = 0; i < slots_in_use; ++i) composed = composed && (!slots[i].used || Inside(slots[i].box));
  if (composed && KeepCanvas(surface, icon, gauge)) {
    UpdateCanvas(icon, gauge, span, old_boxes, changed, cell_changes);
    slot_fonts = CurrentFonts();  // the bitmap fonts load at their first line
    SurfaceLock lock(surface);
    CopyCanvas(surface);
    return true;
  }
  // Drawn as it comes: the background, then each line on the surface.
  FreeCanvas();
  {
    SurfaceLock lock(surface);
    PutPaneBackground(surface, base.runs.h, icon, gauge);
  }
  PANE_ROLLED_LOOP
  for (int i = 0; i < slots_in_use; ++i) {
    const Slot& s = slots[i];
    if (s.used) DrawText(s.font, s.left, s.y, s.shown, s.colour);
  }
  slot_fonts = CurrentFonts();
  return true;
}

void ReleasePane() {
  FreeCanvas();
  ForgetLines();
  ReleaseGlyphCells();
  FreePixelRuns(&base.runs);
  base = PaneBase{};
}

long KeptPaneBytes() {
  long bytes = static_cast<long>(base.runs.bytes);
  if (canvas.pixels != nullptr) bytes += static_cast<long>(canvas.pixels->pitch) * canvas.pixels->h;
  return bytes + KeptGlyphCellBytes() + StripBytes();
}
