/* TV time (tv_time.h): the scheduler that lets the simulator's clock move
 * only when every thread waits.
 *
 * Each thread that takes part has an entry and a semaphore. A thread that
 * waits (a sleep, a condition, a mutex, a join, a hold) marks its entry
 * blocked, with a deadline in TV time or none, hands the turn on and sleeps
 * on its semaphore; whoever makes it ready again (a signal, an unlock, the
 * end of a thread, a resume, the clock reaching its deadline) does so under
 * the one lock of this file, so no wake-up is lost and no thread is ever
 * thought to wait while it still runs. When no thread runs and none is
 * ready, the clock jumps to the earliest deadline and the threads due then
 * become ready, ordered by deadline and then by the order in which the
 * threads were created: that order, and the order of the ready queue, is
 * what makes a serial run replay exactly. */
#define _GNU_SOURCE
#include "tv_time.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <semaphore.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "next_symbol.h"

enum state { S_STARTING, S_RUNNING, S_READY, S_BLOCKED, S_EXITED };
enum why { W_NONE, W_SLEEP, W_COND, W_MUTEX, W_JOIN, W_HOLD, W_HELD_WAIT, W_TURN };

struct tv_thread {
  sem_t wake;
  enum state state;
  enum why why;
  int64_t deadline;            /* TV ns; INT64_MAX: none */
  const void *object;          /* the condition, mutex or hold waited on */
  struct tv_thread *join_target;
  int timed_out;               /* the last wait ended at its deadline */
  uint64_t order;              /* creation order: ties between threads */
  uint64_t ready_seq;          /* when it became ready: the queue's order */
  uint64_t wait_seq;           /* when it began to wait on a condition */
  unsigned generation;         /* the run of TV time it belongs to */
  pthread_t self;
  int self_known;
  void *(*start)(void *);
  void *arg;
  char name[16];
  struct tv_thread *next;
};

struct hold {
  char name[32];
  struct tv_thread *held;  /* the thread caught, or NULL */
  int armed;
};

static void (*held_hook)(void);

enum { kMaxHolds = 16, kMaxCommands = 64, kCommandFd = 977 };
static const int64_t kCommandPatienceNs = 60LL * 1000000000;

static pthread_mutex_t big = PTHREAD_MUTEX_INITIALIZER;
static int active;             /* read without the lock (atomic) */
static unsigned generation;    /* 1 for the first run (atomic for readers) */
static int serial;
static double pace;
static uint64_t rng;           /* 0: FIFO */
static int shaking;            /* a serial run with a shake seed (atomic) */
static int64_t elapsed;        /* TV ns since the start (atomic for readers) */
static int64_t wall_base;      /* TV wall clock at elapsed 0 (atomic) */
static int64_t mono_base;      /* monotonic clock at elapsed 0 (atomic) */
static int64_t pace_real0, pace_tv0;
static struct tv_thread *threads;   /* this run's entries */
static struct tv_thread *retired;   /* earlier runs' (threads may still point at them) */
static int running;
static int advancing;
static uint64_t seq, order_seq;
static struct hold holds[kMaxHolds];
static int command_fds[kMaxCommands];
static int64_t command_since[kMaxCommands];
static int commands;
static int mutex_waiters;      /* threads blocked on a mutex (atomic) */
static pthread_key_t exit_key;
static pthread_once_t exit_key_once = PTHREAD_ONCE_INIT;
static __thread struct tv_thread *me;

/* ---- the lock and the PC's clock, never through this process's wrappers */

static void big_lock(void) { NEXT(pthread_mutex_lock)(&big); }
static void big_unlock(void) { NEXT(pthread_mutex_unlock)(&big); }

int64_t tv_time_real_ns(void) {
  struct timespec now;
  NEXT(clock_gettime)(CLOCK_MONOTONIC, &now);
  return (int64_t)now.tv_sec * 1000000000 + now.tv_nsec;
}

static int64_t real_wall_ns(void) {
  struct timespec now;
  NEXT(clock_gettime)(CLOCK_REALTIME, &now);
  return (int64_t)now.tv_sec * 1000000000 + now.tv_nsec;
}

static void real_sleep_ns(int64_t ns) {
  if (ns <= 0) return;
  struct timespec span = {(time_t)(ns / 1000000000), (long)(ns % 1000000000)};
  NEXT(nanosleep)(&span, NULL);
}

int tv_time_active(void) { return __atomic_load_n(&active, __ATOMIC_ACQUIRE); }

int64_t tv_time_elapsed_ns(void) { return __atomic_load_n(&elapsed, __ATOMIC_ACQUIRE); }

int64_t tv_time_wall_ns(void) {
  return __atomic_load_n(&wall_base, __ATOMIC_ACQUIRE) + tv_time_elapsed_ns();
}

int64_t tv_time_monotonic_ns(void) {
  return __atomic_load_n(&mono_base, __ATOMIC_ACQUIRE) + tv_time_elapsed_ns();
}

int64_t tv_time_from_wall_ns(int64_t wall_ns) {
  return wall_ns - __atomic_load_n(&wall_base, __ATOMIC_ACQUIRE);
}

int64_t tv_time_from_monotonic_ns(int64_t monotonic_ns) {
  return monotonic_ns - __atomic_load_n(&mono_base, __ATOMIC_ACQUIRE);
}

void tv_time_jump(int64_t seconds) {
  __atomic_add_fetch(&wall_base, seconds * 1000000000, __ATOMIC_ACQ_REL);
}


/* ---- entries */

static uint64_t next_random(void) {
  rng ^= rng << 13;
  rng ^= rng >> 7;
  rng ^= rng << 17;
  return rng;
}

static struct tv_thread *new_entry(enum state state) {
  struct tv_thread *t = calloc(1, sizeof *t);
  if (t == NULL) abort();
  sem_init(&t->wake, 0, 0);
  t->state = state;
  t->deadline = INT64_MAX;
  t->order = ++order_seq;
  t->generation = generation;
  snprintf(t->name, sizeof t->name, "thread %llu", (unsigned long long)t->order);
  t->next = threads;
  threads = t;
  return t;
}

static void remove_entry(struct tv_thread *gone) {
  for (struct tv_thread **at = &threads; *at != NULL; at = &(*at)->next) {
    if (*at == gone) {
      *at = gone->next;
      sem_destroy(&gone->wake);
      free(gone);
      return;
    }
  }
}

static int mine(const struct tv_thread *t) {
  return t != NULL && t->generation == __atomic_load_n(&generation, __ATOMIC_ACQUIRE);
}

/* ---- the queue and the clock (with big held) */

static void make_ready(struct tv_thread *t) {
  t->state = S_READY;
  t->ready_seq = ++seq;
}

static struct tv_thread *pick_ready(void) {
  struct tv_thread *best = NULL;
  int count = 0;
  for (struct tv_thread *t = threads; t != NULL; t = t->next) {
    if (t->state != S_READY) continue;
    ++count;
    if (best == NULL || t->ready_seq < best->ready_seq) best = t;
  }
  if (rng == 0 || count < 2) return best;
  uint64_t choice = next_random() % (uint64_t)count;
  for (struct tv_thread *t = threads; t != NULL; t = t->next)
    if (t->state == S_READY && choice-- == 0) return t;
  return best;
}

static void run_ready(void) {
  while (!serial || running == 0) {
    struct tv_thread *t = pick_ready();
    if (t == NULL) return;
    t->state = S_RUNNING;
    ++running;
    sem_post(&t->wake);
  }
}

static const char *why_text(enum why why) {
  static const char *const texts[] = {"-", "sleeps", "waits on a condition", "waits for a mutex",
                                      "waits for a thread to end", "is held", "waits for a hold",
                                      "waits for its turn"};
  return texts[why];
}

void tv_time_describe(char *out, size_t size) {
  static const char *const states[] = {"starting", "running", "ready", "blocked", "ended"};
  size_t used = 0;
  if (size == 0) return;
  out[0] = '\0';
  int written = snprintf(out, size, "TV time %.3f s, %d running:", (double)elapsed / 1e9, running);
  used = written > 0 ? (size_t)written : 0;
  for (struct tv_thread *t = threads; t != NULL && used < size; t = t->next) {
    if (t->state == S_EXITED) continue;
    char deadline[32] = "";
    if (t->state == S_BLOCKED && t->deadline != INT64_MAX)
      snprintf(deadline, sizeof deadline, " until %.3f s", (double)t->deadline / 1e9);
    written = snprintf(out + used, size - used, " [%s: %s%s%s%s]", t->name, states[t->state],
                       t->state == S_BLOCKED ? ", " : "", t->state == S_BLOCKED ? why_text(t->why) : "",
                       deadline);
    if (written < 0) break;
    used += (size_t)written;
  }
}

/* Every thread waits and nothing is due: the program can never go on. */
static void deadlocked(void) {
  char text[2048];
  tv_time_describe(text, sizeof text);
  fprintf(stderr, "tv time: every thread waits and no TV time is due: %s\n", text);
  fflush(stderr);
  abort();
}

static int any_ready(void) {
  for (struct tv_thread *t = threads; t != NULL; t = t->next)
    if (t->state == S_READY || t->state == S_STARTING) return 1;
  return 0;
}

/* Drops the commands whose every process has ended (with big held). */
static void sweep_commands(void) {
  for (int i = 0; i < commands;) {
    struct pollfd probe = {command_fds[i], POLLIN, 0};
    int gone = poll(&probe, 1, 0) > 0 && (probe.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    int stale = !gone && tv_time_real_ns() - command_since[i] > kCommandPatienceNs;
    if (stale)
      fprintf(stderr, "tv time: a command still runs after %lld s; TV time goes on without it\n",
              (long long)(kCommandPatienceNs / 1000000000));
    if (gone || stale) {
      close(command_fds[i]);
      command_fds[i] = command_fds[--commands];
      command_since[i] = command_since[commands];
    } else {
      ++i;
    }
  }
}

/* Waits (big released) until some command's processes end, a little at a
 * time. */
static void wait_for_commands(void) {
  struct pollfd probes[kMaxCommands];
  int count = commands;
  for (int i = 0; i < count; ++i) probes[i] = (struct pollfd){command_fds[i], POLLIN, 0};
  big_unlock();
  poll(probes, (nfds_t)count, 20);
  big_lock();
}

/* With nothing running and nothing ready: waits for the commands still
 * running, keeps the pace, then moves the clock to the earliest deadline and
 * readies the threads due then, in deadline and creation order. */
static void advance(void) {
  advancing = 1;
  for (;;) {
    if (running > 0 || any_ready() || !tv_time_active()) break;
    sweep_commands();
    if (commands > 0) {
      wait_for_commands();
      continue;
    }
    int64_t due = INT64_MAX;
    for (struct tv_thread *t = threads; t != NULL; t = t->next)
      if (t->state == S_BLOCKED && t->deadline < due) due = t->deadline;
    if (due == INT64_MAX) deadlocked();
    if (due < elapsed) due = elapsed;
    if (pace > 0) {
      int64_t now = tv_time_real_ns();
      int64_t real_due = pace_real0 + (int64_t)((double)(due - pace_tv0) / pace);
      if (real_due > now) {
        big_unlock();
        real_sleep_ns(real_due - now < 50000000 ? real_due - now : 50000000);
        big_lock();
        continue;
      }
      if (now - real_due > 200000000) {  /* far behind: keep the pace from here */
        pace_real0 = now;
        pace_tv0 = due;
      }
    }
    __atomic_store_n(&elapsed, due, __ATOMIC_RELEASE);
    /* Ready the threads due now: earliest deadline first, then creation. */
    for (;;) {
      struct tv_thread *first = NULL;
      for (struct tv_thread *t = threads; t != NULL; t = t->next) {
        if (t->state != S_BLOCKED || t->deadline > due) continue;
        if (first == NULL || t->deadline < first->deadline ||
            (t->deadline == first->deadline && t->order < first->order))
          first = t;
      }
      if (first == NULL) break;
      first->timed_out = 1;
      first->why = W_NONE;
      first->object = NULL;
      make_ready(first);
    }
    break;
  }
  advancing = 0;
}

/* Hands the turn on; when nobody runs and nobody is ready, the clock moves. */
static void dispatch(void) {
  run_ready();
  if (running == 0 && !advancing && tv_time_active()) {
    advance();
    run_ready();
  }
}

static void wait_turn(struct tv_thread *t) {
  while (sem_wait(&t->wake) != 0 && errno == EINTR) {
  }
}

/* The calling thread waits as its entry says (why, deadline, object set);
 * big is held on entry and released here. */
static void block_me(struct tv_thread *t) {
  t->state = S_BLOCKED;
  t->timed_out = 0;
  --running;
  if (t->deadline <= elapsed) {  /* due already: a turn for the others */
    t->timed_out = 1;
    t->why = W_NONE;
    make_ready(t);
  }
  dispatch();
  big_unlock();
  wait_turn(t);
}

/* Gives the turn to the other ready threads (serial shake mode), big held
 * on entry and released. */
static void yield_me(struct tv_thread *t) {
  t->why = W_TURN;
  --running;
  make_ready(t);
  dispatch();
  big_unlock();
  wait_turn(t);
}

/* Waits on `object` for `why` until `deadline` (INT64_MAX: none); big is
 * held on entry and released. The entry is cleared again once woken. */
static void wait_on(struct tv_thread *t, enum why why, const void *object, int64_t deadline) {
  t->why = why;
  t->object = object;
  t->deadline = deadline;
  block_me(t);
  t->why = W_NONE;
  t->object = NULL;
  t->deadline = INT64_MAX;
}

/* Readies every thread blocked on `object` for `why` (big held); how many. */
static int ready_waiters(enum why why, const void *object) {
  int woken = 0;
  for (struct tv_thread *t = threads; t != NULL; t = t->next) {
    if (t->state == S_BLOCKED && t->why == why && t->object == object) {
      t->why = W_NONE;
      t->object = NULL;
      make_ready(t);
      ++woken;
    }
  }
  return woken;
}

static int coin(void) { return rng != 0 && serial && (next_random() & 1) != 0; }

/* The calling thread's entry; a thread that TV time does not know yet (it
 * was running before TV time started) joins it and waits for its turn. */
static struct tv_thread *current(void) {
  if (mine(me)) return me;
  big_lock();
  struct tv_thread *t = new_entry(S_READY);
  t->self = pthread_self();
  t->self_known = 1;
  make_ready(t);
  me = t;
  dispatch();
  big_unlock();
  wait_turn(t);
  return t;
}

/* ---- starting and stopping */

static void thread_ended(void *entry) {
  struct tv_thread *t = entry;
  if (t == NULL) return;
  big_lock();
  if (mine(t) && t->state != S_EXITED) {
    if (t->state == S_RUNNING) --running;
    t->state = S_EXITED;
    for (struct tv_thread *j = threads; j != NULL; j = j->next) {
      if (j->state == S_BLOCKED && j->why == W_JOIN && j->join_target == t) {
        j->why = W_NONE;
        make_ready(j);
      }
    }
    dispatch();
  }
  big_unlock();
}

static void make_exit_key(void) { pthread_key_create(&exit_key, thread_ended); }

int tv_time_start(int64_t start_utc, double speed, enum tv_time_order order, uint64_t shake_seed) {
  pthread_once(&exit_key_once, make_exit_key);
  setenv("TZ", "UTC0", 1);
  tzset();
  int64_t wall = start_utc >= 0 ? start_utc * 1000000000 : real_wall_ns();
  big_lock();
  if (active) {
    big_unlock();
    return -1;
  }
  /* Entries of an earlier run stay reachable: their threads may still hold them. */
  while (threads != NULL) {
    struct tv_thread *t = threads;
    threads = t->next;
    t->next = retired;
    retired = t;
  }
  __atomic_add_fetch(&generation, 1, __ATOMIC_ACQ_REL);
  serial = order == TV_TIME_SERIAL;
  pace = speed > 0 ? speed : 0;
  rng = shake_seed;
  if (rng != 0) next_random();
  __atomic_store_n(&shaking, rng != 0 && serial, __ATOMIC_RELEASE);
  running = 0;
  advancing = 0;
  seq = order_seq = 0;
  memset(holds, 0, sizeof holds);
  __atomic_store_n(&elapsed, 0, __ATOMIC_RELEASE);
  __atomic_store_n(&wall_base, wall, __ATOMIC_RELEASE);
  int64_t real_now = tv_time_real_ns();
  __atomic_store_n(&mono_base, real_now, __ATOMIC_RELEASE);
  pace_real0 = real_now;
  pace_tv0 = 0;
  struct tv_thread *t = new_entry(S_RUNNING);
  snprintf(t->name, sizeof t->name, "first");
  t->self = pthread_self();
  t->self_known = 1;
  running = 1;
  me = t;
  __atomic_store_n(&active, 1, __ATOMIC_RELEASE);
  big_unlock();
  return 0;
}

void tv_time_stop(void) {
  big_lock();
  if (!active) {
    big_unlock();
    return;
  }
  __atomic_store_n(&active, 0, __ATOMIC_RELEASE);
  __atomic_store_n(&shaking, 0, __ATOMIC_RELEASE);
  for (struct tv_thread *t = threads; t != NULL; t = t->next) {
    if (t->state == S_BLOCKED || t->state == S_READY) {
      t->timed_out = t->why == W_SLEEP;
      t->why = W_NONE;
      t->state = S_RUNNING;
      sem_post(&t->wake);
    }
  }
  for (int i = 0; i < commands; ++i) close(command_fds[i]);
  commands = 0;
  memset(holds, 0, sizeof holds);
  big_unlock();
}

/* ---- waits */

int tv_time_sleep(int64_t ns, const char *point) {
  if (point != NULL) tv_time_point(point, NULL);
  struct tv_thread *t = current();
  big_lock();
  if (!active) {
    big_unlock();
    return 0;
  }
  wait_on(t, W_SLEEP, NULL, elapsed + (ns > 0 ? ns : 0));
  return 0;
}

int tv_time_cond_wait(const void *cond, pthread_mutex_t *mutex, int has_deadline,
                      int64_t deadline_tv_ns) {
  struct tv_thread *t = current();
  big_lock();
  if (!active) {
    big_unlock();
    return 0;  /* a spurious wake-up: the caller looks again */
  }
  t->why = W_COND;
  t->object = cond;
  t->deadline = has_deadline ? deadline_tv_ns : INT64_MAX;
  t->wait_seq = ++seq;
  t->timed_out = 0;
  big_unlock();
  /* Between here and the block only this thread runs in a serial run; a
   * signal meanwhile takes the entry out of the waiters and the block is
   * skipped. */
  pthread_mutex_unlock(mutex);
  big_lock();
  if (t->why == W_COND && active) {
    block_me(t);
  } else {
    big_unlock();
  }
  int timed_out = t->timed_out;
  t->why = W_NONE;
  t->object = NULL;
  t->deadline = INT64_MAX;
  pthread_mutex_lock(mutex);
  return timed_out ? ETIMEDOUT : 0;
}

void tv_time_cond_wake(const void *cond, int all) {
  if (!mine(me) && !tv_time_active()) return;
  big_lock();
  int woken = 0;
  for (;;) {
    struct tv_thread *first = NULL;
    for (struct tv_thread *t = threads; t != NULL; t = t->next)
      if (t->why == W_COND && t->object == cond && (first == NULL || t->wait_seq < first->wait_seq))
        first = t;
    if (first == NULL) break;
    first->why = W_NONE;
    first->object = NULL;
    first->timed_out = 0;
    if (first->state == S_BLOCKED) make_ready(first);
    ++woken;
    if (!all) break;
  }
  if (woken > 0 && mine(me) && me->state == S_RUNNING && coin()) {
    yield_me(me);
    return;
  }
  dispatch();
  big_unlock();
}

int tv_time_mutex_lock(pthread_mutex_t *mutex) {
  struct tv_thread *t = current();
  /* Shaken: now and then another ready thread goes first, so that what a
   * thread does between taking two mutexes meets other interleavings. */
  if (__atomic_load_n(&shaking, __ATOMIC_ACQUIRE)) {
    big_lock();
    if (t->state == S_RUNNING && coin() && coin()) {
      yield_me(t);
    } else {
      big_unlock();
    }
  }
  for (;;) {
    int result = pthread_mutex_trylock(mutex);
    if (result != EBUSY) return result;
    big_lock();
    __atomic_add_fetch(&mutex_waiters, 1, __ATOMIC_SEQ_CST);
    result = pthread_mutex_trylock(mutex);
    if (result != EBUSY || !active) {
      __atomic_sub_fetch(&mutex_waiters, 1, __ATOMIC_SEQ_CST);
      big_unlock();
      if (result != EBUSY) return result;
      return NEXT(pthread_mutex_lock)(mutex);
    }
    wait_on(t, W_MUTEX, mutex, INT64_MAX);
    __atomic_sub_fetch(&mutex_waiters, 1, __ATOMIC_SEQ_CST);
  }
}

void tv_time_mutex_unlocked(pthread_mutex_t *mutex) {
  if (__atomic_load_n(&mutex_waiters, __ATOMIC_SEQ_CST) == 0) return;
  big_lock();
  int woken = ready_waiters(W_MUTEX, mutex);
  if (woken > 0 && mine(me) && me->state == S_RUNNING && coin()) {
    yield_me(me);
    return;
  }
  dispatch();
  big_unlock();
}

/* ---- threads */

static void *thread_start(void *entry) {
  struct tv_thread *t = entry;
  me = t;
  pthread_setspecific(exit_key, t);
  wait_turn(t);
  void *result = t->start(t->arg);
  pthread_setspecific(exit_key, NULL);
  thread_ended(t);
  return result;
}

int tv_time_thread_create(pthread_t *thread, const pthread_attr_t *attr, void *(*start)(void *),
                          void *arg,
                          int (*create)(pthread_t *, const pthread_attr_t *, void *(*)(void *),
                                        void *)) {
  struct tv_thread *creator = current();
  pthread_once(&exit_key_once, make_exit_key);
  big_lock();
  struct tv_thread *t = new_entry(S_STARTING);
  t->start = start;
  t->arg = arg;
  big_unlock();
  pthread_t id;
  int result = create(&id, attr, thread_start, t);
  big_lock();
  if (result != 0) {
    remove_entry(t);
    big_unlock();
    return result;
  }
  *thread = id;
  t->self = id;
  t->self_known = 1;
  make_ready(t);
  if (creator->state == S_RUNNING && coin()) {
    yield_me(creator);
    return 0;
  }
  dispatch();
  big_unlock();
  return 0;
}

int tv_time_join_wait(pthread_t thread) {
  if (!tv_time_active()) return 0;
  struct tv_thread *t = current();
  big_lock();
  struct tv_thread *target = NULL;
  for (struct tv_thread *j = threads; j != NULL; j = j->next)
    if (j->self_known && pthread_equal(j->self, thread)) target = j;
  if (target == NULL || target == t || !active) {
    big_unlock();
    return 0;
  }
  if (target->state != S_EXITED) {
    t->why = W_JOIN;
    t->join_target = target;
    t->deadline = INT64_MAX;
    block_me(t);
    big_lock();
    t->why = W_NONE;
    t->join_target = NULL;
  }
  if (target->state == S_EXITED) remove_entry(target);
  big_unlock();
  return 1;
}

/* ---- points and holds */

static struct hold *find_hold(const char *name) {
  if (name == NULL) return NULL;
  for (int i = 0; i < kMaxHolds; ++i)
    if (holds[i].armed && strcmp(holds[i].name, name) == 0) return &holds[i];
  return NULL;
}

void tv_time_point(const char *name, const char *detail) {
  if (!tv_time_active()) return;
  struct tv_thread *t = current();
  big_lock();
  struct hold *hold = find_hold(name);
  if (hold == NULL || hold->held != NULL) hold = find_hold(detail);
  if (hold == NULL || hold->held != NULL || !active) {
    big_unlock();
    return;
  }
  hold->held = t;
  ready_waiters(W_HELD_WAIT, hold);
  void (*hook)(void) = held_hook;
  if (hook != NULL) {
    /* The hook may wait on what TV time runs: without the lock. */
    big_unlock();
    hook();
    big_lock();
    if (hold->held != t) { /* resumed meanwhile */
      big_unlock();
      return;
    }
  }
  wait_on(t, W_HOLD, hold, INT64_MAX);
}

void tv_time_on_hold(void (*hook)(void)) {
  big_lock();
  held_hook = hook;
  big_unlock();
}

int tv_time_thread_held(pthread_t thread) {
  if (!tv_time_active()) return 0;
  big_lock();
  int held = 0;
  for (int i = 0; i < kMaxHolds && !held; ++i) {
    const struct tv_thread *t = holds[i].held;
    held = holds[i].armed && t != NULL && t->self_known && pthread_equal(t->self, thread);
  }
  big_unlock();
  return held;
}

int tv_time_hold(const char *name) {
  if (strlen(name) >= sizeof holds[0].name) return -1;
  big_lock();
  struct hold *free_slot = find_hold(name);
  for (int i = 0; i < kMaxHolds && free_slot == NULL; ++i)
    if (!holds[i].armed) free_slot = &holds[i];
  if (free_slot != NULL && !free_slot->armed) {
    snprintf(free_slot->name, sizeof free_slot->name, "%s", name);
    free_slot->held = NULL;
    free_slot->armed = 1;
  }
  big_unlock();
  return free_slot != NULL ? 0 : -1;
}

int tv_time_wait_held(const char *name, int64_t timeout_ns) {
  struct tv_thread *t = current();
  big_lock();
  struct hold *hold = find_hold(name);
  if (hold != NULL && hold->held == NULL && active) {
    wait_on(t, W_HELD_WAIT, hold, elapsed + (timeout_ns > 0 ? timeout_ns : 0));
    big_lock();
  }
  int held = hold != NULL && hold->armed && hold->held != NULL;
  big_unlock();
  return held;
}

int tv_time_resume(const char *name) {
  big_lock();
  struct hold *hold = find_hold(name);
  if (hold == NULL) {
    big_unlock();
    return -1;
  }
  struct tv_thread *held = hold->held;
  memset(hold, 0, sizeof *hold);
  if (held != NULL && held->state == S_BLOCKED && held->why == W_HOLD) {
    held->why = W_NONE;
    make_ready(held);
  }
  dispatch();
  big_unlock();
  return held != NULL;
}

/* ---- commands */

int tv_time_command_fd(void) {
  if (!tv_time_active()) return -1;
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return -1;
  big_lock();
  if (commands == kMaxCommands) {
    big_unlock();
    close(ends[0]);
    close(ends[1]);
    return -1;
  }
  command_fds[commands] = ends[0];
  command_since[commands] = tv_time_real_ns();
  ++commands;
  big_unlock();
  return ends[1];
}

int tv_time_command_fd_number(void) { return kCommandFd; }
