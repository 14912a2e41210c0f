#include "sim/host/log/host_log.h"

#include <mutex>

namespace sim {
namespace {
std::mutex log_mutex;
std::function<void(const std::string&)> log_sink;
}  // namespace

void SetHostLog(std::function<void(const std::string&)> log) {
  std::lock_guard lock(log_mutex);
  log_sink = std::move(log);
}

void HostLog(const std::string& line) {
  std::lock_guard lock(log_mutex);
  if (log_sink) log_sink(line);
}

}  // namespace sim
