#include "settings/language.h"

#include "host/host_interface.h"
#include "settings/settings_record.h"

namespace {

struct LanguageRow {
  int number;
  const char* code;
};

// Host language numbers that have a catalogue file of their own.
constexpr LanguageRow LanguageTable[] = {
    {6, "BG"},  {7, "HR"},  {8, "CZ"},  {9, "DK"},  {10, "NL"}, {11, "FI"}, {12, "FR"},
    {13, "DE"}, {14, "GR"}, {15, "HU"}, {16, "IT"}, {17, "NO"}, {19, "PL"}, {20, "PT"},
    {21, "RO"}, {22, "RU"}, {23, "RS"}, {24, "SI"}, {25, "ES"}, {26, "SE"}, {27, "TR"},
    {36, "EE"}, {37, "LV"}, {38, "LT"},
};

}  // namespace

const char* LanguageCode(int number) {
  for (const LanguageRow& row : LanguageTable)
    if (row.number == number) return row.code;
  return "EN";
}

int HostLanguage() {
  TCTv* tv = g_AppTV;
  if (tv == nullptr) return settings.language.load(std::memory_order_relaxed);
  return tv->PreferLanguage();
}
