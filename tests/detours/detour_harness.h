// An assembly harness (harness_<arch>.S) that calls a host key function the
// way compiled host code would, with a canary in every callee-saved register,
// and reports those registers and the stack pointer after the call.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__)
inline constexpr int kCalleeSaved = 6;  // rbx rbp r12 r13 r14 r15
#elif defined(__arm__)
inline constexpr int kCalleeSaved = 8;  // r4 .. r11
#endif

struct HarnessCall {
  void* function;  // called as function(object, key, arg)
  void* object;
  int key;
  int arg;
  uintptr_t registers[kCalleeSaved];  // in: the canaries; out: after the call
  intptr_t sp_delta;                  // stack pointer after the call minus before
};

// The offsets the assembly uses.
#if defined(__x86_64__)
static_assert(offsetof(HarnessCall, key) == 16 && offsetof(HarnessCall, registers) == 24 &&
              offsetof(HarnessCall, sp_delta) == 72);
#elif defined(__arm__)
static_assert(offsetof(HarnessCall, key) == 8 && offsetof(HarnessCall, registers) == 16 &&
              offsetof(HarnessCall, sp_delta) == 48);
#endif

extern "C" void DetourHarnessCall(HarnessCall* call);
