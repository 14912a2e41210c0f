// The display lock. Two threads draw: SDL's timer thread (the supervision
// tick: information pane and status notices) and the host's key thread
// (icons, message boxes, the delete dialog, the settings screen). SDL 1.2's
// surface lock is a counter, not a mutex, and opening or closing the display
// opens or closes the fonts and the text library under the other thread's
// feet. So:
//
// - Every drawing sequence (the draws and the SDL_Flip that shows them) runs
//   with display_mutex held: take a DisplayLock for the sequence.
// - OpenOsd, CloseOsd, ClearOsd and ClearStatusBand take it themselves; it is
//   recursive, so a sequence that holds it may call them.
// - The analysis of clang's thread-safety build (thread_annotations.h) sees
//   DisplayLock take display_mutex; it does not model the recursion.
// - It is never held across a wait (a notice's 3 s, a message box's 2.5 s,
//   an icon's 1 s, the summary's 7 s): release it before SDL_Delay, so the
//   other thread draws meanwhile.
// - Lock order: display_mutex before font_mutex (fonts.h), never the other
//   way round.
//
// SDL is never shut down on SDL's own timer thread (SDL_Quit there would join
// the thread it runs on). The tick marks its thread with a TimerThreadScope;
// CloseOsd on a marked thread clears the overlay instead and leaves SDL, the
// surface and the fonts to the next remote key, which closes the display.
//
// Nor is SDL shut down with display_mutex held: SDL_Quit joins SDL's timer
// thread, and a tick still running there (the one of a recording just
// stopped, in the middle of a notice) may be waiting for the lock. So the
// display's close only asks for the shutdown (RequestSdlQuit); it runs when
// the thread's outermost DisplayLock is released, and while it runs the
// timer thread does not open the display (SdlQuitting). An OpenOsd on the
// same thread before that takes the request back: SDL stays up.
#pragma once

#include <mutex>

#include "thread_annotations.h"

using DisplayMutex = AnnotatedMutex<std::recursive_mutex>;
extern DisplayMutex display_mutex;

// Holds display_mutex for the scope of one drawing sequence. Releasing the
// thread's outermost one runs the SDL shutdown this thread asked for, with
// the lock released. Cannot fail.
class SCOPED_CAPABILITY DisplayLock {
 public:
  explicit DisplayLock(DisplayMutex& mutex) ACQUIRE(mutex);
  ~DisplayLock() RELEASE();
  DisplayLock(const DisplayLock&) = delete;
  DisplayLock& operator=(const DisplayLock&) = delete;

 private:
  DisplayMutex& mutex_;
};

// Asks for SDL_Quit at the release of the calling thread's outermost
// DisplayLock (call with the lock held). `quit` runs then, without the lock;
// SdlQuitting() is true from this call until it has returned.
void RequestSdlQuit(void (*quit)()) REQUIRES(display_mutex);

// Takes back the calling thread's own request, if it made one (SDL stays
// up). true when there was one.
bool CancelSdlQuit();

// True while a shutdown is asked for or running on any thread.
bool SdlQuitting();

// Marks the calling thread as SDL's timer thread while the scope lasts
// (nesting allowed). Cannot fail.
class TimerThreadScope {
 public:
  TimerThreadScope();
  ~TimerThreadScope();
  TimerThreadScope(const TimerThreadScope&) = delete;
  TimerThreadScope& operator=(const TimerThreadScope&) = delete;
};

// True inside a TimerThreadScope on the calling thread.
bool OnTimerThread();
