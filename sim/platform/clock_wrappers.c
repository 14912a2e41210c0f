/* The clock calls of the process: TV time's (tv_time.h) while it runs,
 * else scaled by the simulated clock (sim_time.h). Only in the simulator's
 * executable and the test binaries, not in the preload library. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include "next_symbol.h"
#include "sim_time.h"
#include "tv_time.h"

static pthread_rwlock_t clock_lock = PTHREAD_RWLOCK_INITIALIZER;
static int clock_active;      /* 0: every call passes through */
static int64_t base_real_ns;  /* real monotonic time when the clock was set */
static int64_t base_wall_ns;  /* simulated UTC at that moment */
static int64_t base_elapsed_ns; /* simulated time run since the first set, at that moment */
static double clock_speed = 1.0;

static int64_t real_ns(clockid_t clock) {
  struct timespec now;
  NEXT(clock_gettime)(clock, &now);
  return (int64_t)now.tv_sec * 1000000000 + now.tv_nsec;
}

static void read_clock(int *active, int64_t *real, int64_t *wall, double *speed) {
  pthread_rwlock_rdlock(&clock_lock);
  *active = clock_active;
  *real = base_real_ns;
  *wall = base_wall_ns;
  *speed = clock_speed;
  pthread_rwlock_unlock(&clock_lock);
}

/* Simulated time run so far: continuous across changes of date and speed
 * (SDL's timers must not see the date jump). */
static int64_t scaled_elapsed_ns(void) {
  pthread_rwlock_rdlock(&clock_lock);
  int64_t elapsed = base_elapsed_ns;
  int64_t real = base_real_ns;
  double speed = clock_speed;
  int active = clock_active;
  pthread_rwlock_unlock(&clock_lock);
  int64_t now = real_ns(CLOCK_MONOTONIC);
  return active ? elapsed + (int64_t)((double)(now - real) * speed) : now;
}

int64_t sim_clock_wall_ns(void) {
  if (tv_time_active()) return tv_time_wall_ns();
  int active;
  int64_t real, wall;
  double speed;
  read_clock(&active, &real, &wall, &speed);
  if (!active) return real_ns(CLOCK_REALTIME);
  return wall + (int64_t)((double)(real_ns(CLOCK_MONOTONIC) - real) * speed);
}

time_t sim_clock_time(void) {
  int64_t ns = sim_clock_wall_ns();
  return (time_t)(ns >= 0 ? ns / 1000000000 : -((-ns + 999999999) / 1000000000));
}

double sim_clock_speed(void) {
  if (tv_time_active()) return 1.0;
  int active;
  int64_t real, wall;
  double speed;
  read_clock(&active, &real, &wall, &speed);
  return active ? speed : 1.0;
}

void sim_clock_set(int64_t start, double speed) {
  int64_t wall = start >= 0 ? start * 1000000000 : sim_clock_wall_ns();
  if (!(speed >= 0.001)) speed = 0.001;
  int64_t elapsed = scaled_elapsed_ns();
  setenv("TZ", "UTC0", 1);
  tzset();
  pthread_rwlock_wrlock(&clock_lock);
  base_elapsed_ns = elapsed;
  base_real_ns = real_ns(CLOCK_MONOTONIC);
  base_wall_ns = wall;
  clock_speed = speed;
  clock_active = 1;
  pthread_rwlock_unlock(&clock_lock);
}

void sim_clock_jump(int64_t seconds) {
  if (tv_time_active()) {
    tv_time_jump(seconds);
    return;
  }
  pthread_rwlock_rdlock(&clock_lock);
  int active = clock_active;
  pthread_rwlock_unlock(&clock_lock);
  if (!active) sim_clock_set(-1, 1.0);
  pthread_rwlock_wrlock(&clock_lock);
  base_wall_ns += seconds * 1000000000;
  pthread_rwlock_unlock(&clock_lock);
}

void sim_clock_reset(void) {
  int64_t elapsed = scaled_elapsed_ns();
  pthread_rwlock_wrlock(&clock_lock);
  base_elapsed_ns = elapsed;
  clock_active = 0;
  clock_speed = 1.0;
  pthread_rwlock_unlock(&clock_lock);
}

static int is_wall_clock(clockid_t clock) {
  return clock == CLOCK_REALTIME || clock == CLOCK_REALTIME_COARSE;
}

time_t time(time_t *out) {
  time_t now = sim_clock_time();
  if (out != NULL) *out = now;
  return now;
}

/* The headers mark these pointers non-null; null is handled all the same. */
#pragma GCC diagnostic ignored "-Wnonnull-compare"
int gettimeofday(struct timeval *restrict now, void *restrict zone) {
  if (now == NULL) return NEXT(gettimeofday)(now, zone);
  int64_t ns = sim_clock_wall_ns();
  now->tv_sec = (time_t)(ns / 1000000000);
  now->tv_usec = (suseconds_t)(ns % 1000000000 / 1000);
  return 0;
}

static int is_monotonic_clock(clockid_t clock) {
  return clock == CLOCK_MONOTONIC || clock == CLOCK_MONOTONIC_RAW ||
         clock == CLOCK_MONOTONIC_COARSE || clock == CLOCK_BOOTTIME;
}

int clock_gettime(clockid_t clock, struct timespec *now) {
  int64_t ns;
  if (now != NULL && tv_time_active() && is_monotonic_clock(clock)) {
    ns = tv_time_monotonic_ns();
  } else if (now != NULL && is_wall_clock(clock)) {
    ns = sim_clock_wall_ns();
  } else {
    return NEXT(clock_gettime)(clock, now);
  }
  now->tv_sec = (time_t)(ns / 1000000000);
  now->tv_nsec = (long)(ns % 1000000000);
  return 0;
}

/* ---- sleeping: simulated durations take real time / speed ---- */

static struct timespec to_timespec(int64_t ns) {
  struct timespec span = {(time_t)(ns / 1000000000), (long)(ns % 1000000000)};
  return span;
}

static int64_t from_timespec(const struct timespec *span) {
  return (int64_t)span->tv_sec * 1000000000 + span->tv_nsec;
}

static int valid_span(const struct timespec *span) {
  return span != NULL && span->tv_sec >= 0 && span->tv_nsec >= 0 && span->tv_nsec < 1000000000;
}

int nanosleep(const struct timespec *span, struct timespec *left) {
  if (tv_time_active() && valid_span(span)) return tv_time_sleep(from_timespec(span), NULL);
  double speed = sim_clock_speed();
  if (speed == 1.0 || span == NULL || span->tv_nsec < 0 || span->tv_nsec >= 1000000000)
    return NEXT(nanosleep)(span, left);
  struct timespec real = to_timespec((int64_t)((double)from_timespec(span) / speed));
  struct timespec real_left;
  int result = NEXT(nanosleep)(&real, &real_left);
  if (result != 0 && left != NULL)
    *left = to_timespec((int64_t)((double)from_timespec(&real_left) * speed));
  return result;
}

int clock_nanosleep(clockid_t clock, int flags, const struct timespec *span,
                    struct timespec *left) {
  if (tv_time_active() && span != NULL && (is_wall_clock(clock) || is_monotonic_clock(clock))) {
    int64_t wait = from_timespec(span);
    if (flags & TIMER_ABSTIME)
      wait = (is_wall_clock(clock) ? tv_time_from_wall_ns(wait) : tv_time_from_monotonic_ns(wait)) -
             tv_time_elapsed_ns();
    return tv_time_sleep(wait, NULL);
  }
  double speed = sim_clock_speed();
  if (speed == 1.0 && !(is_wall_clock(clock) && (flags & TIMER_ABSTIME)))
    return NEXT(clock_nanosleep)(clock, flags, span, left);
  if (span == NULL) return EFAULT;
  int64_t wait = from_timespec(span);
  if (flags & TIMER_ABSTIME) {
    /* A deadline on the simulated wall clock; one on the monotonic clock is real. */
    if (!is_wall_clock(clock)) return NEXT(clock_nanosleep)(clock, flags, span, left);
    wait -= sim_clock_wall_ns();
    if (wait <= 0) return 0;
  }
  struct timespec real = to_timespec((int64_t)((double)wait / speed));
  struct timespec real_left;
  int result = NEXT(clock_nanosleep)(CLOCK_MONOTONIC, 0, &real, &real_left);
  if (result == EINTR && left != NULL && !(flags & TIMER_ABSTIME))
    *left = to_timespec((int64_t)((double)from_timespec(&real_left) * speed));
  return result;
}

/* The plug-in's waits: points where a scenario can hold the thread
 * ("wait", or "wait-MS" for a wait of MS milliseconds). */
static int plugin_wait(int64_t ns) {
  char detail[32];
  snprintf(detail, sizeof detail, "wait-%lld", (long long)(ns / 1000000));
  tv_time_point("wait", detail);
  return tv_time_sleep(ns, NULL);
}

int usleep(useconds_t microseconds) {
  if (tv_time_active()) return plugin_wait((int64_t)microseconds * 1000);
  struct timespec span = to_timespec((int64_t)microseconds * 1000);
  return nanosleep(&span, NULL);
}

unsigned int sleep(unsigned int seconds) {
  if (tv_time_active()) return (unsigned int)plugin_wait((int64_t)seconds * 1000000000);
  struct timespec span = {(time_t)seconds, 0}, left = {0, 0};
  if (nanosleep(&span, &left) != 0) return (unsigned int)left.tv_sec + (left.tv_nsec > 0);
  return 0;
}

/* ---- SDL 1.2's clock: its timer thread reads SDL_GetTicks and waits with
 * SDL_Delay through the library's own symbol table, so these scale it too. */

uint32_t SDL_GetTicks(void) {
  if (tv_time_active()) return (uint32_t)(tv_time_elapsed_ns() / 1000000);
  static int64_t first_ns = -1; /* the first call, in scaled time */
  int64_t now = scaled_elapsed_ns();
  int64_t expected = -1;
  __atomic_compare_exchange_n(&first_ns, &expected, now, 0, __ATOMIC_RELAXED, __ATOMIC_RELAXED);
  return (uint32_t)((now - __atomic_load_n(&first_ns, __ATOMIC_RELAXED)) / 1000000);
}

void SDL_Delay(uint32_t milliseconds) {
  if (tv_time_active()) {
    plugin_wait((int64_t)milliseconds * 1000000);
    return;
  }
  struct timespec span = to_timespec((int64_t)milliseconds * 1000000);
  while (nanosleep(&span, &span) != 0 && errno == EINTR) {
  }
}
