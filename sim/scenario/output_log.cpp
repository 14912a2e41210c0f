#include "sim/scenario/output_log.h"

#include <deque>
#include <mutex>

#include "sim/scenario/check_report.h"

namespace sim {
namespace {

struct NeverPattern {
  int scenario_line;
  std::string text;
  std::regex pattern;
};

std::mutex log_mutex;
std::deque<std::string> kept;      // the newest kOutputLogLines lines
uint64_t first_number = 0;         // the number of kept.front() among all lines
uint64_t cursor = 0;               // the number of the next line ExpectNextLine looks at
std::vector<NeverPattern> nevers;

}  // namespace

void RecordOutputLine(const std::string& line) {
  std::string cut = line.substr(0, kOutputLineBytes);
  {
    std::lock_guard lock(log_mutex);
    for (const NeverPattern& never : nevers)
      if (std::regex_search(cut, never.pattern))
        ReportCheckFailure(never.scenario_line,
                           "expected no line matching '" + never.text + "': got '" + cut + "'");
    kept.push_back(std::move(cut));
    if (kept.size() > kOutputLogLines) {
      kept.pop_front();
      ++first_number;
    }
  }
}

void WatchNever(int scenario_line, const std::string& text, const std::regex& pattern) {
  std::lock_guard lock(log_mutex);
  for (const std::string& line : kept)
    if (std::regex_search(line, pattern))
      ReportCheckFailure(scenario_line, "expected no line matching '" + text + "': got '" + line + "'");
  nevers.push_back({scenario_line, text, pattern});
}

std::optional<std::string> ExpectNextLine(const std::regex& pattern) {
  std::lock_guard lock(log_mutex);
  // Lines that fell out of the window are gone: look from the oldest kept.
  uint64_t number = cursor > first_number ? cursor : first_number;
  for (; number < first_number + kept.size(); ++number) {
    const std::string& line = kept[number - first_number];
    if (std::regex_search(line, pattern)) {
      cursor = number + 1;
      return line;
    }
  }
  return std::nullopt;
}

std::string LastOutputLine() {
  std::lock_guard lock(log_mutex);
  return kept.empty() ? std::string() : kept.back();
}

std::vector<std::string> CapturedInOutput(const std::regex& pattern) {
  std::lock_guard lock(log_mutex);
  std::vector<std::string> captured;
  std::smatch match;
  for (const std::string& line : kept)
    if (std::regex_search(line, match, pattern))
      captured.push_back(match.size() > 1 ? match[1].str() : match[0].str());
  return captured;
}

void ResetOutputLog() {
  std::lock_guard lock(log_mutex);
  kept.clear();
  first_number = cursor = 0;
  nevers.clear();
}

}  // namespace sim
