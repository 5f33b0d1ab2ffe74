// Threads of libLumo that start parked: the thread exists and runs, but waits
// before its entry function until ResumeThread lets it go. Any thread may call
// these operations; a null handle makes each of them do nothing.
#ifndef LUMO_THREADCONTEXT_H
#define LUMO_THREADCONTEXT_H

#include <atomic>
#include <pthread.h>

namespace LumoVarnok {

typedef void (*ThreadEntry)(void *argument);

// The record behind a thread handle.
struct _ThreadContext {
  pthread_t thread{};
  ThreadEntry entry = nullptr;
  void *argument = nullptr;
  // Guards started and resumed (and the two conditions that announce them).
  pthread_mutex_t mutex{};
  pthread_cond_t startedCondition{};
  bool started = false; // set by the new thread as soon as it runs
  pthread_cond_t resumeCondition{};
  bool resumed = false; // set by ResumeThread
  // Set by ThreadJoin once the thread has been joined, so that CloseThread
  // does not detach a thread that no longer exists. Touched only by the
  // handle's owner.
  bool joined = false;
  // The record is shared by the handle and the running thread until the
  // thread is past its start-up; whoever lets go last frees it.
  std::atomic<int> references{0};
};

// Creates a thread that runs entry(argument) once resumed. Returns when the
// thread has started and parked; null when it cannot be created.
void *CreateSuspendedThread(ThreadEntry entry, void *argument);
// The body of every thread created above; context is its _ThreadContext.
void *run(void *context);
// Lets a parked thread enter its entry function.
void ResumeThread(void *thread);
// Waits for the thread to end; the result of pthread_join (0 for a null
// handle, 0 again for a thread that has been joined already).
int ThreadJoin(void *thread);
// Detaches the thread (unless joined) and frees the handle. A thread that is
// still parked is released without running its entry function.
void CloseThread(void *thread);
// Sleeps the given number of milliseconds.
void Sleep(unsigned char milliseconds);

} // namespace LumoVarnok

#endif // LUMO_THREADCONTEXT_H
