#include "sim/host/keys/key_patch.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

// The host's key functions by their symbol names: declared as member
// functions, their addresses cannot be taken as plain pointers.
extern "C" unsigned char HostKeyPressFunction[] __asm__("_ZN9KeyCommon17SendKeyPressInputEii");
extern "C" unsigned char HostKeyReleaseFunction[] __asm__("_ZN9KeyCommon19SendKeyReleaseInputEi");

namespace sim {
namespace {

// The original heads, kept while the functions are patched. Patching and
// unpatching happen on the loader's thread, before and after keys flow.
unsigned char original_press[kPatchBytes];
unsigned char original_release[kPatchBytes];
bool key_functions_patched = false;

// The absolute jump that replaces a head, padded to the full 24 bytes with
// instructions that trap, so that a stray entry into the padding is caught.
void BuildJump(void* target, unsigned char (&code)[kPatchBytes]) {
  uintptr_t address = reinterpret_cast<uintptr_t>(target);
#if defined(__x86_64__)
  static const unsigned char kJump[] = {0xff, 0x25, 0, 0, 0, 0};  // jmp *0(%rip)
  std::memset(code, 0xcc, sizeof code);                            // int3
  std::memcpy(code, kJump, sizeof kJump);
  std::memcpy(code + sizeof kJump, &address, sizeof address);
#elif defined(__arm__)
  const uint32_t words[kPatchBytes / 4] = {
      0xe51ff004,  // ldr pc, [pc, #-4]: jump to the next word
      static_cast<uint32_t>(address),
      0xe7f000f0, 0xe7f000f0, 0xe7f000f0, 0xe7f000f0,  // udf
  };
  std::memcpy(code, words, sizeof code);
#else
#error "no head patch for this architecture"
#endif
}

// Writes bytes over the start of function: the page(s) become writable for
// the copy, executable again afterwards, and the instruction cache forgets
// the old code.
bool WriteCode(void* function, const unsigned char* bytes, std::string* error) {
  const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const uintptr_t start = reinterpret_cast<uintptr_t>(function);
  const uintptr_t first = start & ~(page - 1);
  const size_t length = (start + kPatchBytes) - first;
  void* pages = reinterpret_cast<void*>(first);
  if (mprotect(pages, length, PROT_READ | PROT_WRITE | PROT_EXEC) != 0) {
    *error = std::string("mprotect of the host's key function failed: ") + std::strerror(errno);
    return false;
  }
  std::memcpy(function, bytes, kPatchBytes);
  const bool restored = mprotect(pages, length, PROT_READ | PROT_EXEC) == 0;
  char* code = static_cast<char*>(function);
  __builtin___clear_cache(code, code + kPatchBytes);
  if (!restored) {
    *error = std::string("cannot make the host's key function read-only again: ") +
             std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace

bool PatchFunctionHead(void* function, void* target, std::string* error) {
  unsigned char jump[kPatchBytes];
  BuildJump(target, jump);
  return WriteCode(function, jump, error);
}

bool PatchKeyFunctions(void* press_target, void* release_target, std::string* error) {
  if (!key_functions_patched) {
    std::memcpy(original_press, HostKeyPressFunction, kPatchBytes);
    std::memcpy(original_release, HostKeyReleaseFunction, kPatchBytes);
  }
  if (!PatchFunctionHead(HostKeyPressFunction, press_target, error)) return false;
  if (!PatchFunctionHead(HostKeyReleaseFunction, release_target, error)) {
    // Both or neither: put the original heads back.
    key_functions_patched = true;
    UnpatchKeyFunctions();
    return false;
  }
  key_functions_patched = true;
  return true;
}

void UnpatchKeyFunctions() {
  if (!key_functions_patched) return;
  std::string ignored;
  WriteCode(HostKeyPressFunction, original_press, &ignored);
  WriteCode(HostKeyReleaseFunction, original_release, &ignored);
  key_functions_patched = false;
}

}  // namespace sim
