#include "ThreadMutex.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace LumoVarnok;

namespace {

TEST(ThreadMutexTest, LockExcludesOtherThreads) {
  void *mutex = CreateMutex();
  ASSERT_NE(nullptr, mutex);
  long counter = 0; // plain on purpose: only the mutex protects it
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        Lock(mutex);
        ++counter;
        Unlock(mutex);
      }
    });
  }
  for (std::thread &thread : threads)
    thread.join();
  EXPECT_EQ(40000, counter);
  CloseMutex(mutex);
}

TEST(ThreadMutexTest, NullHandlesDoNothing) {
  Lock(nullptr);
  Unlock(nullptr);
  CloseMutex(nullptr);
}

} // namespace
