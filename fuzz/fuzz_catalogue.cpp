// Fuzz target for the catalogue loader: any bytes, of any size, as the
// content of the catalogue file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/catalogue_format.h"
#include "settings/message_catalogue.h"
#include "settings/settings_record.h"

namespace {

// A home folder of its own, made once per process.
const std::string& Home() {
  static const std::string home = [] {
    char folder[] = "/tmp/recolyx-catalogue-fuzz-XXXXXX";
    if (mkdtemp(folder) == nullptr) std::abort();
    std::string path = std::string(folder) + "/";
    std::snprintf(settings.home_dir, sizeof settings.home_dir, "%s", path.c_str());
    return path;
  }();
  return home;
}

// The texts as reading the file line by line with a line buffer gives them:
// the reference the loader's in-place parse must match.
void ReferenceTexts(const std::string& path, std::string (&texts)[kCatalogueTextCount]) {
  for (std::string& text : texts) text = "?";
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) std::abort();
  char line[kCatalogueLineBuffer];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    CatalogueEntry entry;
    if (ParseCatalogueLine(line, &entry) == CatalogueLine::kEntry && entry.number >= 0 &&
        entry.number < kCatalogueTextCount)
      texts[entry.number] = entry.text;
  }
  std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = Home() + "messages_EN.txt";
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);

  settings.language = 18;
  LoadMessages();
  // The loader reads what a line-by-line reading gives; outside the size
  // limits every slot is "?".
  static std::string expected[kCatalogueTextCount];
  const bool readable = size >= static_cast<size_t>(kCatalogueMinBytes) &&
                        size <= static_cast<size_t>(kCatalogueMaxBytes);
  if (readable) ReferenceTexts(path, expected);
  for (int n = 0; n < kCatalogueTextCount; ++n) {
    const char* text = n < kMessageCount ? mess[n].load() : Message(n);
    if (text == nullptr) std::abort();
    if (readable ? expected[n] != text : std::strcmp(text, "?") != 0) std::abort();
  }
  FreeMessages();
  return 0;
}
