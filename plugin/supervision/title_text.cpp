#include "supervision/title_text.h"

#include <cstring>

// Polish, Hungarian, German, Nordic, Russian, Czech and Slovak letters in
// plain Latin letters. Four entries are C1 control codes: the byte values that
// code page 1252 uses for S, Z, s and z with caron, which some broadcasters
// send as character codes.
const Transliteration TransliterationTable[] = {
    {0x0105, "a"}, {0x0104, "A"}, {0x0107, "c"}, {0x0106, "C"},
    {0x0119, "e"}, {0x0118, "E"}, {0x0142, "l"}, {0x0141, "L"},
    {0x0144, "n"}, {0x0143, "N"}, {0x00F3, "o"}, {0x00D3, "O"},
    {0x015B, "s"}, {0x015A, "S"}, {0x017A, "z"}, {0x0179, "Z"},
    {0x017C, "z"}, {0x017B, "Z"}, {0x0150, "OE"}, {0x0151, "oe"},
    {0x00D5, "OE"}, {0x00F5, "oe"}, {0x0170, "UE"}, {0x0171, "ue"},
    {0x00DB, "UE"}, {0x00FB, "ue"}, {0x00E4, "ae"}, {0x00C4, "AE"},
    {0x00F6, "oe"}, {0x00D6, "OE"}, {0x00FC, "ue"}, {0x00DC, "UE"},
    {0x00DF, "ss"}, {0x00E5, "a"}, {0x00C5, "A"}, {0x00E6, "ae"},
    {0x00C6, "AE"}, {0x00F8, "0"}, {0x00D8, "0"}, {0x0410, "A"},
    {0x0430, "a"}, {0x0411, "B"}, {0x0431, "b"}, {0x0412, "V"},
    {0x0432, "v"}, {0x0413, "G"}, {0x0433, "g"}, {0x0414, "D"},
    {0x0434, "d"}, {0x0415, "E"}, {0x0435, "e"}, {0x0401, "E"},
    {0x0451, "e"}, {0x0416, "ZH"}, {0x0436, "zh"}, {0x0417, "Z"},
    {0x0437, "z"}, {0x0418, "I"}, {0x0438, "i"}, {0x0419, "I"},
    {0x0439, "i"}, {0x041A, "K"}, {0x043A, "k"}, {0x041B, "L"},
    {0x043B, "l"}, {0x041C, "M"}, {0x043C, "m"}, {0x041D, "N"},
    {0x043D, "n"}, {0x041E, "O"}, {0x043E, "o"}, {0x041F, "P"},
    {0x043F, "p"}, {0x0420, "R"}, {0x0440, "r"}, {0x0421, "S"},
    {0x0441, "s"}, {0x0422, "T"}, {0x0442, "t"}, {0x0423, "U"},
    {0x0443, "u"}, {0x0424, "F"}, {0x0444, "f"}, {0x0425, "KH"},
    {0x0445, "kh"}, {0x0426, "TS"}, {0x0446, "ts"}, {0x0427, "CH"},
    {0x0447, "ch"}, {0x0428, "SH"}, {0x0448, "sh"}, {0x0429, "SHCH"},
    {0x0449, "shch"}, {0x042A, ""}, {0x044A, ""}, {0x042B, "Y"},
    {0x044B, "y"}, {0x042C, ""}, {0x044C, ""}, {0x042D, "E"},
    {0x044D, "e"}, {0x042E, "YU"}, {0x044E, "yu"}, {0x042F, "YA"},
    {0x044F, "ya"}, {0x011B, "e"}, {0x011A, "E"}, {0x0115, "e"},
    {0x0114, "E"}, {0x00E9, "e"}, {0x00C9, "E"}, {0x00E1, "a"},
    {0x00C1, "A"}, {0x016F, "u"}, {0x016E, "U"}, {0x00FA, "u"},
    {0x00DA, "U"}, {0x0165, "t"}, {0x0164, "T"}, {0x010F, "d"},
    {0x010E, "D"}, {0x0148, "n"}, {0x0147, "N"}, {0x009A, "s"},
    {0x008A, "S"}, {0x0161, "s"}, {0x0160, "S"}, {0x010D, "c"},
    {0x010C, "C"}, {0x0159, "r"}, {0x0158, "R"}, {0x009E, "z"},
    {0x008E, "Z"}, {0x017E, "z"}, {0x017D, "Z"}, {0x00FD, "y"},
    {0x00DD, "Y"}, {0x00ED, "i"}, {0x00CD, "I"},
    {0, ""},
};

namespace {

uint16_t UnitAt(const unsigned char* units, size_t i) {
  return static_cast<uint16_t>(units[2 * i] << 8 | units[2 * i + 1]);
}

const char* Replacement(uint16_t code) {
  for (const Transliteration* row = TransliterationTable; row->code != 0; ++row)
    if (row->code == code) return row->text;
  return nullptr;
}

bool AllowedInFileName(unsigned char byte) {
  return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
         (byte >= 'a' && byte <= 'z') || (byte != 0 && std::strchr("-!$@&()", byte) != nullptr);
}

}  // namespace

int TitleToFileName(const unsigned char* units, size_t max_units, char* out, size_t size,
                    bool transliterate) {
  if (size == 0) return 0;
  size_t length = 0;
  for (size_t i = 0; i < max_units; ++i) {
    uint16_t code = UnitAt(units, i);
    if (code == 0) break;
    const char* text = transliterate ? Replacement(code) : nullptr;
    size_t text_length = text != nullptr ? std::strlen(text) : 1;
    if (length + text_length > size - 1) break;
    if (text != nullptr)
      std::memcpy(out + length, text, text_length);
    else
      out[length] = static_cast<char>(code & 0xFF);
    length += text_length;
  }
  out[length] = '\0';
  // Every appended byte is filtered, a zero low byte too (it becomes an
  // underscore instead of cutting the title short).
  for (size_t i = length; i-- > 0;)
    if (!AllowedInFileName(static_cast<unsigned char>(out[i]))) out[i] = '_';
  return 0;
}

int TitleToUtf8(const unsigned char* units, size_t max_units, char* out, size_t size,
                int replace) {
  if (size == 0) return 0;
  size_t length = 0;
  size_t room = size;
  for (size_t i = 0; i < max_units && room >= 7; ++i) {
    uint16_t code = UnitAt(units, i);
    if (code == 0) break;
    size_t before = length;
    if (code < 0x80) {
      bool unsafe = replace && (code < 0x20 || code == 0x7F ||
                                std::strchr(FileNameUnsafeChars, code) != nullptr);
      out[length++] = unsafe ? '_' : static_cast<char>(code);
    } else if (code < 0x800) {
      out[length++] = static_cast<char>(0xC0 | code >> 6);
      out[length++] = static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out[length++] = static_cast<char>(0xE0 | code >> 12);
      out[length++] = static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out[length++] = static_cast<char>(0x80 | (code & 0x3F));
    }
    room -= length - before;
  }
  out[length] = '\0';
  return 0;
}

void CutAtCharacter(char* text, size_t max_bytes) {
  if (strnlen(text, max_bytes + 1) <= max_bytes) return;
  size_t cut = max_bytes;
  // text[cut] is the first byte that no longer fits; when it continues a
  // character, the cut moves back to that character's lead byte.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text[cut] = '\0';
}
