#include "sim/host/sim_clock.h"

#include <atomic>

namespace sim {
namespace {
std::atomic<time_t> now_offset{0};
}  // namespace

time_t Now() { return time(nullptr) + now_offset.load(std::memory_order_relaxed); }

void SetNowOffset(time_t offset) { now_offset.store(offset, std::memory_order_relaxed); }

time_t NowOffset() { return now_offset.load(std::memory_order_relaxed); }

}  // namespace sim
