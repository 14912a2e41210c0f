/* TV time: the simulator's own clock. Once started, time does not flow by
 * itself: it moves only when every thread of the process that takes part
 * (the thread that started it and every thread created after) waits, and
 * then it jumps to the earliest wake-up that is due. A scenario of three TV
 * hours then runs as fast as the CPU allows and gives the same log, files
 * and screens on any machine, under any load, under the sanitizers and
 * under an emulator.
 *
 * What waits on TV time once it runs: the sleep family, SDL_Delay, SDL's
 * timers, condition variables (timed or not), thread joins, mutexes that
 * are taken, and points where a scenario holds a thread. What reads it:
 * time(), gettimeofday(), the real-time and monotonic clocks, SDL_GetTicks.
 * Threads stay real threads.
 *
 * Two orders:
 *  - serial: one thread runs at a time; the next one to run is the one that
 *    has been ready longest (or, with a shake seed, one picked by a seeded
 *    generator), so a scenario replays exactly;
 *  - parallel: every thread that is ready runs, as on the set; only the
 *    clock is the simulator's. The stress tests judge real interleavings so.
 *
 * Commands that the process runs through system() run on the PC's clock;
 * while any process they started (in the background too) is alive, TV time
 * waits for it. */
#ifndef RECOLYX_SIM_PLATFORM_TV_TIME_H
#define RECOLYX_SIM_PLATFORM_TV_TIME_H

#include <pthread.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum tv_time_order { TV_TIME_PARALLEL = 0, TV_TIME_SERIAL = 1 };

/* Starts TV time at `start_utc` (UTC seconds; negative: the clock's current
 * time) with the calling thread as its first thread. `pace` 0 lets TV time
 * run as fast as the threads allow; N > 0 lets it run at most N times as
 * fast as the PC's clock (for watching). `shake_seed` 0 runs ready threads
 * in the order they became ready; any other value picks among them with a
 * generator seeded by it. Also makes the process's local time UTC, as on
 * the set. Returns 0, or -1 when TV time already runs. */
int tv_time_start(int64_t start_utc, double pace, enum tv_time_order order, uint64_t shake_seed);

/* Ends TV time: every thread waiting on it is woken (a sleep ends, a
 * condition wait returns as woken) and the clocks go back to the PC's. The
 * calling thread should be the last one still running. */
void tv_time_stop(void);

/* 1 while TV time runs. */
int tv_time_active(void);

/* TV time run since the start, in nanoseconds (0 when not running). */
int64_t tv_time_elapsed_ns(void);

/* The TV's wall clock in nanoseconds since 1970 (UTC) while TV time runs. */
int64_t tv_time_wall_ns(void);

/* The wall clock jumps by `seconds`; the monotonic clock, the sleeps and
 * the timers run on undisturbed. */
void tv_time_jump(int64_t seconds);

/* The PC's monotonic clock in nanoseconds, whatever runs. */
int64_t tv_time_real_ns(void);

/* Sleeps `ns` of TV time (at least a turn for the other ready threads).
 * `point` names the wait for holds (NULL: none). Returns 0. */
int tv_time_sleep(int64_t ns, const char *point);

/* ---- Points and holds. A point is a named place in the simulator's code
 * or in a wait. A hold, once armed, catches the first thread that reaches
 * the point and keeps it there until it is resumed; TV time goes on
 * meanwhile. A point with a detail ("wait" with "wait-1000") matches a hold
 * on either name. */
void tv_time_point(const char *name, const char *detail);

/* Arms a hold on `name` (at most 16 names at once, each at most 31
 * characters). Returns 0, or -1 when the name is too long or no room is
 * left. */
int tv_time_hold(const char *name);

/* Waits, in TV time, at most `timeout_ns` until a thread is held at `name`.
 * Returns 1 when one is, 0 when the time ran out or no hold is armed. */
int tv_time_wait_held(const char *name, int64_t timeout_ns);

/* Calls `hook` (or nothing, for NULL) each time a thread is caught by a
 * hold, from that thread, just before it stops: whoever waits for that
 * thread to finish something learns that it will not for now. */
void tv_time_on_hold(void (*hook)(void));

/* 1 when `thread` is held at a point now, else 0. */
int tv_time_thread_held(pthread_t thread);

/* Lets the thread held at `name` go on and disarms the hold. Returns 1 when
 * a thread was held there, 0 when the hold was armed but caught nothing
 * (it is disarmed all the same), -1 when no hold on `name` was armed. */
int tv_time_resume(const char *name);

/* ---- Commands run through system(). tv_time_command_fd gives a descriptor
 * to hand to the command as an inherited descriptor (-1 when TV time does
 * not run); the caller closes it once the command has started. TV time
 * does not move while any process still holds it. */
int tv_time_command_fd(void);

/* The descriptor number a command is given it as. */
int tv_time_command_fd_number(void);

/* ---- What the process's wrappers call (thread_wrappers.c). */
int tv_time_cond_wait(const void *cond, pthread_mutex_t *mutex, int has_deadline,
                      int64_t deadline_tv_ns);
void tv_time_cond_wake(const void *cond, int all);
int tv_time_mutex_lock(pthread_mutex_t *mutex);
void tv_time_mutex_unlocked(pthread_mutex_t *mutex);
/* Runs the real creation with the thread registered; see thread_wrappers.c. */
int tv_time_thread_create(pthread_t *thread, const pthread_attr_t *attr, void *(*start)(void *),
                          void *arg,
                          int (*create)(pthread_t *, const pthread_attr_t *, void *(*)(void *),
                                        void *));
/* Waits until `thread` has ended when it is one of TV time's threads.
 * Returns 1 when it waited, 0 when the thread is not one of them. */
int tv_time_join_wait(pthread_t thread);
/* Deadlines given on the PC's clocks, as TV time. */
int64_t tv_time_from_wall_ns(int64_t wall_ns);
int64_t tv_time_from_monotonic_ns(int64_t monotonic_ns);
int64_t tv_time_monotonic_ns(void);

/* What each thread is doing, for a diagnosis (always NUL-terminated). */
void tv_time_describe(char *out, size_t size);

#ifdef __cplusplus
}
#endif

#endif
