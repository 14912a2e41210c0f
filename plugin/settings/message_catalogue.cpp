#include "settings/message_catalogue.h"

#include <sys/stat.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/language.h"
#include "settings/settings_record.h"

MessageSlot mess[kMessageCount] = {};
// The host's side reads `mess` as 103 plain text pointers: new texts go into
// the extra table, never into this array.
static_assert(sizeof mess == 103 * sizeof(const char*));

namespace {

// Texts kMessageCount and up: slot n holds text kMessageCount + n.
MessageSlot extra_texts[kExtraMessageCount] = {};

constexpr char kMissingText[] = "?";

// One load's texts, one after another, each zero-terminated, behind a link to
// the block of the load before. Taken in a single allocation sized from the
// file.
struct TextBlock {
  TextBlock* older;
  char* Texts() { return reinterpret_cast<char*>(this + 1); }
};

std::atomic<int> loaded_language{-1};

// Loads (and FreeMessages) run one at a time: the key thread and the timer
// thread may both find the language changed. The flag also guards
// newest_block.
std::atomic<bool> load_busy{false};
TextBlock* newest_block = nullptr;

class LoadTurn {
 public:
  LoadTurn() {
    // A load takes milliseconds; wait in 1 ms steps.
    while (load_busy.exchange(true, std::memory_order_acquire)) {
      timespec step{0, 1000000};
      nanosleep(&step, nullptr);
    }
  }
  ~LoadTurn() { load_busy.store(false, std::memory_order_release); }
  LoadTurn(const LoadTurn&) = delete;
  LoadTurn& operator=(const LoadTurn&) = delete;
};

void PointAllSlotsAt(const char* text) {
  for (MessageSlot& slot : mess) slot.store(text, std::memory_order_release);
  for (MessageSlot& slot : extra_texts) slot.store(text, std::memory_order_release);
}

MessageSlot& SlotOf(int number) {
  return number < kMessageCount ? mess[number] : extra_texts[number - kMessageCount];
}

// The load of the catalogue for language; the caller holds the load turn.
void LoadTaken(int language) {
  char path[256];
  struct stat info;
  bool found = CataloguePath(path, sizeof path, LanguageCode(language)) &&
               stat(path, &info) == 0;
  if (!found) found = CataloguePath(path, sizeof path, "EN") && stat(path, &info) == 0;
  if (!found || info.st_size < kCatalogueMinBytes || info.st_size > kCatalogueMaxBytes) {
    // Tried again at the next screen: the loaded language stays.
    PointAllSlotsAt(kMissingText);
    return;
  }

  const size_t capacity = static_cast<size_t>(info.st_size);
  auto* block = static_cast<TextBlock*>(std::malloc(sizeof(TextBlock) + capacity));
  FILE* file = block != nullptr ? std::fopen(path, "re") : nullptr;
  if (file == nullptr) {
    std::free(block);
    PointAllSlotsAt(kMissingText);
    loaded_language.store(language, std::memory_order_release);
    return;
  }

  // The whole file goes into the block in one read; its lines are then
  // taken apart in place, piece by piece as a line buffer of
  // kCatalogueLineBuffer bytes would see them, and each text stays where it
  // is in the file. The file's size bounds what is read, even if it grew
  // since.
  char* const texts = block->Texts();
  const size_t length = std::fread(texts, 1, capacity, file);
  std::fclose(file);

  // The new texts are collected first and published together at the end, so
  // a reader never meets a slot between its old and its new text.
  const char* fresh[kCatalogueTextCount];
  for (const char*& text : fresh) text = kMissingText;
  // A piece's content ends at its line feed, or before at its first carriage
  // return or zero byte. The next of each of those in the file is looked up
  // only once the parse has passed the last one found: a file without them
  // (LF line ends) is searched for them once in all.
  char* const stop = texts + length;
  auto next = [stop](char* from, char wanted) {
    auto* found = static_cast<char*>(std::memchr(from, wanted, static_cast<size_t>(stop - from)));
    return found != nullptr ? found : stop;
  };
  char* next_return = next(texts, '\r');
  char* next_zero = next(texts, '\0');
  bool used = false;
  for (size_t at = 0; at < length;) {
    char* piece = texts + at;
    const size_t piece_length = CataloguePieceLength(piece, length - at);
    at += piece_length;
    if (next_return < piece) next_return = next(piece, '\r');
    if (next_zero < piece) next_zero = next(piece, '\0');
    char* content_end = piece + piece_length;
    if (content_end[-1] == '\n') --content_end;
    if (next_return < content_end) content_end = next_return;
    if (next_zero < content_end) content_end = next_zero;
    CatalogueEntry entry;
    if (ParseCatalogueContent(piece, static_cast<size_t>(content_end - piece), &entry) !=
        CatalogueLine::kEntry)
      continue;
    if (entry.number < 0 || entry.number >= kCatalogueTextCount) continue;
    // Each text is ended where it stands: on the line end that follows it
    // in its piece, or, when the text runs to the piece's last byte (a long
    // line cut by the line buffer, or the file's end), one byte lower, over
    // the "=" before it, so that the next piece stays untouched.
    char* text = const_cast<char*>(entry.text);
    if (content_end == piece + piece_length) {
      std::memmove(text - 1, text, entry.length);
      --text;
    }
    text[entry.length] = '\0';
    fresh[entry.number] = text;
    used = true;
  }

  for (int n = 0; n < kCatalogueTextCount; ++n) SlotOf(n).store(fresh[n], std::memory_order_release);
  if (!used) {
    std::free(block);  // no slot points into it
  } else {
    block->older = newest_block;
    newest_block = block;
  }
  loaded_language.store(language, std::memory_order_release);
}

}  // namespace

const char* Message(int number) {
  if (number < 0 || number >= kCatalogueTextCount) return kMissingText;
  const char* text = SlotOf(number).load(std::memory_order_acquire);
  return text != nullptr ? text : kMissingText;
}

void LoadMessages() {
  LoadTurn turn;
  LoadTaken(settings.language.load(std::memory_order_relaxed));
}

void RefreshMessages() {
  int host = HostLanguage();
  settings.language.store(host, std::memory_order_relaxed);
  if (host == loaded_language.load(std::memory_order_acquire)) return;
  LoadTurn turn;
  // While this thread waited, the other may have loaded, or the TV's language
  // may have moved on: ask again, so a stale answer never overwrites a newer
  // load.
  host = HostLanguage();
  settings.language.store(host, std::memory_order_relaxed);
  if (host != loaded_language.load(std::memory_order_acquire)) LoadTaken(host);
}

void FreeMessages() {
  LoadTurn turn;
  PointAllSlotsAt(nullptr);
  while (newest_block != nullptr) {
    TextBlock* older = newest_block->older;
    std::free(newest_block);
    newest_block = older;
  }
  loaded_language.store(-1, std::memory_order_release);
}

int LoadedLanguage() { return loaded_language.load(std::memory_order_acquire); }

bool CataloguePath(char* out, size_t size, const char* code) {
  return HomePathJoin(out, size, {"messages_", code, ".txt"});
}
