// Signalable events. ClickThreadEvent sets an event and wakes one waiter;
// WaitForThreadEvent waits for it and consumes the signal; CheckThreadEvent
// only looks. The SDK uses them both as auto-reset wake-up signals and as stop
// flags that a loop looks at and nobody resets. Any thread may call these
// operations; a null handle makes each of them do nothing (Check: false).
#ifndef LUMO_THREADEVENT_H
#define LUMO_THREADEVENT_H

#include <pthread.h>

namespace LumoVarnok {

// The record behind an event handle.
struct _ThreadEvent {
  bool signalled = false; // guarded by mutex
  pthread_mutex_t mutex{};
  pthread_cond_t condition{};
  // An eventfd that is readable exactly while the event is signalled, so that
  // a thread can wait for the event and a descriptor together with poll().
  // Created on first demand (ThreadEventPollFd), guarded by mutex; -1 before.
  int pollFd = -1;
};

void *CreateThreadEvent();
void CloseThreadEvent(void *event);
void ClickThreadEvent(void *event);
bool CheckThreadEvent(void *event);
void WaitForThreadEvent(void *event);

// A descriptor that poll() reports readable (POLLIN) while the event is
// signalled; owned by the event. -1 for a null handle or when no descriptor
// can be created.
int ThreadEventPollFd(void *event);

} // namespace LumoVarnok

#endif // LUMO_THREADEVENT_H
