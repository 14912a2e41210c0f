// Placeholder until the detours land.
  .text
  .globl injection_press
  .type injection_press, %function
injection_press:
  udf #0
  .globl injection_release
  .type injection_release, %function
injection_release:
  udf #0
  .section .note.GNU-stack,"",%progbits
