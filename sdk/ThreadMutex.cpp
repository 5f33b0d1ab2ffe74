#include "ThreadMutex.h"

#include <new>
#include <pthread.h>

namespace LumoVarnok {

void *CreateMutex() {
  auto *mutex = new (std::nothrow) pthread_mutex_t;
  if (!mutex)
    return nullptr;
  if (pthread_mutex_init(mutex, nullptr) != 0) {
    delete mutex;
    return nullptr;
  }
  return mutex;
}

void CloseMutex(void *handle) {
  auto *mutex = static_cast<pthread_mutex_t *>(handle);
  if (!mutex)
    return;
  pthread_mutex_destroy(mutex);
  delete mutex;
}

void Lock(void *handle) {
  if (handle)
    pthread_mutex_lock(static_cast<pthread_mutex_t *>(handle));
}

void Unlock(void *handle) {
  if (handle)
    pthread_mutex_unlock(static_cast<pthread_mutex_t *>(handle));
}

} // namespace LumoVarnok
