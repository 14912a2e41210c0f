// Clang's thread-safety analysis: attributes that say which lock guards which
// data and which functions take, release or need a lock. Built with clang and
// -Wthread-safety (the clang-tsa preset) they are checked at compile time;
// other compilers see nothing.
//
// The standard library's mutexes carry no attributes, so a lock the analysis
// is to follow is an AnnotatedMutex, held through a ScopedLock (or a scoped
// lock class of its own, marked SCOPED_CAPABILITY).
#pragma once

#if defined(__clang__)
#define RECOLYX_THREAD_ATTRIBUTE(x) __attribute__((x))
#else
#define RECOLYX_THREAD_ATTRIBUTE(x)
#endif

// A type whose objects are locks ("mutex").
#define CAPABILITY(x) RECOLYX_THREAD_ATTRIBUTE(capability(x))
// A class that holds a lock from its constructor to its destructor.
#define SCOPED_CAPABILITY RECOLYX_THREAD_ATTRIBUTE(scoped_lockable)
// Data read or written only with lock x held.
#define GUARDED_BY(x) RECOLYX_THREAD_ATTRIBUTE(guarded_by(x))
// What a pointer points to is read or written only with lock x held.
#define PT_GUARDED_BY(x) RECOLYX_THREAD_ATTRIBUTE(pt_guarded_by(x))
// The caller holds these locks.
#define REQUIRES(...) RECOLYX_THREAD_ATTRIBUTE(requires_capability(__VA_ARGS__))
// The function takes these locks (none named: the object itself) and returns
// with them held.
#define ACQUIRE(...) RECOLYX_THREAD_ATTRIBUTE(acquire_capability(__VA_ARGS__))
// The function releases these locks (none named: the object itself).
#define RELEASE(...) RECOLYX_THREAD_ATTRIBUTE(release_capability(__VA_ARGS__))
// The function takes the locks when it returns the first argument.
#define TRY_ACQUIRE(...) RECOLYX_THREAD_ATTRIBUTE(try_acquire_capability(__VA_ARGS__))
// The caller must not hold these locks (the function takes them itself).
#define EXCLUDES(...) RECOLYX_THREAD_ATTRIBUTE(locks_excluded(__VA_ARGS__))
// The function returns (a reference to) lock x.
#define RETURN_CAPABILITY(x) RECOLYX_THREAD_ATTRIBUTE(lock_returned(x))
// The function's body is not analysed; say why where it is used.
#define NO_THREAD_SAFETY_ANALYSIS RECOLYX_THREAD_ATTRIBUTE(no_thread_safety_analysis)

// A standard mutex (std::mutex, std::recursive_mutex) the analysis knows as a
// lock. Recursion is not modelled: the analysis reports a second lock() in
// the scope that holds it, whatever the mutex allows.
template <typename Mutex>
class CAPABILITY("mutex") AnnotatedMutex {
 public:
  void lock() ACQUIRE() { mutex_.lock(); }
  void unlock() RELEASE() { mutex_.unlock(); }

 private:
  Mutex mutex_;
};

// Holds `lockable` (an AnnotatedMutex) for its scope.
template <typename Lockable>
class SCOPED_CAPABILITY ScopedLock {
 public:
  explicit ScopedLock(Lockable& lockable) ACQUIRE(lockable) : lockable_(lockable) { lockable.lock(); }
  ~ScopedLock() RELEASE() { lockable_.unlock(); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

 private:
  Lockable& lockable_;
};
