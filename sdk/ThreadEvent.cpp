#include "ThreadEvent.h"

#include <cstdint>
#include <new>
#include <sys/eventfd.h>
#include <unistd.h>

namespace LumoVarnok {

namespace {

// Makes the descriptor readable. Called under the event's mutex.
void RaisePollFd(const _ThreadEvent *event) {
  if (event->pollFd < 0)
    return;
  const uint64_t one = 1;
  // The counter only needs to be non-zero; a full counter (EAGAIN) is
  // readable already.
  [[maybe_unused]] ssize_t n = write(event->pollFd, &one, sizeof one);
}

// Makes the descriptor unreadable again. Called under the event's mutex.
void DrainPollFd(const _ThreadEvent *event) {
  if (event->pollFd < 0)
    return;
  uint64_t count;
  [[maybe_unused]] ssize_t n = read(event->pollFd, &count, sizeof count);
}

} // namespace

void *CreateThreadEvent() {
  auto *event = new (std::nothrow) _ThreadEvent();
  if (!event)
    return nullptr;
  if (pthread_mutex_init(&event->mutex, nullptr) != 0) {
    delete event;
    return nullptr;
  }
  if (pthread_cond_init(&event->condition, nullptr) != 0) {
    pthread_mutex_destroy(&event->mutex);
    delete event;
    return nullptr;
  }
  return event;
}

void CloseThreadEvent(void *handle) {
  auto *event = static_cast<_ThreadEvent *>(handle);
  if (!event)
    return;
  if (event->pollFd >= 0)
    close(event->pollFd);
  pthread_cond_destroy(&event->condition);
  pthread_mutex_destroy(&event->mutex);
  delete event;
}

void ClickThreadEvent(void *handle) {
  auto *event = static_cast<_ThreadEvent *>(handle);
  if (!event)
    return;
  pthread_mutex_lock(&event->mutex);
  event->signalled = true;
  RaisePollFd(event);
  pthread_cond_signal(&event->condition);
  pthread_mutex_unlock(&event->mutex);
}

bool CheckThreadEvent(void *handle) {
  auto *event = static_cast<_ThreadEvent *>(handle);
  if (!event)
    return false;
  pthread_mutex_lock(&event->mutex);
  const bool signalled = event->signalled;
  pthread_mutex_unlock(&event->mutex);
  return signalled;
}

void WaitForThreadEvent(void *handle) {
  auto *event = static_cast<_ThreadEvent *>(handle);
  if (!event)
    return;
  pthread_mutex_lock(&event->mutex);
  while (!event->signalled)
    pthread_cond_wait(&event->condition, &event->mutex);
  event->signalled = false;
  DrainPollFd(event);
  pthread_mutex_unlock(&event->mutex);
}

int ThreadEventPollFd(void *handle) {
  auto *event = static_cast<_ThreadEvent *>(handle);
  if (!event)
    return -1;
  pthread_mutex_lock(&event->mutex);
  if (event->pollFd < 0) {
    event->pollFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (event->signalled)
      RaisePollFd(event);
  }
  const int fd = event->pollFd;
  pthread_mutex_unlock(&event->mutex);
  return fd;
}

} // namespace LumoVarnok
