// The catalogue of user texts in the TV's menu language, exported as `mess`:
// slot n holds text n. Texts from kMessageCount (103) on come from the same
// file into a table of kExtraMessageCount slots that is not exported (the
// exported array keeps its 103 slots); Message reaches both alike. Slots are
// empty until the first load; from then on every slot of both points at a
// text, "?" when the file had none for it.
//
// Texts stay valid while another thread reloads: a load writes the texts of
// the file into a fresh block and only then switches each slot (of both
// tables) to its new text, so a reader sees the old or the new text, never a
// half-written one and never "?" in between. A block that slots pointed to is never freed while
// the library is in use: a drawing thread may hold a text from it for as long
// as it likes (a notice holds its text for three seconds), and nothing tells
// the loader when that ends. Blocks are released only by FreeMessages. The
// cost is one block per change of the TV's menu language (the size of that
// language's file, a few kilobytes); loads happen only on such a change.
#pragma once

#include <atomic>
#include <cstddef>

#include "export.h"
#include "settings/catalogue_format.h"

// A slot has the size and representation of a plain pointer, so the exported
// array keeps the layout of 103 text pointers. The loader publishes a text
// with a release store; readers load with acquire (Message, or the implicit
// conversion, which is stronger still).
using MessageSlot = std::atomic<const char*>;
static_assert(sizeof(MessageSlot) == sizeof(const char*) &&
              alignof(MessageSlot) == alignof(const char*));

extern "C" RECOLYX_EXPORT MessageSlot mess[kMessageCount];

// Text n of the catalogue, from `mess` for 0..102 and from the extra table
// for 103 up to kCatalogueTextCount - 1; "?" for a number outside those or an
// empty slot.
const char* Message(int number);

// Builds home_dir + "messages_" + code + ".txt" into out (HomePathJoin).
// False, with out emptied, when it does not fit `size` or the name below
// home_dir takes 256 bytes or more.
bool CataloguePath(char* out, size_t size, const char* code);

// (Re)fills the slots from home_dir + "messages_XX.txt" of the language in
// settings.language (the "EN" file when that language has none).
void LoadMessages();

// Releases every text block and empties the slots of both tables; loaded
// language -1. For
// whoever unloads the library: no text may be in use when it runs.
void FreeMessages();

// The refresh rule every screen follows before it draws text: stores the
// host's language in settings.language and loads the catalogue when it is not
// the one loaded.
void RefreshMessages();

// The host language number of the last load; -1 before the first.
int LoadedLanguage();
