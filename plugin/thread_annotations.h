// Clang's thread-safety analysis: attributes that tell the compiler which
// lock guards which data, checked with -Wthread-safety. Other compilers see
// nothing.
#pragma once

#if defined(__clang__)
#define RECOLYX_THREAD_ATTRIBUTE(x) __attribute__((x))
#else
#define RECOLYX_THREAD_ATTRIBUTE(x)
#endif

#define CAPABILITY(x) RECOLYX_THREAD_ATTRIBUTE(capability(x))
#define SCOPED_CAPABILITY RECOLYX_THREAD_ATTRIBUTE(scoped_lockable)
#define GUARDED_BY(x) RECOLYX_THREAD_ATTRIBUTE(guarded_by(x))
#define PT_GUARDED_BY(x) RECOLYX_THREAD_ATTRIBUTE(pt_guarded_by(x))
#define REQUIRES(...) RECOLYX_THREAD_ATTRIBUTE(requires_capability(__VA_ARGS__))
#define ACQUIRE(...) RECOLYX_THREAD_ATTRIBUTE(acquire_capability(__VA_ARGS__))
#define RELEASE(...) RECOLYX_THREAD_ATTRIBUTE(release_capability(__VA_ARGS__))
#define TRY_ACQUIRE(...) RECOLYX_THREAD_ATTRIBUTE(try_acquire_capability(__VA_ARGS__))
#define EXCLUDES(...) RECOLYX_THREAD_ATTRIBUTE(locks_excluded(__VA_ARGS__))
#define ASSERT_CAPABILITY(x) RECOLYX_THREAD_ATTRIBUTE(assert_capability(x))
#define RETURN_CAPABILITY(x) RECOLYX_THREAD_ATTRIBUTE(lock_returned(x))
#define NO_THREAD_SAFETY_ANALYSIS RECOLYX_THREAD_ATTRIBUTE(no_thread_safety_analysis)
