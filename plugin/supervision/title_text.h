// The programme title as the host delivers it (16-bit code units, most
// significant byte first, ended by a zero unit) turned into text: an 8-bit
// file-name form with optional transliteration, and UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>

// A raw title holds at most 256 units (512 bytes); converted titles 256 bytes.
inline constexpr size_t kRawTitleUnits = 256;
inline constexpr size_t kTitleTextSize = 256;

// The replacement is held in the row (at most four characters, may be empty:
// the character is dropped), so that the table is plain read-only data the
// loader has no pointer to relocate in.
struct Transliteration {
  uint16_t code;
  char text[5];
};

// Searched from the top, ended by code 0.
extern const Transliteration TransliterationTable[];

// The characters a file name on the set's file systems must not hold.
inline constexpr const char FileNameUnsafeChars[] = "/\"?:<>*\\|";

// Converts up to `max_units` units (fewer when a zero unit comes first) into
// `out` (`size` bytes, at least 1): with `transliterate`, each character of
// TransliterationTable becomes its replacement, every other character its low
// byte; a replacement that no longer fits ends the text. Then every byte that
// is not a digit, an ASCII letter or one of - ! $ @ & ( ) becomes an
// underscore. Returns 0.
int TitleToFileName(const unsigned char* units, size_t max_units, char* out, size_t size,
                    bool transliterate);

// Converts up to `max_units` units into UTF-8 in `out` (`size` bytes),
// stopping when fewer than 7 bytes of room remain. With `replace` (a file
// name), one-byte characters of FileNameUnsafeChars and the control
// characters U+0001..U+001F and U+007F become an underscore. Returns 0.
int TitleToUtf8(const unsigned char* units, size_t max_units, char* out, size_t size,
                int replace);

// Shortens the zero-terminated `text` to at most `max_bytes` bytes, never
// inside a UTF-8 character: a character that does not fit whole is dropped
// with all its bytes. ASCII text is cut at max_bytes exactly.
void CutAtCharacter(char* text, size_t max_bytes);
