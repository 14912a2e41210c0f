/* The next definition of a libc function after the wrapper's own: libc's, or
 * a sanitizer's interceptor in front of it. Looked up once per function. */
#ifndef RECOLYX_SIM_PLATFORM_NEXT_SYMBOL_H
#define RECOLYX_SIM_PLATFORM_NEXT_SYMBOL_H

#include <dlfcn.h>
#include <stddef.h>

static inline void *sim_next_symbol(void **cache, const char *name) {
  void *function = __atomic_load_n(cache, __ATOMIC_ACQUIRE);
  if (function == NULL) {
    function = dlsym(RTLD_NEXT, name);
    __atomic_store_n(cache, function, __ATOMIC_RELEASE);
  }
  return function;
}

/* The next definition of `name`, with the type of its declaration. */
#define NEXT(name)                   \
  ((__typeof__(&name))({             \
    static void *cache_;             \
    sim_next_symbol(&cache_, #name); \
  }))

#endif
