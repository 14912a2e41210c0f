// Keeps the host's signal dispositions across a call into SDL: SDL 1.2 sets
// handlers for SIGINT and SIGTERM (its quit events), for fatal signals (its
// "parachute", unless asked not to) and ignores SIGALRM, all process-wide.
// A guest in the TV's application must leave them as the host set them.
#pragma once

#include <signal.h>

struct SignalDispositions {
  struct sigaction action[NSIG];
  bool valid[NSIG];
};

void SaveSignalDispositions(SignalDispositions* saved);
// Same handler and flags.
bool SameDisposition(const struct sigaction& a, const struct sigaction& b);
// Puts back every disposition that differs from the saved one.
void RestoreSignalDispositions(const SignalDispositions& saved);
