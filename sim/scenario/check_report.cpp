#include "sim/scenario/check_report.h"

#include <atomic>
#include <cstdio>

namespace sim {
namespace {
std::atomic<int> failures{0};
constexpr size_t kReportBytes = 2000;
}  // namespace

void ReportCheckFailure(int line, const std::string& what) {
  failures.fetch_add(1, std::memory_order_relaxed);
  // One write per report so that lines from two threads do not interleave.
  std::fprintf(stderr, "tvsim: scenario line %d: %.*s\n", line,
               static_cast<int>(what.size() < kReportBytes ? what.size() : kReportBytes),
               what.c_str());
  std::fflush(stderr);
}

int CheckFailures() { return failures.load(std::memory_order_relaxed); }

void ResetCheckFailures() { failures.store(0, std::memory_order_relaxed); }

}  // namespace sim
