/* SDL's timers while TV time runs (tv_time.h): one thread of the
 * simulator's calls each timer's callback at exact TV times (the add's time
 * plus the interval, then the previous due time plus the interval the
 * callback returned; 0 ends the timer), as SDL 1.2's timer thread does on
 * the set with its 10 ms slices. SDL's own timer thread would wake every
 * millisecond to look; it is not started while TV time runs (sim_sdl.cpp).
 * Otherwise every call goes to libSDL. Each callback's entry is the point
 * "tick", where a scenario can hold the timer thread. */
#define _GNU_SOURCE
#include <pthread.h>
#include <stdint.h>
#include <stdlib.h>
#include <time.h>

#include "next_symbol.h"
#include "tv_time.h"

typedef uint32_t (*timer_callback)(uint32_t interval, void *param);

struct sim_timer {
  uint32_t interval;
  int64_t due;       /* TV ns */
  timer_callback callback;
  void *param;
  int firing;        /* its callback runs now */
  int removed;       /* removed while its callback ran */
  struct sim_timer *next;
};

static pthread_mutex_t timers_lock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t timers_changed = PTHREAD_COND_INITIALIZER;
static struct sim_timer *timers;  /* guarded by timers_lock */
static int thread_running;        /* guarded by timers_lock */

void *SDL_AddTimer(uint32_t interval, timer_callback callback, void *param);
int SDL_RemoveTimer(void *id);

static void unlink_timer(struct sim_timer *gone) {
  for (struct sim_timer **at = &timers; *at != NULL; at = &(*at)->next) {
    if (*at == gone) {
      *at = gone->next;
      free(gone);
      return;
    }
  }
}

static struct sim_timer *earliest(void) {
  struct sim_timer *first = NULL;
  for (struct sim_timer *t = timers; t != NULL; t = t->next)
    if (!t->removed && (first == NULL || t->due < first->due)) first = t;
  return first;
}

static void *timer_thread(void *unused) {
  (void)unused;
  pthread_mutex_lock(&timers_lock);
  while (tv_time_active()) {
    struct sim_timer *t = earliest();
    if (t == NULL) {
      pthread_cond_wait(&timers_changed, &timers_lock);
      continue;
    }
    int64_t now = tv_time_elapsed_ns();
    if (t->due > now) {
      int64_t at = tv_time_monotonic_ns() - now + t->due;
      struct timespec until = {(time_t)(at / 1000000000), (long)(at % 1000000000)};
      pthread_cond_clockwait(&timers_changed, &timers_lock, CLOCK_MONOTONIC, &until);
      continue;
    }
    t->firing = 1;
    pthread_mutex_unlock(&timers_lock);
    tv_time_point("tick", NULL);
    uint32_t next = t->callback(t->interval, t->param);
    pthread_mutex_lock(&timers_lock);
    t->firing = 0;
    if (t->removed || next == 0) {
      unlink_timer(t);
    } else {
      t->interval = next;
      t->due += (int64_t)next * 1000000;
    }
  }
  /* TV time has ended: its timers go with it. */
  while (timers != NULL) unlink_timer(timers);
  thread_running = 0;
  pthread_mutex_unlock(&timers_lock);
  return NULL;
}

void *SDL_AddTimer(uint32_t interval, timer_callback callback, void *param) {
  if (!tv_time_active()) return NEXT(SDL_AddTimer)(interval, callback, param);
  struct sim_timer *t = calloc(1, sizeof *t);
  if (t == NULL || callback == NULL) {
    free(t);
    return NULL;
  }
  t->interval = interval;
  t->due = tv_time_elapsed_ns() + (int64_t)interval * 1000000;
  t->callback = callback;
  t->param = param;
  pthread_mutex_lock(&timers_lock);
  if (!thread_running) {
    pthread_t thread;
    if (pthread_create(&thread, NULL, timer_thread, NULL) != 0) {
      pthread_mutex_unlock(&timers_lock);
      free(t);
      return NULL;
    }
    pthread_detach(thread);
    thread_running = 1;
  }
  t->next = timers;
  timers = t;
  pthread_cond_signal(&timers_changed);
  pthread_mutex_unlock(&timers_lock);
  return t;
}

int SDL_RemoveTimer(void *id) {
  pthread_mutex_lock(&timers_lock);
  for (struct sim_timer *t = timers; t != NULL; t = t->next) {
    if (t != id) continue;
    int found = !t->removed;
    if (t->firing) {
      t->removed = 1;
    } else {
      unlink_timer(t);
    }
    pthread_cond_signal(&timers_changed);
    pthread_mutex_unlock(&timers_lock);
    return found;
  }
  pthread_mutex_unlock(&timers_lock);
  return NEXT(SDL_RemoveTimer)(id);
}
