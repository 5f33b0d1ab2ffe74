#include "ThreadContext.h"

#include <cerrno>
#include <ctime>
#include <new>

namespace LumoVarnok {

namespace {

// Drops one reference to the record and frees it with the last one.
void Release(_ThreadContext *context) {
  if (context->references.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    pthread_cond_destroy(&context->resumeCondition);
    pthread_cond_destroy(&context->startedCondition);
    pthread_mutex_destroy(&context->mutex);
    delete context;
  }
}

} // namespace

void *CreateSuspendedThread(ThreadEntry entry, void *argument) {
  auto *context = new (std::nothrow) _ThreadContext();
  if (!context)
    return nullptr;
  context->entry = entry;
  context->argument = argument;

  if (pthread_mutex_init(&context->mutex, nullptr) != 0) {
    delete context;
    return nullptr;
  }
  if (pthread_cond_init(&context->startedCondition, nullptr) != 0) {
    pthread_mutex_destroy(&context->mutex);
    delete context;
    return nullptr;
  }
  if (pthread_cond_init(&context->resumeCondition, nullptr) != 0) {
    pthread_cond_destroy(&context->startedCondition);
    pthread_mutex_destroy(&context->mutex);
    delete context;
    return nullptr;
  }

  // One reference for the handle, one for the thread.
  context->references.store(2, std::memory_order_relaxed);
  if (pthread_create(&context->thread, nullptr, run, context) != 0) {
    context->references.store(1, std::memory_order_relaxed);
    Release(context);
    return nullptr;
  }

  pthread_mutex_lock(&context->mutex);
  while (!context->started)
    pthread_cond_wait(&context->startedCondition, &context->mutex);
  pthread_mutex_unlock(&context->mutex);
  return context;
}

void *run(void *argument) {
  auto *context = static_cast<_ThreadContext *>(argument);

  pthread_mutex_lock(&context->mutex);
  context->started = true;
  pthread_cond_signal(&context->startedCondition);
  while (!context->resumed)
    pthread_cond_wait(&context->resumeCondition, &context->mutex);
  // Read under the lock: CloseThread clears the entry of a parked thread.
  const ThreadEntry entry = context->entry;
  void *const entryArgument = context->argument;
  pthread_mutex_unlock(&context->mutex);
  Release(context);

  if (entry)
    entry(entryArgument);
  return nullptr;
}

void ResumeThread(void *thread) {
  auto *context = static_cast<_ThreadContext *>(thread);
  if (!context)
    return;
  pthread_mutex_lock(&context->mutex);
  context->resumed = true;
  pthread_cond_signal(&context->resumeCondition);
  pthread_mutex_unlock(&context->mutex);
}

int ThreadJoin(void *thread) {
  auto *context = static_cast<_ThreadContext *>(thread);
  if (!context || context->joined)
    return 0;
  const int result = pthread_join(context->thread, nullptr);
  if (result == 0)
    context->joined = true;
  return result;
}

void CloseThread(void *thread) {
  auto *context = static_cast<_ThreadContext *>(thread);
  if (!context)
    return;
  if (!context->joined) {
    // A parked thread would otherwise wait forever on a record nobody can
    // reach any more: let it go on, without its entry function.
    pthread_mutex_lock(&context->mutex);
    if (!context->resumed) {
      context->entry = nullptr;
      context->resumed = true;
      pthread_cond_signal(&context->resumeCondition);
    }
    pthread_mutex_unlock(&context->mutex);
    pthread_detach(context->thread);
  }
  Release(context);
}

void Sleep(unsigned char milliseconds) {
  timespec remaining{0, static_cast<long>(milliseconds) * 1000000L};
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

} // namespace LumoVarnok
