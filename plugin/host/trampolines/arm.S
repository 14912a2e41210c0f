@ The key detours for ARM (EABI, ARM mode, armv5te). The loader overwrites the
@ first 24 bytes of KeyCommon::SendKeyPressInput(int, int) and
@ SendKeyReleaseInput(int) with a jump here, so these are entered by a jump
@ with the host call's registers live (r0 object, r1 key, r2 third argument,
@ lr the host caller's return address). They leave by a jump to the host
@ function + 24, after re-creating what the displaced 24 bytes did:
@   press:   push {r4, r5, r6, lr}; sp -= 8; r4 = key; r5 = third argument;
@            r6 = the KeyCommon word at offset 8
@   release: push {r4, r5, r6, lr}; r4 = key; r5 = the KeyCommon word at
@            offset 8
@ (for the host build the simulator reproduces; another build needs its own
@ re-creation and resume offset). The final jump goes through ip, which the
@ calling convention leaves free between a call and the callee's head.

  .syntax unified
  .arm

  .hidden KeyDispatcher
  .hidden StopKeyHoldWatch
  .hidden key_down

@ Jumps to the address held in the data word continuation, found
@ PC-relatively (position-independent, no relocation in the code).
.macro jump_through continuation
  ldr ip, .Loffset\@
.Lbase\@:
  add ip, pc, ip                     @ pc reads as .Lbase + 8
  ldr pc, [ip]                       @ interworking jump
.Loffset\@:
  .word \continuation - (.Lbase\@ + 8)
.endm

  .text

@ injection_press: the key dispatcher decides which key the host processes.
  .globl injection_press
  .type injection_press, %function
  .p2align 2
injection_press:
  @ The return address with a spare word (r4) as an 8-byte frame, then the
  @ object pointer, the third argument and the other scratch registers
  @ (r1 is replaced by the result): 24 bytes keep sp 8-byte aligned.
  push {r0, r2, r3, r4, ip, lr}
  mov r0, r1
  bl KeyDispatcher
  mov r1, r0                         @ the key the host goes on to process
  pop {r0, r2, r3, r4, ip, lr}
  @ The displaced head of SendKeyPressInput.
  push {r4, r5, r6, lr}
  sub sp, sp, #8
  mov r4, r1
  mov r5, r2
  ldr r6, [r0, #8]
  jump_through press_continuation
  .size injection_press, . - injection_press

@ injection_release: ends the key-hold watch and lowers key_down; the key
@ passes on unchanged.
  .globl injection_release
  .type injection_release, %function
  .p2align 2
injection_release:
  @ Every general-purpose register and the return address: 56 bytes keep
  @ sp 8-byte aligned.
  push {r0-r12, lr}
  bl StopKeyHoldWatch                @ may block while the watcher ends
  ldr r0, .Lkey_down_offset
.Lkey_down_base:
  add r0, pc, r0                     @ &key_down
  mov r1, #0
  str r1, [r0]                       @ only after the watcher has stopped
  pop {r0-r12, lr}
  @ The displaced head of SendKeyReleaseInput.
  push {r4, r5, r6, lr}
  mov r4, r1
  ldr r5, [r0, #8]
  jump_through release_continuation
.Lkey_down_offset:
  .word key_down - (.Lkey_down_base + 8)
  .size injection_release, . - injection_release

@ Where the detours resume: host function + 24, filled in by the dynamic
@ linker from absolute relocations against the host's symbols. They live in
@ relocated read-only data, so the code itself needs no relocation.
  .section .data.rel.ro,"aw"
  .p2align 2
press_continuation:
  .word _ZN9KeyCommon17SendKeyPressInputEii + 24
release_continuation:
  .word _ZN9KeyCommon19SendKeyReleaseInputEi + 24

  .section .note.GNU-stack,"",%progbits
