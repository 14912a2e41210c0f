@ void DetourHarnessCall(HarnessCall* call)  (see detour_harness.h)
@ Loads call->registers into r4 .. r11, calls
@ call->function(call->object, call->key, call->arg), stores those registers
@ back and the stack pointer's change in call->sp_delta. The call record and
@ the stack pointer are kept in memory, so a clobbered register or a moved
@ stack pointer cannot hide itself.
  .syntax unified
  .arm
  .text
  .globl DetourHarnessCall
  .type DetourHarnessCall, %function
  .p2align 2
DetourHarnessCall:
  push {r4-r11, ip, lr}              @ 40 bytes: 8-byte aligned for the call
  ldr r1, .Lstate_offset1
.Lstate_base1:
  add r1, pc, r1                     @ r1 = &harness_state
  str r0, [r1]                       @ the call record
  str sp, [r1, #4]                   @ the stack pointer before the call
  add r2, r0, #16
  ldm r2, {r4-r11}
  ldr ip, [r0]
  ldr r1, [r0, #8]
  ldr r2, [r0, #12]
  ldr r0, [r0, #4]
  blx ip
  ldr r1, .Lstate_offset2
.Lstate_base2:
  add r1, pc, r1
  ldr r0, [r1]
  add r2, r0, #16
  stm r2, {r4-r11}
  ldr r3, [r1, #4]
  sub r2, sp, r3
  str r2, [r0, #48]
  mov sp, r3
  pop {r4-r11, ip, pc}
.Lstate_offset1:
  .word harness_state - (.Lstate_base1 + 8)
.Lstate_offset2:
  .word harness_state - (.Lstate_base2 + 8)
  .size DetourHarnessCall, . - DetourHarnessCall

  .local harness_state
  .comm harness_state, 8, 4

  .section .note.GNU-stack,"",%progbits
