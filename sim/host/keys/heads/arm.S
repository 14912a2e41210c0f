// The simulated host's key functions for ARM (EABI, ARM mode):
//   int KeyCommon::SendKeyPressInput(int key, int arg)   (r0 this, r1 key, r2 arg)
//   int KeyCommon::SendKeyReleaseInput(int key)          (r0 this, r1 key)
// Their first 24 bytes (the head) are what the loader overwrites. Like the
// set's host build, a head saves the callee-saved registers the function
// uses with the return address, copies the key (and the press's third
// argument) into callee-saved registers and loads one word from the KeyCommon
// structure; the trampolines re-create exactly that before they jump to byte
// 24. The body, from byte 24 on, hands what it received to RecordHostKeyCall
// and returns the key.
#include "sim/host/keys/key_object_layout.h"

  .syntax unified
  .arm

// Pads a head with nops to exactly 24 bytes, and refuses to assemble when
// the head has grown beyond them.
.macro end_head start
  .rept (24 - (. - \start)) / 4
    nop
  .endr
  .if (. - \start) != 24
    .error "a host key function head must be exactly 24 bytes"
  .endif
.endm

  .text

  .globl _ZN9KeyCommon17SendKeyPressInputEii
  .type _ZN9KeyCommon17SendKeyPressInputEii, %function
  .p2align 2
_ZN9KeyCommon17SendKeyPressInputEii:
  push {r4, r5, r6, lr}                         @ 16 bytes: sp stays 8-byte aligned
  sub sp, sp, #8                                @ locals
  mov r4, r1                                    @ key
  mov r5, r2                                    @ third argument
  ldr r6, [r0, #SIM_KEY_OBJECT_WORD_OFFSET]     @ the structure's word
  end_head _ZN9KeyCommon17SendKeyPressInputEii
  @ Body: record (press, key, arg, word).
  mov r0, #1
  mov r1, r4
  mov r2, r5
  mov r3, r6
  bl RecordHostKeyCall
  mov r0, r4
  add sp, sp, #8
  pop {r4, r5, r6, pc}
  .size _ZN9KeyCommon17SendKeyPressInputEii, . - _ZN9KeyCommon17SendKeyPressInputEii

  .globl _ZN9KeyCommon19SendKeyReleaseInputEi
  .type _ZN9KeyCommon19SendKeyReleaseInputEi, %function
  .p2align 2
_ZN9KeyCommon19SendKeyReleaseInputEi:
  push {r4, r5, r6, lr}                         @ 16 bytes: sp stays 8-byte aligned
  mov r4, r1                                    @ key
  ldr r5, [r0, #SIM_KEY_OBJECT_WORD_OFFSET]     @ the structure's word
  end_head _ZN9KeyCommon19SendKeyReleaseInputEi
  @ Body: record (release, key, 0, word).
  mov r0, #0
  mov r1, r4
  mov r2, #0
  mov r3, r5
  bl RecordHostKeyCall
  mov r0, r4
  pop {r4, r5, r6, pc}
  .size _ZN9KeyCommon19SendKeyReleaseInputEi, . - _ZN9KeyCommon19SendKeyReleaseInputEi

  .section .note.GNU-stack,"",%progbits
