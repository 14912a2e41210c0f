/* The thread calls of the process while TV time runs (tv_time.h): threads
 * created, joined, condition variables and mutexes go through TV time's
 * scheduler; otherwise every call passes through unchanged. Only in the
 * simulator's executable and the test binaries, like the clock wrappers.
 *
 * A sanitizer's runtime puts its own interceptors in front of these calls;
 * the next definition (RTLD_NEXT, or the interceptor when the runtime is
 * linked into the executable) keeps them in the chain. */
#define _GNU_SOURCE
#include <errno.h>
#include <pthread.h>
#include <time.h>

#include "next_symbol.h"
#include "tv_time.h"

typedef int (*create_function)(pthread_t *, const pthread_attr_t *, void *(*)(void *), void *);

extern int __interceptor_pthread_create(pthread_t *, const pthread_attr_t *, void *(*)(void *),
                                        void *) __attribute__((weak));
extern int __interceptor_pthread_join(pthread_t, void **) __attribute__((weak));

static create_function real_create(void) {
  return __interceptor_pthread_create != NULL ? __interceptor_pthread_create
                                               : (create_function)NEXT(pthread_create);
}

int pthread_create(pthread_t *thread, const pthread_attr_t *attr, void *(*start)(void *),
                   void *arg) {
  if (!tv_time_active()) return real_create()(thread, attr, start, arg);
  return tv_time_thread_create(thread, attr, start, arg, real_create());
}

int pthread_join(pthread_t thread, void **result) {
  tv_time_join_wait(thread);
  if (__interceptor_pthread_join != NULL) return __interceptor_pthread_join(thread, result);
  return NEXT(pthread_join)(thread, result);
}

/* ---- condition variables: while TV time runs the scheduler keeps the
 * waiters (by the variable's address); the variable itself is only read
 * for the clock it was made with. */

static int64_t timespec_ns(const struct timespec *t) {
  return (int64_t)t->tv_sec * 1000000000 + t->tv_nsec;
}

/* The clock a condition variable measures its deadlines on (the C library
 * keeps it in bit 1 of the waiter count). */
static clockid_t cond_clock(const pthread_cond_t *cond) {
  return (cond->__data.__wrefs & 2) != 0 ? CLOCK_MONOTONIC : CLOCK_REALTIME;
}

static int64_t deadline_on(clockid_t clock, const struct timespec *at) {
  int64_t ns = timespec_ns(at);
  return clock == CLOCK_REALTIME ? tv_time_from_wall_ns(ns) : tv_time_from_monotonic_ns(ns);
}

int pthread_cond_wait(pthread_cond_t *cond, pthread_mutex_t *mutex) {
  if (!tv_time_active()) return NEXT(pthread_cond_wait)(cond, mutex);
  return tv_time_cond_wait(cond, mutex, 0, 0);
}

int pthread_cond_timedwait(pthread_cond_t *cond, pthread_mutex_t *mutex,
                           const struct timespec *at) {
  if (!tv_time_active()) return NEXT(pthread_cond_timedwait)(cond, mutex, at);
  if (at->tv_nsec < 0 || at->tv_nsec >= 1000000000) return EINVAL;
  return tv_time_cond_wait(cond, mutex, 1, deadline_on(cond_clock(cond), at));
}

int pthread_cond_clockwait(pthread_cond_t *cond, pthread_mutex_t *mutex, clockid_t clock,
                           const struct timespec *at) {
  if (!tv_time_active()) return NEXT(pthread_cond_clockwait)(cond, mutex, clock, at);
  if (at->tv_nsec < 0 || at->tv_nsec >= 1000000000) return EINVAL;
  if (clock != CLOCK_REALTIME && clock != CLOCK_MONOTONIC) return EINVAL;
  return tv_time_cond_wait(cond, mutex, 1, deadline_on(clock, at));
}

int pthread_cond_signal(pthread_cond_t *cond) {
  if (!tv_time_active()) return NEXT(pthread_cond_signal)(cond);
  tv_time_cond_wake(cond, 0);
  return 0;
}

int pthread_cond_broadcast(pthread_cond_t *cond) {
  if (!tv_time_active()) return NEXT(pthread_cond_broadcast)(cond);
  tv_time_cond_wake(cond, 1);
  return 0;
}

/* ---- mutexes: a thread that finds one taken waits on TV time's terms, so
 * that the holder gets its turn even when it waits while holding it. */

int pthread_mutex_lock(pthread_mutex_t *mutex) {
  if (!tv_time_active()) return NEXT(pthread_mutex_lock)(mutex);
  return tv_time_mutex_lock(mutex);
}

int pthread_mutex_unlock(pthread_mutex_t *mutex) {
  int result = NEXT(pthread_mutex_unlock)(mutex);
  if (result == 0 && tv_time_active()) tv_time_mutex_unlocked(mutex);
  return result;
}
