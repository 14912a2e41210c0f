// Placeholder until the host heads land.
  .text
  .globl _ZN9KeyCommon17SendKeyPressInputEii
_ZN9KeyCommon17SendKeyPressInputEii:
  ret
  .globl _ZN9KeyCommon19SendKeyReleaseInputEi
_ZN9KeyCommon19SendKeyReleaseInputEi:
  ret
  .section .note.GNU-stack,"",@progbits
