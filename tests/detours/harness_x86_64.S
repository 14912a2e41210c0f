// void DetourHarnessCall(HarnessCall* call)  (see detour_harness.h)
// Loads call->registers into rbx rbp r12 r13 r14 r15, calls
// call->function(call->object, call->key, call->arg), stores those registers
// back and the stack pointer's change in call->sp_delta. The call record and
// the stack pointer are kept in memory, so a clobbered register or a moved
// stack pointer cannot hide itself.
  .text
  .globl DetourHarnessCall
  .type DetourHarnessCall, @function
DetourHarnessCall:
  push %rbx
  push %rbp
  push %r12
  push %r13
  push %r14
  push %r15
  sub $8, %rsp                       // 16-byte aligned for the call
  mov %rdi, harness_call(%rip)
  mov %rsp, harness_sp(%rip)
  mov 24(%rdi), %rbx
  mov 32(%rdi), %rbp
  mov 40(%rdi), %r12
  mov 48(%rdi), %r13
  mov 56(%rdi), %r14
  mov 64(%rdi), %r15
  mov 0(%rdi), %rax
  mov 16(%rdi), %esi
  mov 20(%rdi), %edx
  mov 8(%rdi), %rdi
  call *%rax
  mov harness_call(%rip), %rcx
  mov %rbx, 24(%rcx)
  mov %rbp, 32(%rcx)
  mov %r12, 40(%rcx)
  mov %r13, 48(%rcx)
  mov %r14, 56(%rcx)
  mov %r15, 64(%rcx)
  mov %rsp, %rdx
  sub harness_sp(%rip), %rdx
  mov %rdx, 72(%rcx)
  mov harness_sp(%rip), %rsp
  add $8, %rsp
  pop %r15
  pop %r14
  pop %r13
  pop %r12
  pop %rbp
  pop %rbx
  ret
  .size DetourHarnessCall, . - DetourHarnessCall

  .local harness_call, harness_sp
  .comm harness_call, 8, 8
  .comm harness_sp, 8, 8

  .section .note.GNU-stack,"",@progbits
