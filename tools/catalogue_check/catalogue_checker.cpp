#include "catalogue_checker.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>

#include "settings/catalogue_format.h"
#include "text_measure.h"
#include "text_places.h"

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// A number part the loader reads as intended: blanks, then decimal digits only.
bool PlainNumber(const char* key) {
  while (*key == ' ' || *key == '\t') ++key;
  if (!std::isdigit(static_cast<unsigned char>(*key))) return false;
  while (std::isdigit(static_cast<unsigned char>(*key))) ++key;
  return *key == '\0';
}

// The first problem of a text's bytes as a string of letters, or empty.
std::string TextBytesProblem(const std::string& text) {
  if (text.find('%') != std::string::npos)
    return "holds \"%\", which a screen could take for a format conversion";
  for (size_t i = 0; i < text.size();) {
    auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7F) return "holds a control character";
    int extra = byte < 0x80 ? 0 : (byte & 0xE0) == 0xC0 ? 1 : (byte & 0xF0) == 0xE0 ? 2
              : (byte & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || i + extra >= text.size())
      return "is not valid UTF-8";
    for (int k = 1; k <= extra; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return "is not valid UTF-8";
    i += extra + 1;
  }
  return {};
}

std::string Compose(const char* layout, const std::map<int, std::string>& texts, bool french) {
  std::string line;
  for (const char* at = layout; *at != '\0';) {
    const char* close = *at == '{' ? std::strchr(at, '}') : nullptr;
    if (close == nullptr) {
      line += *at++;
      continue;
    }
    std::string key(at + 1, close);
    if (key == "KB" || key == "MB" || key == "GB") {
      line += french ? key.substr(0, 1) + "o" : key;
    } else {
      auto found = texts.find(std::stoi(key));
      line += found != texts.end() ? found->second : "?";
    }
    at = close + 1;
  }
  return line;
}

}  // namespace

std::string CodeOfCatalogueFile(const char* path) {
  const char* name = std::strrchr(path, '/');
  name = name != nullptr ? name + 1 : path;
  if (std::strncmp(name, "messages_", 9) == 0 && std::strlen(name) == 15 &&
      std::strcmp(name + 11, ".txt") == 0)
    return std::string(name + 9, 2);
  return "EN";
}

namespace {

// Reads the texts of a catalogue file exactly as the loader does (pieces of
// a line buffer, the last text of a number counting) into texts, and
// reports each problem of its size and lines. false when the file cannot be
// read at all.
bool ReadCatalogue(const char* path, std::map<int, std::string>* texts_out,
                   const std::function<void(const std::string&)>& report) {
  std::map<int, std::string>& texts = *texts_out;

  struct stat info;
  if (stat(path, &info) != 0) {
    report("cannot be read");
    return false;
  }
  if (info.st_size < kCatalogueMinBytes || info.st_size > kCatalogueMaxBytes) {
    report("is " + std::to_string(info.st_size) + " bytes; the loader reads only " +
           std::to_string(kCatalogueMinBytes) + " to " + std::to_string(kCatalogueMaxBytes));
    return false;
  }
  FILE* file = std::fopen(path, "re");
  if (file == nullptr) {
    report("cannot be opened");
    return false;
  }

  std::map<int, int> first_line;
  char piece[kCatalogueLineBuffer];
  int line_number = 0;
  bool continues = false;  // the piece before was cut from a longer line
  while (std::fgets(piece, sizeof piece, file) != nullptr) {
    if (!continues) ++line_number;
    std::string at = "line " + std::to_string(line_number) + ": ";
    size_t length = std::strlen(piece);
    bool ends_line = length > 0 && piece[length - 1] == '\n';
    const bool cut = !ends_line && length == sizeof piece - 1;
    if (cut && !continues)
      report(at + "longer than " + std::to_string(kCatalogueLineBuffer - 2) +
             " bytes; the loader reads the rest as a line of its own");
    continues = cut;
    CatalogueEntry entry;
    char key[kCatalogueLineBuffer];
    std::strcpy(key, piece);
    switch (ParseCatalogueLine(piece, &entry)) {
      case CatalogueLine::kBlank:
        continue;
      case CatalogueLine::kMalformed:
        report(at + "has no number and \"=\"");
        continue;
      case CatalogueLine::kEntry:
        break;
    }
    key[std::strcspn(key, "=")] = '\0';
    if (!PlainNumber(key)) {
      report(at + Quoted(key) + " is not a plain text number");
      continue;
    }
    if (entry.number < 0 || entry.number >= kCatalogueTextCount) {
      report(at + "number " + key + " lies outside 0.." + std::to_string(kCatalogueTextCount - 1));
      continue;
    }
    int n = static_cast<int>(entry.number);
    if (first_line.count(n) != 0)
      report(at + "text " + std::to_string(n) + " again (first on line " +
             std::to_string(first_line[n]) + "); the later one counts");
    else
      first_line[n] = line_number;
    texts[n] = entry.text;
  }
  std::fclose(file);
  return true;
}

}  // namespace

std::vector<std::string> CheckCatalogue(const char* path, const char* code, TextMeasure& measure) {
  std::vector<std::string> problems;
  auto report = [&](const std::string& problem) { problems.push_back(problem); };
  std::map<int, std::string> texts;
  if (!ReadCatalogue(path, &texts, report)) return problems;

  for (int n = 0; n < kCatalogueTextCount; ++n) {
    std::string name = "text " + std::to_string(n) + ": ";
    auto found = texts.find(n);
    if (found == texts.end()) {
      if (TextUsed(n)) report(name + "missing (shown as \"?\")");
      continue;
    }
    const std::string& text = found->second;
    if (text.empty() && !MayBeEmpty(n) && TextUsed(n)) report(name + "empty");
    std::string bytes = TextBytesProblem(text);
    if (!bytes.empty()) {
      report(name + Quoted(text) + " " + bytes);
      continue;
    }
    std::string missing = measure.MissingGlyph(20, text.c_str());
    if (!missing.empty()) report(name + Quoted(text) + ": the TrueType face lacks " + Quoted(missing));
  }

  const bool french = std::strcmp(code, "FR") == 0;
  for (const TextPlace& place : TextPlaces()) {
    std::string line = Compose(place.layout, texts, french);
    int room = place.limit - place.x;
    if (place.right_neighbour != nullptr)
      room -= measure.Width(place.font, Compose(place.right_neighbour, texts, french).c_str());
    int width = measure.Width(place.font, line.c_str());
    std::string where = std::string(place.where) + " " + place.layout + " in font " +
                        std::to_string(place.font) + ": " + Quoted(line);
    if (width > room)
      report(where + " is " + std::to_string(width) + " px wide, room " + std::to_string(room) + " px");
    if (int replaced = measure.ReplacementGlyphs(place.font, line.c_str()); replaced > 0)
      report(where + " draws " + std::to_string(replaced) + " replacement glyph" + (replaced > 1 ? "s" : ""));
    if (place.max_bytes > 0 && static_cast<int>(line.size()) >= place.max_bytes)
      report(where + " needs " + std::to_string(line.size() + 1) + " bytes, the buffer has " +
             std::to_string(place.max_bytes));
  }
  return problems;
}

int CountReplacementGlyphs(const char* path, const char* code, TextMeasure& measure,
                           std::vector<std::string>* where) {
  std::map<int, std::string> texts;
  if (!ReadCatalogue(path, &texts, [](const std::string&) {})) return 0;
  const bool french = std::strcmp(code, "FR") == 0;
  int count = 0;
  for (const TextPlace& place : TextPlaces()) {
    const std::string line = Compose(place.layout, texts, french);
    const int replaced = measure.ReplacementGlyphs(place.font, line.c_str());
    if (replaced > 0 && where != nullptr)
      where->push_back(std::string(place.where) + " " + place.layout + " in font " + std::to_string(place.font) +
                       ": " + Quoted(line));
    count += replaced;
  }
  return count;
}
