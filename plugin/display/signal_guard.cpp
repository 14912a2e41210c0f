#include "display/signal_guard.h"

#include <cstring>

bool SameDisposition(const struct sigaction& a, const struct sigaction& b) {
  // The C library adds its own restorer flag (0x04000000) whenever it sets
  // a disposition; it is not part of what the program chose.
  constexpr int kRestorerFlag = 0x04000000;
  if ((a.sa_flags & ~kRestorerFlag) != (b.sa_flags & ~kRestorerFlag)) return false;
  if (a.sa_flags & SA_SIGINFO) return a.sa_sigaction == b.sa_sigaction;
  return a.sa_handler == b.sa_handler;
}

void SaveSignalDispositions(SignalDispositions* saved) {
  for (int sig = 1; sig < NSIG; ++sig) {
    saved->valid[sig] = sigaction(sig, nullptr, &saved->action[sig]) == 0;
  }
}

void RestoreSignalDispositions(const SignalDispositions& saved) {
  for (int sig = 1; sig < NSIG; ++sig) {
    if (!saved.valid[sig] || sig == SIGKILL || sig == SIGSTOP) continue;
    struct sigaction now;
    if (sigaction(sig, nullptr, &now) != 0) continue;
    if (!SameDisposition(now, saved.action[sig])) sigaction(sig, &saved.action[sig], nullptr);
  }
}
