// Placeholder until the host heads land.
  .text
  .globl _ZN9KeyCommon17SendKeyPressInputEii
_ZN9KeyCommon17SendKeyPressInputEii:
  bx lr
  .globl _ZN9KeyCommon19SendKeyReleaseInputEi
_ZN9KeyCommon19SendKeyReleaseInputEi:
  bx lr
  .section .note.GNU-stack,"",%progbits
