// Threaded stress loops sized by real time rather than by a count, so that a
// slow build (ThreadSanitizer, the emulator) does fewer rounds than a native
// one and no loop takes much longer than its budget: a loop runs its minimum
// of rounds whatever the time, so that every build does real work, and until
// it has provoked what its test judges, then goes on until its budget of
// real time is spent; never past its maximum of rounds (four times that
// while what it must provoke has not happened yet). The budget is
// RECOLYX_STRESS_SECONDS seconds (default 3) for each loop.
#pragma once

#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

// The kernel's monotonic clock in nanoseconds, asked by system call: the
// simulator stands in for the C library's clock calls and may scale them,
// while a budget is real time. The kernel's own time record for this call
// is two longs on both the PC and the set.
inline int64_t RealMonotonicNs() {
  struct {
    long seconds;
    long nanoseconds;
  } now{};
  syscall(SYS_clock_gettime, CLOCK_MONOTONIC, &now);
  return int64_t{now.seconds} * 1000000000 + now.nanoseconds;
}

// RECOLYX_STRESS_SECONDS when it is a number of seconds (0: the minimum
// rounds only), else 3.
inline double StressSeconds() {
  constexpr double kDefault = 3.0;
  const char* text = std::getenv("RECOLYX_STRESS_SECONDS");
  if (text == nullptr || *text == '\0') return kDefault;
  char* end = nullptr;
  const double seconds = std::strtod(text, &end);
  return *end == '\0' && seconds >= 0 && seconds < 86400 ? seconds : kDefault;
}

// The rounds of one loop; the budget starts when it is made. A loop whose
// rounds take well under a microsecond reads the clock every
// `clock_every` rounds only, so that the system call does not thin out the
// race it is there to provoke.
class StressRounds {
 public:
  StressRounds(int minimum, int maximum, int clock_every = 1)
      : minimum_(minimum),
        maximum_(maximum),
        clock_every_(clock_every),
        deadline_ns_(RealMonotonicNs() + static_cast<int64_t>(StressSeconds() * 1e9)) {}

  // Whether another round is due once `done` rounds have run; `seen`: the
  // loop has provoked what its test judges.
  bool Due(int done, bool seen = true) {
    // A loop that has not yet provoked what its test judges (a slow build
    // under load) goes on up to four times its maximum.
    if (done >= (seen ? maximum_ : 4 * maximum_)) return false;
    if (done < minimum_ || !seen) return true;
    if (done % clock_every_ == 0) spent_ = RealMonotonicNs() >= deadline_ns_;
    return !spent_;
  }

 private:
  int minimum_;
  int maximum_;
  int clock_every_;
  int64_t deadline_ns_;
  bool spent_ = false;
};
