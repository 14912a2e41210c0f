// The simulated host's key functions for x86-64:
//   int KeyCommon::SendKeyPressInput(int key, int arg)   (rdi this, esi key, edx arg)
//   int KeyCommon::SendKeyReleaseInput(int key)          (rdi this, esi key)
// Their first 24 bytes (the head) are what the loader overwrites. Like the
// set's host build, a head saves the callee-saved registers the function
// uses, copies the key (and the press's third argument) into callee-saved
// registers and loads one word from the KeyCommon structure; the trampolines
// re-create exactly that before they jump to byte 24. The body, from byte 24
// on, hands what it received to RecordHostKeyCall and returns the key.
#include "sim/host/keys/key_object_layout.h"

// Pads a head with nops to exactly 24 bytes, and refuses to assemble when
// the head has grown beyond them.
.macro end_head start
  .skip 24 - (. - \start), 0x90
  .if (. - \start) != 24
    .error "a host key function head must be exactly 24 bytes"
  .endif
.endm

// push and pop with their unwind information.
.macro push_cfi reg
  push \reg
  .cfi_adjust_cfa_offset 8
  .cfi_rel_offset \reg, 0
.endm
.macro pop_cfi reg
  pop \reg
  .cfi_adjust_cfa_offset -8
.endm

  .text

  .globl _ZN9KeyCommon17SendKeyPressInputEii
  .type _ZN9KeyCommon17SendKeyPressInputEii, @function
  .p2align 4
_ZN9KeyCommon17SendKeyPressInputEii:
  .cfi_startproc
  push_cfi %r12
  push_cfi %rbp
  push_cfi %rbx
  sub $16, %rsp                                 // locals; rsp is 16-byte aligned
  .cfi_adjust_cfa_offset 16
  mov %esi, %ebx                                // key
  mov %edx, %ebp                                // third argument
  mov SIM_KEY_OBJECT_WORD_OFFSET(%rdi), %r12    // the structure's word
  end_head _ZN9KeyCommon17SendKeyPressInputEii
  // Body: record (press, key, arg, word).
  mov $1, %edi
  mov %ebx, %esi
  mov %ebp, %edx
  mov %r12, %rcx
  call RecordHostKeyCall@PLT
  mov %ebx, %eax
  add $16, %rsp
  .cfi_adjust_cfa_offset -16
  pop_cfi %rbx
  pop_cfi %rbp
  pop_cfi %r12
  ret
  .cfi_endproc
  .size _ZN9KeyCommon17SendKeyPressInputEii, . - _ZN9KeyCommon17SendKeyPressInputEii

  .globl _ZN9KeyCommon19SendKeyReleaseInputEi
  .type _ZN9KeyCommon19SendKeyReleaseInputEi, @function
  .p2align 4
_ZN9KeyCommon19SendKeyReleaseInputEi:
  .cfi_startproc
  push_cfi %rbp
  push_cfi %rbx
  sub $24, %rsp                                 // locals; rsp is 16-byte aligned
  .cfi_adjust_cfa_offset 24
  mov %esi, %ebx                                // key
  mov SIM_KEY_OBJECT_WORD_OFFSET(%rdi), %rbp    // the structure's word
  end_head _ZN9KeyCommon19SendKeyReleaseInputEi
  // Body: record (release, key, 0, word).
  xor %edi, %edi
  mov %ebx, %esi
  xor %edx, %edx
  mov %rbp, %rcx
  call RecordHostKeyCall@PLT
  mov %ebx, %eax
  add $24, %rsp
  .cfi_adjust_cfa_offset -24
  pop_cfi %rbx
  pop_cfi %rbp
  ret
  .cfi_endproc
  .size _ZN9KeyCommon19SendKeyReleaseInputEi, . - _ZN9KeyCommon19SendKeyReleaseInputEi

  .section .note.GNU-stack,"",@progbits
