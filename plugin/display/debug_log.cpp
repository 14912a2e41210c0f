#include "display/debug_log.h"

#include <cstdio>

void DebugLog(const char* text) {
  char line[260];
  // A longer text is cut; the line still ends in its line feed.
  int n = std::snprintf(line, sizeof line, "%s\n", text != nullptr ? text : "");
  if (n < 0) return;
  if (static_cast<size_t>(n) >= sizeof line) line[sizeof line - 2] = '\n';
  // "e": close-on-exec, so scripts started through system() never inherit it.
  FILE* file = std::fopen(kDebugLogPath, "ae");
  if (file == nullptr) return;
  std::fputs(line, file);
  std::fflush(file);
  std::fclose(file);
}
