#include "sim/screen/screen_reader.h"

#include <SDL_image.h>
#include <dirent.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <sstream>

#include "display/glyph_tables.h"
#include "sim/host/log/host_log.h"
#include "sim/screen/screen.h"
#include "sim/screen/screen_internal.h"
#include "supervision/status_notices.h"

namespace sim {
namespace {

constexpr size_t kPitch = kScreenWidth * 4;
constexpr size_t kPixelBytes = kPitch * kScreenHeight;
// The status band (supervision/status_notices.h): rows 9 to 49 from
// column 140; its text's top row is one of its first rows.
constexpr ScreenRect kBand{140, 9, kScreenWidth, 50};
constexpr int kBandRowsTried = 9;
// Screens closed lately, whose images the plug-in may still keep and draw
// again without decoding them.
constexpr size_t kClosedKept = 8;

ScreenRect Union(const ScreenRect& a, const ScreenRect& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

bool Intersects(const ScreenRect& a, const ScreenRect& b) {
  return !a.empty() && !b.empty() && a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

// Whether a lies over most of b or b over most of a: a text drawn where
// another was (rows of text may touch at their edges without replacing).
bool Covers(const ScreenRect& a, const ScreenRect& b) {
  if (!Intersects(a, b)) return false;
  const long common = static_cast<long>(std::min(a.x1, b.x1) - std::max(a.x0, b.x0)) *
                      (std::min(a.y1, b.y1) - std::max(a.y0, b.y0));
  const long smaller = std::min(static_cast<long>(a.x1 - a.x0) * (a.y1 - a.y0),
                                static_cast<long>(b.x1 - b.x0) * (b.y1 - b.y0));
  return 2 * common >= smaller;
}

// Whether a and b overlap or touch (a pane sliding in row by row).
bool Touches(const ScreenRect& a, const ScreenRect& b) {
  return Intersects({a.x0 - 1, a.y0 - 1, a.x1 + 1, a.y1 + 1}, b);
}

bool Inside(const ScreenRect& inner, const ScreenRect& outer) {
  return !inner.empty() && inner.x0 >= outer.x0 && inner.y0 >= outer.y0 && inner.x1 <= outer.x1 &&
         inner.y1 <= outer.y1;
}

// The screens the skin's images make; the first one decoded in this list
// names the screen.
struct ImageKind {
  const char* image;
  const char* kind;
};
constexpr ImageKind kImageKinds[] = {
    {"toolbox_footer", "settings screen"}, {"warnbox_ext", "delete dialog"}, {"warnbox", "message box"},
    {"icon_red", "summary"},               {"toolbox_header", "summary"},    {"infopane", "information pane"},
    {"icon_rec", "record icon"},           {"icon_stoprec", "stopping icon"}, {"icon_stop", "stop icon"},
    {"icon_no", "refused icon"},           {"icon_script", "script icon"},
};

bool Iconic(const std::string& kind) { return kind.size() > 4 && kind.compare(kind.size() - 4, 4, "icon") == 0; }

// The pane's figures change every second: only its first texts are said.
bool FollowsChanges(const std::string& kind) { return kind != "information pane"; }

std::string KindName(const std::string& kind) { return kind.empty() ? "text" : kind; }

std::vector<std::string> SplitRows(const std::string& text) {
  std::vector<std::string> rows;
  for (size_t at = 0; at <= text.size();) {
    size_t end = text.find(" | ", at);
    if (end == std::string::npos) end = text.size();
    rows.push_back(text.substr(at, end - at));
    at = end + 3;
  }
  return rows;
}

// The rows of now that were not rows of before; all of now when none is new.
std::string NewRows(const std::string& before, const std::string& now) {
  std::vector<std::string> old_rows = SplitRows(before), added;
  for (const std::string& row : SplitRows(now)) {
    auto found = std::find(old_rows.begin(), old_rows.end(), row);
    if (found != old_rows.end()) {
      old_rows.erase(found);
    } else {
      added.push_back(row);
    }
  }
  if (added.empty()) return now;
  std::string text;
  for (const std::string& row : added) text += (text.empty() ? "" : " | ") + row;
  return text;
}

// Glyph index -> UTF-8 text of the bitmap fonts (ASCII and the two-byte
// letters of glyph_tables.h); blanks for the rest.
const std::vector<std::string>& GlyphTexts() {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> table(128, " ");
    for (int c = 33; c < 127; ++c) table[c] = std::string(1, static_cast<char>(c));
    for (int lead = 0xC2; lead <= 0xDF; ++lead) {
      for (int trail = 0x80; trail <= 0xBF; ++trail) {
        const char unit[3] = {static_cast<char>(lead), static_cast<char>(trail), '\0'};
        const int glyph = GlyphIndex(unit);
        if (glyph != kMissingGlyph && glyph > 0 && glyph < 128) table[glyph] = unit;
      }
    }
    return table;
  }();
  return texts;
}

// Whether glyph g of the big font lies at (x, y) of the overlay: its 32
// rows below the 3 lead rows, the colours of each pixel as the font image
// has them (alpha is scaled on the way; colours are copied).
bool BigGlyphAt(const uint8_t* bgra, SDL_Surface* font, int g, int x, int y) {
  // A glyph that would pass the right edge starts a new line: drawn glyphs
  // lie whole on the screen.
  const int visible = BigGlyphTable[g].width;
  const int bytes = font->format->BytesPerPixel;
  const long image_size = static_cast<long>(font->pitch) * font->h;
  const auto* image = static_cast<const uint8_t*>(font->pixels);
  if (visible <= 0 || x + visible > kScreenWidth || y + kBigLeadRows + kBigGlyphRows > kScreenHeight)
    return false;
  for (int row = 0; row < kBigGlyphRows; ++row) {
    const long base = BigGlyphTable[g].offset + static_cast<long>(row) * font->pitch;
    const uint8_t* out = bgra + (static_cast<size_t>(y + kBigLeadRows + row) * kScreenWidth + x) * 4;
    for (int column = 0; column < visible; ++column) {
      const long at = base + static_cast<long>(column) * bytes;
      if (at + 3 > image_size) return false;
      const uint8_t* in = image + at;
      if (out[column * 4] != in[2] || out[column * 4 + 1] != in[1] || out[column * 4 + 2] != in[0]) return false;
    }
  }
  return true;
}

// The glyph at (x, y): the widest that matches, a blank cell only when no
// letter does. -1 for none.
int BigGlyphFound(const uint8_t* bgra, SDL_Surface* font, int x, int y) {
  int found = -1;
  for (int g = 0; g < 128; ++g) {
    if (g == ' ' || BigGlyphTable[g].width == 0) continue;
    if (found >= 0 && BigGlyphTable[g].width <= BigGlyphTable[found].width && GlyphTexts()[found] != " ")
      continue;
    if (!BigGlyphAt(bgra, font, g, x, y)) continue;
    if (found < 0 || GlyphTexts()[found] == " " || BigGlyphTable[g].width > BigGlyphTable[found].width)
      found = g;
  }
  return found;
}

// Whether every pixel of rect has the same four bytes.
bool OneColour(const uint8_t* bgra, const ScreenRect& rect) {
  const uint8_t* first = bgra + (static_cast<size_t>(rect.y0) * kScreenWidth + rect.x0) * 4;
  for (int y = rect.y0; y < rect.y1; ++y)
    for (int x = rect.x0; x < rect.x1; ++x)
      if (std::memcmp(bgra + (static_cast<size_t>(y) * kScreenWidth + x) * 4, first, 4) != 0) return false;
  return true;
}

}  // namespace

std::string ReadBigText(const uint8_t* bgra, SDL_Surface* font, int x, int y) {
  if (font == nullptr || font->format->BytesPerPixel < 3 || x < 0 || y < 0) return "";
  SDL_LockSurface(font);
  std::string text;
  while (x < kScreenWidth) {
    int glyph = BigGlyphFound(bgra, font, x, y);
    if (glyph < 0) {
      // A blank is not drawn: what was under it shows, one colour, and the
      // text goes on after it; else the text has ended.
      const int after = x + BigGlyphTable[' '].width;
      if (after >= kScreenWidth || !OneColour(bgra, {x, y + kBigLeadRows, after, y + kBigLeadRows + kBigGlyphRows}) ||
          BigGlyphFound(bgra, font, after, y) < 0)
        break;
      text += ' ';
      x = after;
      continue;
    }
    text += GlyphTexts()[glyph];
    x += BigGlyphTable[glyph].width;
  }
  SDL_UnlockSurface(font);
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string TextRows(std::vector<std::pair<std::string, ScreenRect>> texts) {
  std::stable_sort(texts.begin(), texts.end(), [](const auto& a, const auto& b) {
    return a.second.y0 != b.second.y0 ? a.second.y0 < b.second.y0 : a.second.x0 < b.second.x0;
  });
  // A text joins the row when its middle lies within the row's first text.
  std::vector<std::vector<std::pair<std::string, ScreenRect>>> rows;
  for (const auto& text : texts) {
    const int middle = (text.second.y0 + text.second.y1) / 2;
    if (rows.empty() || middle >= rows.back().front().second.y1) rows.emplace_back();
    rows.back().push_back(text);
  }
  std::string line;
  for (auto& row : rows) {
    std::stable_sort(row.begin(), row.end(), [](const auto& a, const auto& b) { return a.second.x0 < b.second.x0; });
    std::string words;
    for (const auto& text : row) words += (words.empty() ? "" : " ") + text.first;
    line += (line.empty() ? "" : " | ") + words;
  }
  return line;
}

ScreenReader::ScreenReader(SDL_Surface* big_font) : big_font_(big_font) {}

void ScreenReader::TextDrawn(const std::string& text, const ScreenRect& where) {
  if (!where.empty()) drawn_.push_back({text, where});
}

void ScreenReader::ImageDecoded(const std::string& name) { images_.push_back(name); }

bool ScreenReader::Transparent(const uint8_t* bgra, const ScreenRect& rect) const {
  for (int y = std::max(rect.y0, 0); y < std::min(rect.y1, kScreenHeight); ++y)
    for (int x = std::max(rect.x0, 0); x < std::min(rect.x1, kScreenWidth); ++x)
      if (bgra[(static_cast<size_t>(y) * kScreenWidth + x) * 4 + 3] != 0) return false;
  return true;
}

void ScreenReader::Close(size_t index, std::vector<std::string>* lines) {
  Screen screen = std::move(screens_[index]);
  screens_.erase(screens_.begin() + static_cast<long>(index));
  if (screen.logged) lines->push_back("screen: " + KindName(screen.kind) + " closed");
  if (screen.kind.empty()) return;
  screen.texts.clear();
  screen.logged = false;
  screen.said.clear();
  closed_.push_back(std::move(screen));
  if (closed_.size() > kClosedKept) closed_.erase(closed_.begin());
}

void ScreenReader::Say(Screen& screen, std::vector<std::string>* lines) {
  std::vector<std::pair<std::string, ScreenRect>> texts;
  for (const Text& text : screen.texts) texts.emplace_back(text.text, text.rect);
  const std::string text = TextRows(texts);
  const std::string name = KindName(screen.kind);
  if (!screen.logged) {
    if (Iconic(screen.kind)) {
      lines->push_back("screen: " + name + (text.empty() ? "" : ": " + text));
    } else if (!text.empty()) {
      lines->push_back("screen: " + name + ": " + text);
    } else {
      return;  // said once it has its texts
    }
    screen.logged = true;
  } else if (text != screen.said && !text.empty() && FollowsChanges(screen.kind)) {
    lines->push_back("screen: " + name + " now: " + NewRows(screen.said, text));
  }
  screen.said = text;
}

std::vector<std::string> ScreenReader::Flipped(const uint8_t* bgra) {
  std::vector<std::string> lines;
  if (previous_.size() != kPixelBytes) previous_.assign(kPixelBytes, 0);
  // What changed since the last flip (each row's span), and the bounds of
  // what changed and of what is drawn there now (alpha above 0).
  std::vector<std::pair<int, int>> spans(kScreenHeight, {0, 0});
  ScreenRect changed, drawn{kScreenWidth, kScreenHeight, 0, 0};
  for (int y = 0; y < kScreenHeight; ++y) {
    const uint8_t* now = bgra + y * kPitch;
    const uint8_t* before = previous_.data() + y * kPitch;
    if (std::memcmp(now, before, kPitch) == 0) continue;
    int first = -1, last = -1;
    for (int x = 0; x < kScreenWidth; ++x) {
      if (std::memcmp(now + x * 4, before + x * 4, 4) == 0) continue;
      if (first < 0) first = x;
      last = x;
      if (now[x * 4 + 3] != 0) {
        drawn.x0 = std::min(drawn.x0, x);
        drawn.x1 = std::max(drawn.x1, x + 1);
        drawn.y0 = std::min(drawn.y0, y);
        drawn.y1 = std::max(drawn.y1, y + 1);
      }
    }
    spans[y] = {first, last + 1};
    changed = Union(changed, ScreenRect{first, y, last + 1, y + 1});
  }
  if (drawn.empty()) drawn = {};
  std::memcpy(previous_.data(), bgra, kPixelBytes);
  const auto changed_in = [&spans](const ScreenRect& rect) {
    for (int y = std::max(rect.y0, 0); y < std::min(rect.y1, kScreenHeight); ++y)
      if (spans[y].first < rect.x1 && rect.x0 < spans[y].second) return true;
    return false;
  };

  // Screens whose region turned transparent have gone.
  for (size_t i = screens_.size(); i-- > 0;)
    if (Intersects(screens_[i].region, changed) && Transparent(bgra, screens_[i].region)) Close(i, &lines);

  // The status band's text.
  if (big_font_ != nullptr && Intersects(changed, kBand)) {
    std::string best;
    int best_letters = 0;
    for (int y = kBand.y0; y < kBand.y0 + kBandRowsTried; ++y) {
      std::string text = ReadBigText(bgra, big_font_, kBandTextX, y);
      const int letters = static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) { return c != ' '; }));
      if (letters > best_letters) {
        best = text;
        best_letters = letters;
      }
    }
    // Letters the big font lacks are drawn with the TrueType face: its text,
    // as the face rendered it, stands for what the pixels cannot say. A
    // band that changed but still shows something keeps the text said.
    if (best.empty() && !band_faces_.empty()) best = band_faces_.back();
    else if (best.empty() && !band_.said.empty() && !Transparent(bgra, kBand)) best = band_.said;
    if (best != band_.said) {
      if (!band_.said.empty()) lines.push_back("screen: notice closed");
      if (!best.empty()) lines.push_back("screen: notice: " + best);
      band_.said = best;
    }
  }

  // What was drawn, outside the band's own frames.
  ScreenRect area = Inside(drawn, kBand) ? ScreenRect{} : drawn;
  for (const Text& text : drawn_) area = Union(area, text.rect);
  const char* kind = nullptr;
  for (const ImageKind& candidate : kImageKinds) {
    if (std::find(images_.begin(), images_.end(), candidate.image) != images_.end()) {
      kind = candidate.kind;
      break;
    }
  }
  // The open screen drawn on: the last one the rectangle lies on, or for
  // pixels also touches (-1: none).
  const auto screen_at = [this](const ScreenRect& rect, bool touching) -> long {
    for (size_t i = screens_.size(); i-- > 0;)
      if (touching ? Touches(screens_[i].region, rect) : Intersects(screens_[i].region, rect))
        return static_cast<long>(i);
    return -1;
  };
  // Else a screen closed there lately, drawn again with its kept images,
  // else a screen known by its pixels only.
  const auto open_at = [this, &screen_at](const ScreenRect& rect, bool touching) -> size_t {
    if (long open = screen_at(rect, touching); open >= 0) return static_cast<size_t>(open);
    for (size_t i = closed_.size(); i-- > 0;) {
      if (!Intersects(closed_[i].region, rect)) continue;
      screens_.push_back(std::move(closed_[i]));
      closed_.erase(closed_.begin() + static_cast<long>(i));
      return screens_.size() - 1;
    }
    screens_.push_back({"", rect, {}, "", false});
    return screens_.size() - 1;
  };
  const auto add_text = [this](size_t index, const Text& text) {
    auto& texts = screens_[index].texts;
    texts.erase(std::remove_if(texts.begin(), texts.end(),
                               [&text](const Text& old) { return Covers(old.rect, text.rect); }),
                texts.end());
    texts.push_back(text);
    screens_[index].region = Union(screens_[index].region, text.rect);
  };
  std::vector<Text> fresh = std::move(drawn_);
  drawn_.clear();
  if (kind != nullptr && !area.empty()) {
    // The same screen drawn anew, or a new one over whatever it covers.
    long same = -1;
    for (size_t i = 0; i < screens_.size(); ++i)
      if (screens_[i].kind == kind && Intersects(screens_[i].region, area)) same = static_cast<long>(i);
    for (size_t i = screens_.size(); i-- > 0;) {
      if (static_cast<long>(i) == same || !Intersects(screens_[i].region, area)) continue;
      if (static_cast<long>(i) < same) --same;
      Close(i, &lines);
    }
    if (same < 0) {
      screens_.push_back({kind, area, {}, "", false});
      same = static_cast<long>(screens_.size()) - 1;
    }
    screens_[same].region = Union(screens_[same].region, area);
    for (const Text& text : fresh) add_text(static_cast<size_t>(same), text);
  } else {
    for (const Text& text : fresh) add_text(open_at(text.rect, false), text);
    // Pixels drawn next to a screen are its own (a pane sliding in).
    const ScreenRect pixels = Inside(drawn, kBand) ? ScreenRect{} : drawn;
    if (!pixels.empty()) {
      const size_t index = open_at(pixels, true);
      screens_[index].region = Union(screens_[index].region, pixels);
    }
  }
  images_.clear();

  // Texts painted over and not drawn again have gone from their screen.
  for (Screen& screen : screens_) {
    auto& texts = screen.texts;
    texts.erase(std::remove_if(texts.begin(), texts.end(),
                               [&](const Text& text) {
                                 if (!changed_in(text.rect)) return false;
                                 for (const Text& now : fresh)
                                   if (now.text == text.text && Covers(now.rect, text.rect)) return false;
                                 return true;
                               }),
                texts.end());
  }
  for (Screen& screen : screens_) Say(screen, &lines);
  band_faces_.clear();
  return lines;
}

void ScreenReader::BandFaceDrawn(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return;
  band_faces_.push_back(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::vector<std::string> ScreenReader::Gone() {
  std::vector<std::string> lines;
  while (!screens_.empty()) Close(screens_.size() - 1, &lines);
  if (!band_.said.empty()) lines.push_back("screen: notice closed");
  band_.said.clear();
  band_faces_.clear();
  closed_.clear();
  drawn_.clear();
  images_.clear();
  previous_.assign(kPixelBytes, 0);
  return lines;
}

// ---- The simulator's reader.

namespace {

// A text drawn into a composed surface: its rectangle in the surface's own
// pixels, and whether the reader was told of it since it was drawn.
struct ComposedText {
  std::string text;
  ScreenRect rect;
  bool told = false;
};

// A surface composed off the overlay, and the texts drawn into it.
struct ComposedSurface {
  const SDL_Surface* surface = nullptr;
  std::vector<ComposedText> texts;
  bool on_overlay = false;  // found on the overlay at the last flip
};

// Rows of a line the big font's face renders (26 points), more than the
// small fonts' face gives (15 points).
constexpr int kBandFaceRows = 24;

// Composed screens are at least this many rows (text renderings are fewer).
constexpr int kComposedMinRows = 64;

struct ReaderState {
  std::mutex mutex;
  std::atomic<bool> started{false};
  std::string home_dir;
  SDL_Surface* big_font = nullptr;
  ScreenReader* reader = nullptr;
  // Texts rendered and not yet put on the overlay (a few at a time).
  std::vector<std::pair<const SDL_Surface*, std::string>> rendered;
  // Skin images by the hash of their decoded pixels, made on first use.
  std::map<uint64_t, std::string> images;
  bool images_known = false;
  // Guards `composed` alone: surfaces are freed under `mutex` too (the
  // home folder's images), so it is taken after `mutex`, never before.
  std::mutex composed_mutex;
  std::vector<ComposedSurface> composed;
};

ReaderState& Reader() {
  static ReaderState* state = new ReaderState;  // never destroyed: flips may come late
  return *state;
}

// Decoding the home folder's images here must not count as the plug-in's.
thread_local bool reading_home = false;

uint64_t PixelHash(const SDL_Surface* image) {
  uint64_t hash = 1469598103934665603ull;
  const auto mix = [&hash](uint8_t byte) { hash = (hash ^ byte) * 1099511628211ull; };
  const int bytes = image->format->BytesPerPixel;
  for (int value : {image->w, image->h, bytes}) mix(static_cast<uint8_t>(value)), mix(static_cast<uint8_t>(value >> 8));
  const auto* pixels = static_cast<const uint8_t*>(image->pixels);
  for (int y = 0; y < image->h; ++y)
    for (int i = 0; i < image->w * bytes; ++i) mix(pixels[static_cast<size_t>(y) * image->pitch + i]);
  return hash;
}

// Every PNG of the folder: its name without ".png" and its hash.
void HashFolder(ReaderState& state, const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() <= 4 || name.compare(name.size() - 4, 4, ".png") != 0) continue;
    SDL_Surface* image = IMG_Load((folder + "/" + name).c_str());
    if (image == nullptr) continue;
    state.images.emplace(PixelHash(image), name.substr(0, name.size() - 4));
    SDL_FreeSurface(image);
  }
  closedir(dir);
}

void Log(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) HostLog(line);
}

// A text drawn into `target`, which is a composed surface or a view into
// one's pixels (a surface made over a part of them): kept with its place in
// the composed surface, replacing the texts it covers there.
void DrawnIntoComposed(ReaderState& state, const SDL_Surface* target, const std::string& text, ScreenRect rect) {
  std::lock_guard<std::mutex> lock(state.composed_mutex);
  const auto* pixels = static_cast<const uint8_t*>(target->pixels);
  for (ComposedSurface& composed : state.composed) {
    const SDL_Surface* owner = composed.surface;
    const auto* first = static_cast<const uint8_t*>(owner->pixels);
    const uint8_t* end = first + static_cast<size_t>(owner->pitch) * owner->h;
    if (pixels < first || pixels >= end || target->pitch != owner->pitch) continue;
    const long offset = pixels - first;
    const int x = static_cast<int>(offset % owner->pitch) / 4, y = static_cast<int>(offset / owner->pitch);
    rect = {rect.x0 + x, rect.y0 + y, rect.x1 + x, rect.y1 + y};
    auto& texts = composed.texts;
    std::erase_if(texts, [&rect](const ComposedText& old) { return Covers(old.rect, rect); });
    texts.push_back({text, rect, false});
    return;
  }
}

// Where composed's pixels lie whole on the overlay: centred at its foot, as
// the plug-in puts its composed pane; false when they are not there.
bool FindComposed(const uint8_t* bgra, const SDL_Surface* composed, int* left, int* top) {
  const int w = composed->w, h = composed->h;
  if (w > kScreenWidth || h > kScreenHeight) return false;
  *left = (kScreenWidth - w) / 2;
  *top = kScreenHeight - h;
  const auto* pixels = static_cast<const uint8_t*>(composed->pixels);
  for (int r = 0; r < h; ++r)
    if (std::memcmp(bgra + (*top + r) * kPitch + *left * 4, pixels + r * composed->pitch, w * 4) != 0) return false;
  return true;
}

}  // namespace

void StartScreenReader(const std::string& home_dir) {
  ReaderState& state = Reader();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.started) return;
  state.home_dir = home_dir;
  reading_home = true;
  state.big_font = IMG_Load((home_dir + "/fonts/font32.png").c_str());
  reading_home = false;
  state.reader = new ScreenReader(state.big_font);
  state.started = true;
}

bool ScreenReaderStarted() { return Reader().started; }

void ReaderTextRendered(const SDL_Surface* rendered, const char* text) {
  ReaderState& state = Reader();
  if (!state.started || rendered == nullptr || text == nullptr) return;
  std::lock_guard<std::mutex> lock(state.mutex);
  constexpr size_t kKept = 16;
  if (state.rendered.size() >= kKept) state.rendered.erase(state.rendered.begin());
  state.rendered.emplace_back(rendered, text);
}

void ReaderBlit(const SDL_Surface* source, const SDL_Surface* target, const SDL_Rect& where) {
  ReaderState& state = Reader();
  if (!state.started) return;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    if (std::none_of(state.rendered.begin(), state.rendered.end(),
                     [source](const auto& entry) { return entry.first == source; }))
      return;
  }
  const bool onto_overlay = IsOverlay(target);
  std::lock_guard<std::mutex> lock(state.mutex);
  for (auto entry = state.rendered.begin(); entry != state.rendered.end(); ++entry) {
    if (entry->first != source) continue;
    const ScreenRect rect{where.x, where.y, where.x + where.w, where.y + where.h};
    if (onto_overlay) state.reader->TextDrawn(entry->second, rect);
    else DrawnIntoComposed(state, target, entry->second, rect);
    state.rendered.erase(entry);
    return;
  }
}

void ReaderSurfaceCreated(const SDL_Surface* surface) {
  ReaderState& state = Reader();
  if (!state.started || surface == nullptr || surface->h < kComposedMinRows ||
      surface->format->BytesPerPixel != 4 || IsOverlay(surface))
    return;
  std::lock_guard<std::mutex> lock(state.composed_mutex);
  state.composed.push_back({surface, {}});
}

void ReaderSurfaceFreed(const SDL_Surface* surface) {
  ReaderState& state = Reader();
  if (!state.started || surface == nullptr) return;
  if (!reading_home) {  // (the home folder's images are freed under `mutex`)
    // A text rendering freed without a blit: the plug-in read its coverage
    // and drew the face's letters itself, in a bitmap font's place. The big
    // font's face (the status band) renders lines of kBandFaceRows or more.
    std::lock_guard<std::mutex> lock(state.mutex);
    for (auto entry = state.rendered.begin(); entry != state.rendered.end(); ++entry) {
      if (entry->first != surface) continue;
      if (surface->h >= kBandFaceRows) state.reader->BandFaceDrawn(entry->second);
      state.rendered.erase(entry);
      break;
    }
  }
  std::lock_guard<std::mutex> lock(state.composed_mutex);
  std::erase_if(state.composed, [surface](const ComposedSurface& c) { return c.surface == surface; });
}

void ReaderImageDecoded(const SDL_Surface* image) {
  ReaderState& state = Reader();
  if (!state.started || reading_home || image == nullptr) return;
  std::lock_guard<std::mutex> lock(state.mutex);
  if (!state.images_known) {
    state.images_known = true;
    reading_home = true;
    HashFolder(state, state.home_dir + "/osd");
    reading_home = false;
  }
  auto found = state.images.find(PixelHash(image));
  if (found != state.images.end()) state.reader->ImageDecoded(found->second);
}

void ReaderFlip(const uint8_t* bgra) {
  ReaderState& state = Reader();
  if (!state.started) return;
  std::vector<std::string> lines;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    // Texts of composed surfaces copied onto the overlay, as if drawn there
    // when the copy came: those drawn into it since the last flip, or all
    // of them when it has just come onto the overlay.
    std::lock_guard<std::mutex> composed_lock(state.composed_mutex);
    for (ComposedSurface& composed : state.composed) {
      int left = 0, top = 0;
      const bool found = !composed.texts.empty() && FindComposed(bgra, composed.surface, &left, &top);
      for (ComposedText& text : composed.texts) {
        if (!found || (text.told && composed.on_overlay)) continue;
        const ScreenRect& r = text.rect;
        state.reader->TextDrawn(text.text, {r.x0 + left, r.y0 + top, r.x1 + left, r.y1 + top});
        text.told = true;
      }
      composed.on_overlay = found;
    }
    lines = state.reader->Flipped(bgra);
  }
  Log(lines);
}

void ReaderOverlayGone() {
  ReaderState& state = Reader();
  if (!state.started) return;
  std::vector<std::string> lines;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    lines = state.reader->Gone();
    state.rendered.clear();
  }
  Log(lines);
}

}  // namespace sim
