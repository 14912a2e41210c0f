// Definitions linked into recolyx.so for the set ahead of the static C++
// runtime and the C library, so that the library needs nothing newer than
// GLIBC_2.4 and carries only the runtime parts it uses.
//
//  - stat64, lstat64 and fstat64: the set's C library has them only as
//    __xstat64, __lxstat64 and __fxstat64 (GLIBC_2.4, pinned by
//    glibc_pins.h), called here with the structure version of 32-bit ARM.
//    Hidden, so they serve this library alone.
//  - fcntl64 (GLIBC_2.28), what fcntl becomes with 64-bit file offsets: the
//    set's fcntl (GLIBC_2.4) with the same argument; no command the plug-in
//    gives takes a 64-bit lock structure.
//  - std::__throw_system_error: what a failed std::mutex lock calls. The
//    runtime's own throws a std::system_error, whose object brings in the
//    standard exception classes, their copy-on-write strings and, through
//    those, std::random_device (getentropy, GLIBC_2.25; arc4random,
//    GLIBC_2.36). Nothing in the plug-in catches it, so the throw ends in
//    std::terminate: this one ends the process the same way, with the error
//    named, and keeps those parts out.
//  - __gnu_cxx::__verbose_terminate_handler: the default terminate handler.
//    The runtime's demangles the type of the active exception, which links
//    the whole demangler; this one names the event and aborts.
//  - __libc_single_threaded (GLIBC_2.32): read by the runtime's reference
//    counts and exception code to skip atomic operations. Always zero here:
//    the runtime takes the atomic path, which is right in any process.
#include <errno.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
int __xstat64(int version, const char* path, struct stat64* status);
int __lxstat64(int version, const char* path, struct stat64* status);
int __fxstat64(int version, int fd, struct stat64* status);
// The set's fcntl, bound to its GLIBC_2.4 version by glibc_pins.h.
int fcntl_compat(int fd, int command, ...);
}

namespace {

// The structure version the 32-bit ARM C library expects (_STAT_VER_LINUX).
constexpr int StatVersion = 3;

// Writes `text` (a NUL-terminated string) to standard error, unbuffered and
// without allocating: usable while the process is failing.
void WriteError(const char* text) {
  ssize_t ignored = write(STDERR_FILENO, text, strlen(text));
  (void)ignored;
}

}  // namespace

extern "C" {

__attribute__((visibility("hidden"))) int stat64(const char* path, struct stat64* status) {
  return __xstat64(StatVersion, path, status);
}

__attribute__((visibility("hidden"))) int lstat64(const char* path, struct stat64* status) {
  return __lxstat64(StatVersion, path, status);
}

__attribute__((visibility("hidden"))) int fstat64(int fd, struct stat64* status) {
  return __fxstat64(StatVersion, fd, status);
}

__attribute__((visibility("hidden"))) int fcntl64(int fd, int command, ...) {
  va_list arguments;
  va_start(arguments, command);
  void* argument = va_arg(arguments, void*);  // an int or a pointer: one register
  va_end(arguments);
  return fcntl_compat(fd, command, argument);
}

__attribute__((visibility("hidden"))) char __libc_single_threaded = 0;

}  // extern "C"

namespace std {

__attribute__((visibility("hidden"), noreturn)) void __throw_system_error(int error) {
  WriteError("recolyx: fatal system error: ");
  WriteError(strerror(error));
  WriteError("\n");
  abort();
}

}  // namespace std

namespace __gnu_cxx {

__attribute__((visibility("hidden"), noreturn)) void __verbose_terminate_handler() {
  WriteError("recolyx: terminate called\n");
  abort();
}

}  // namespace __gnu_cxx
