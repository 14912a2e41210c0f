/* The simulated set's clock. The set's clock runs on UTC; the simulator can
 * start it at any date and time (a summer-time switch day, a year end) and
 * run the world N times faster: time(), gettimeofday(), the real-time clock,
 * SDL_GetTicks, SDL_Delay and the sleep family (sleep, usleep, nanosleep,
 * clock_nanosleep) are scaled together, and so is the broadcast clock that
 * reads sim_clock_time(). The monotonic clock is left alone, so that timed
 * waits of threads keep working. Until sim_clock_set is called every call
 * passes through unchanged. Shell commands see the PC's own clock. */
#ifndef RECOLYX_SIM_PLATFORM_SIM_TIME_H
#define RECOLYX_SIM_PLATFORM_SIM_TIME_H

#include <stdint.h>
#include <time.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Starts the simulated clock at `start` (UTC seconds; negative: go on from
 * the current simulated time) running `speed` times real time (at least
 * 0.001). Also makes the process's local time UTC, as on the set. */
void sim_clock_set(int64_t start, double speed);

/* The wall clock jumps by `seconds` (negative: backwards), as when the set
 * takes its time from the broadcast: time(), gettimeofday() and the
 * real-time clock jump; SDL_GetTicks, the sleeps and the monotonic clock
 * run on undisturbed. Starts the simulated clock at real speed when it was
 * not set. |seconds| below 2^32. */
void sim_clock_jump(int64_t seconds);

/* Back to the PC's clock at real speed. */
void sim_clock_reset(void);

/* The simulated UTC time: seconds, and nanoseconds since the epoch. */
time_t sim_clock_time(void);
int64_t sim_clock_wall_ns(void);
double sim_clock_speed(void);

#ifdef __cplusplus
}
#endif

#endif
