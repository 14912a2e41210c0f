// The second settings file, "recolyx_extra.cfg" in the home folder: the
// settings that came after the 940-byte record, whose layout the loader and
// every stored settings file rely on and which therefore never grows.
//
// The file: the four bytes "RXE1", a little-endian int32 with the number of
// setting words that follow, then those words (little-endian int32) in the
// order of ExtraSettingInfos. A file with fewer words than the plug-in knows
// (written by an older one) gives the missing settings their defaults; words
// beyond the known ones (written by a newer one) are skipped. Pure: shared
// by the plug-in and the programs that read or write its files.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr char kExtraSettingsFileName[] = "recolyx_extra.cfg";
// The temporary file a save writes first: no longer than the file's name.
inline constexpr char kExtraSettingsTemporaryName[] = "recolyx_extra.tmp";
static_assert(sizeof kExtraSettingsTemporaryName <= sizeof kExtraSettingsFileName);

struct ExtraSettingInfo {
  const char* name;   // the setting's field name
  int32_t initial;    // its default, also for a value outside low..high
  int32_t low, high;  // the values it takes
};

// The settings of the file, in file order. New settings are appended.
inline constexpr ExtraSettingInfo ExtraSettingInfos[] = {
    // A recording whose disk fills or disappears goes on on the other
    // destination (flag).
    {"failover", 1, 0, 1},
};
inline constexpr int kExtraSettingCount = sizeof ExtraSettingInfos / sizeof ExtraSettingInfos[0];

// The tag, the word count, and at most this many words: a longer file is
// not one of ours.
inline constexpr int kExtraSettingsMaxWords = 64;
inline constexpr size_t kExtraSettingsHeaderBytes = 8;
inline constexpr size_t kExtraSettingsMaxBytes = kExtraSettingsHeaderBytes + 4 * kExtraSettingsMaxWords;
// The bytes of a file written now.
inline constexpr size_t kExtraSettingsBytes = kExtraSettingsHeaderBytes + 4 * kExtraSettingCount;

// The index of the setting called name in ExtraSettingInfos, -1 for none.
int FindExtraSetting(const char* name);

// Writes the file's bytes for values[0..kExtraSettingCount-1] into out.
// Returns kExtraSettingsBytes, or 0 (nothing written) when size is smaller.
size_t EncodeExtraSettings(const int32_t* values, unsigned char* out, size_t size);

// Reads the file's bytes into values[0..kExtraSettingCount-1]: every value
// starts at its default; a file whose tag differs, whose count is negative or
// above kExtraSettingsMaxWords, or whose length is not exactly the header
// and its words leaves all defaults and returns false. Otherwise each word
// the file has for a known setting is taken when it lies in the setting's
// range (else the default stays), and true comes back.
bool DecodeExtraSettings(const unsigned char* data, size_t length, int32_t* values);
