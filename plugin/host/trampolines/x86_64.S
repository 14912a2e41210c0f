// Placeholder until the detours land.
  .text
  .globl injection_press
  .type injection_press, @function
injection_press:
  ud2
  .globl injection_release
  .type injection_release, @function
injection_release:
  ud2
  .section .note.GNU-stack,"",@progbits
