/* Binds the C library calls whose current symbol versions are newer than the
 * set's to their GLIBC_2.4 versions, the ARM EABI baseline that every C
 * library since then still carries. Force-included (-include) into every C
 * and C++ file of the build for the set, so that no object of the shipped
 * libraries refers to a newer version. A pin names a symbol only; a file
 * that never calls the function gains no reference from it.
 *
 * stat64, lstat64 and fstat64 have no GLIBC_2.4 version of their own:
 * before 2.33 they were inline calls of __xstat64, __lxstat64 and
 * __fxstat64, which runtime_compat.cpp reproduces inside recolyx.so; so is
 * fcntl64 (2.28), over the set's fcntl. */
#ifndef RECOLYX_SET_ABI_GLIBC_PINS_H
#define RECOLYX_SET_ABI_GLIBC_PINS_H

#if defined(__arm__)
__asm__(".symver dlopen,dlopen@GLIBC_2.4");
__asm__(".symver dlsym,dlsym@GLIBC_2.4");
__asm__(".symver dlerror,dlerror@GLIBC_2.4");
__asm__(".symver dlclose,dlclose@GLIBC_2.4");
__asm__(".symver pthread_create,pthread_create@GLIBC_2.4");
__asm__(".symver pthread_join,pthread_join@GLIBC_2.4");
__asm__(".symver pthread_kill,pthread_kill@GLIBC_2.4");
__asm__(".symver pthread_sigmask,pthread_sigmask@GLIBC_2.4");
__asm__(".symver __xstat64,__xstat64@GLIBC_2.4");
__asm__(".symver __lxstat64,__lxstat64@GLIBC_2.4");
__asm__(".symver __fxstat64,__fxstat64@GLIBC_2.4");
__asm__(".symver fcntl_compat,fcntl@GLIBC_2.4");
#endif

#endif
