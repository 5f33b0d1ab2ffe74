// Threads that start parked: the start-up handshake, resuming, joining and
// closing.
#include "ThreadContext.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace LumoVarnok;

namespace {

struct Probe {
  std::atomic<int> entered{0};
  std::atomic<bool> release{true};
};

void Enter(void *argument) {
  auto *probe = static_cast<Probe *>(argument);
  probe->entered.fetch_add(1);
  while (!probe->release.load())
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST(ThreadContextTest, ThreadStartsButParksUntilResumed) {
  Probe probe;
  void *thread = CreateSuspendedThread(Enter, &probe);
  ASSERT_NE(nullptr, thread);
  // The handshake is over when the handle comes back: the thread runs.
  {
    auto *context = static_cast<_ThreadContext *>(thread);
    pthread_mutex_lock(&context->mutex);
    EXPECT_TRUE(context->started);
    EXPECT_FALSE(context->resumed);
    pthread_mutex_unlock(&context->mutex);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(0, probe.entered.load());

  ResumeThread(thread);
  EXPECT_EQ(0, ThreadJoin(thread));
  EXPECT_EQ(1, probe.entered.load());
  EXPECT_EQ(0, ThreadJoin(thread)); // joined already: nothing to wait for
  CloseThread(thread);
}

TEST(ThreadContextTest, ManyThreadsEachEnterOnceWhenResumed) {
  constexpr int kThreads = 16;
  Probe probe;
  probe.release = false;
  void *threads[kThreads];
  for (void *&thread : threads) {
    thread = CreateSuspendedThread(Enter, &probe);
    ASSERT_NE(nullptr, thread);
  }
  EXPECT_EQ(0, probe.entered.load());
  for (void *thread : threads)
    ResumeThread(thread);
  while (probe.entered.load() < kThreads)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  probe.release = true;
  for (void *thread : threads) {
    EXPECT_EQ(0, ThreadJoin(thread));
    CloseThread(thread);
  }
  EXPECT_EQ(kThreads, probe.entered.load());
}

TEST(ThreadContextTest, ClosingAParkedThreadNeverRunsItsEntry) {
  Probe probe;
  void *thread = CreateSuspendedThread(Enter, &probe);
  ASSERT_NE(nullptr, thread);
  CloseThread(thread); // the thread ends on its own, without entering
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(0, probe.entered.load());
}

TEST(ThreadContextTest, ClosingARunningThreadDetachesIt) {
  static Probe probe; // outlives the detached thread
  probe.release = false;
  void *thread = CreateSuspendedThread(Enter, &probe);
  ASSERT_NE(nullptr, thread);
  ResumeThread(thread);
  while (probe.entered.load() == 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  CloseThread(thread); // the handle is gone; the thread goes on
  probe.release = true;
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

TEST(ThreadContextTest, NullEntryAndNullHandles) {
  void *thread = CreateSuspendedThread(nullptr, nullptr);
  ASSERT_NE(nullptr, thread);
  ResumeThread(thread);
  EXPECT_EQ(0, ThreadJoin(thread));
  CloseThread(thread);

  ResumeThread(nullptr);
  EXPECT_EQ(0, ThreadJoin(nullptr));
  CloseThread(nullptr);
}

TEST(ThreadContextTest, SleepSleepsAtLeastTheGivenTime) {
  const auto start = std::chrono::steady_clock::now();
  LumoVarnok::Sleep(20);
  EXPECT_GE(std::chrono::steady_clock::now() - start,
            std::chrono::milliseconds(20));
}

} // namespace
