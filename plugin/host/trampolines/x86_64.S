// The key detours for x86-64 (System V). The loader overwrites the first 24
// bytes of KeyCommon::SendKeyPressInput(int, int) and SendKeyReleaseInput(int)
// with a jump here, so these are entered by a jump with the host call's
// registers live (rdi object, esi key, edx third argument) and the host
// caller's return address on top of the stack. They leave by a jump to the
// host function + 24, after re-creating what the displaced 24 bytes did:
//   press:   push r12, rbp, rbx; rsp -= 16; ebx = key; ebp = third argument;
//            r12 = the KeyCommon word at offset 8
//   release: push rbp, rbx; rsp -= 24; ebx = key; rbp = the KeyCommon word
//            at offset 8
// (for the host build the simulator reproduces; another build needs its own
// re-creation and resume offset).

  .hidden KeyDispatcher
  .hidden StopKeyHoldWatch
  .hidden key_down

// push and pop that keep the unwind information right, so that debuggers
// and sanitizers can walk the stack through a trampoline.
.macro push_cfi reg
  push \reg
  .cfi_adjust_cfa_offset 8
.endm
.macro pop_cfi reg
  pop \reg
  .cfi_adjust_cfa_offset -8
.endm

  .text

// injection_press: the key dispatcher decides which key the host processes.
  .globl injection_press
  .type injection_press, @function
  .p2align 4
injection_press:
  .cfi_startproc
  // Object pointer, third argument and the other call-clobbered registers
  // (esi is replaced by the result). Eight pushes plus the spare word keep
  // rsp 16-byte aligned for the call (it is 8 off on entry).
  .irp reg, rdi, rdx, rcx, r8, r9, r10, r11, rax
    push_cfi %\reg
  .endr
  sub $8, %rsp
  .cfi_adjust_cfa_offset 8
  mov %esi, %edi
  call KeyDispatcher
  mov %eax, %esi                     // the key the host goes on to process
  add $8, %rsp
  .cfi_adjust_cfa_offset -8
  .irp reg, rax, r11, r10, r9, r8, rcx, rdx, rdi
    pop_cfi %\reg
  .endr
  // The displaced head of SendKeyPressInput.
  push %r12
  push %rbp
  push %rbx
  sub $16, %rsp
  mov %esi, %ebx
  mov %edx, %ebp
  mov 8(%rdi), %r12
  jmp *press_continuation(%rip)
  .cfi_endproc
  .size injection_press, . - injection_press

// injection_release: ends the key-hold watch and lowers key_down; the key
// passes on unchanged.
  .globl injection_release
  .type injection_release, @function
  .p2align 4
injection_release:
  .cfi_startproc
  // Every general-purpose register: fifteen pushes leave rsp 16-byte
  // aligned for the call.
  .irp reg, rax, rbx, rcx, rdx, rsi, rdi, rbp, r8, r9, r10, r11, r12, r13, r14, r15
    push_cfi %\reg
  .endr
  call StopKeyHoldWatch              // may block while the watcher ends
  movl $0, key_down(%rip)            // only after the watcher has stopped
  .irp reg, r15, r14, r13, r12, r11, r10, r9, r8, rbp, rdi, rsi, rdx, rcx, rbx, rax
    pop_cfi %\reg
  .endr
  // The displaced head of SendKeyReleaseInput.
  push %rbp
  push %rbx
  sub $24, %rsp
  mov %esi, %ebx
  mov 8(%rdi), %rbp
  jmp *release_continuation(%rip)
  .cfi_endproc
  .size injection_release, . - injection_release

// Where the detours resume: host function + 24, filled in by the dynamic
// linker from absolute relocations against the host's symbols. They live in
// relocated read-only data, so the code itself needs no relocation.
  .section .data.rel.ro,"aw"
  .p2align 3
press_continuation:
  .quad _ZN9KeyCommon17SendKeyPressInputEii + 24
release_continuation:
  .quad _ZN9KeyCommon19SendKeyReleaseInputEi + 24

  .section .note.GNU-stack,"",@progbits
