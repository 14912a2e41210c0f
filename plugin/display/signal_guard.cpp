#include "display/signal_guard.h"

#include <cstring>

namespace {

bool SameDisposition(const struct sigaction& a, const struct sigaction& b) {
  if (a.sa_flags != b.sa_flags) return false;
  if (a.sa_flags & SA_SIGINFO) return a.sa_sigaction == b.sa_sigaction;
  return a.sa_handler == b.sa_handler;
}

}  // namespace

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
