// Events: set, looked at, waited for and consumed; and the descriptor that
// lets a thread wait for an event and a device together.
#include "ThreadEvent.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <poll.h>
#include <thread>

using namespace LumoVarnok;

namespace {

bool Readable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

TEST(ThreadEventTest, CheckLooksAndWaitConsumes) {
  void *event = CreateThreadEvent();
  ASSERT_NE(nullptr, event);
  EXPECT_FALSE(CheckThreadEvent(event));

  ClickThreadEvent(event);
  EXPECT_TRUE(CheckThreadEvent(event));
  EXPECT_TRUE(CheckThreadEvent(event)); // looking leaves it set

  WaitForThreadEvent(event); // set already: returns at once
  EXPECT_FALSE(CheckThreadEvent(event));

  ClickThreadEvent(event);
  ClickThreadEvent(event); // two clicks make one signal
  WaitForThreadEvent(event);
  EXPECT_FALSE(CheckThreadEvent(event));
  CloseThreadEvent(event);
}

TEST(ThreadEventTest, WaitReturnsOnlyAfterAClickFromAnotherThread) {
  void *event = CreateThreadEvent();
  ASSERT_NE(nullptr, event);
  std::atomic<bool> woke{false};
  std::thread waiter([&] {
    WaitForThreadEvent(event);
    woke = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(woke.load());
  ClickThreadEvent(event);
  waiter.join();
  EXPECT_TRUE(woke.load());
  EXPECT_FALSE(CheckThreadEvent(event));
  CloseThreadEvent(event);
}

TEST(ThreadEventTest, EveryClickWakesOneWaitingRound) {
  // Auto-reset use: a producer clicks, a consumer waits, many times over.
  void *produced = CreateThreadEvent();
  void *consumed = CreateThreadEvent();
  constexpr int kRounds = 1000;
  int rounds = 0;
  std::thread consumer([&] {
    for (int i = 0; i < kRounds; ++i) {
      WaitForThreadEvent(produced);
      ++rounds;
      ClickThreadEvent(consumed);
    }
  });
  for (int i = 0; i < kRounds; ++i) {
    ClickThreadEvent(produced);
    WaitForThreadEvent(consumed);
  }
  consumer.join();
  EXPECT_EQ(kRounds, rounds);
  CloseThreadEvent(produced);
  CloseThreadEvent(consumed);
}

TEST(ThreadEventTest, PollDescriptorIsReadableExactlyWhileSignalled) {
  void *event = CreateThreadEvent();
  ClickThreadEvent(event); // set before the descriptor exists
  const int fd = ThreadEventPollFd(event);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(fd, ThreadEventPollFd(event)); // one descriptor per event
  EXPECT_TRUE(Readable(fd));
  EXPECT_TRUE(Readable(fd)); // a stop flag stays readable

  WaitForThreadEvent(event);
  EXPECT_FALSE(Readable(fd));
  ClickThreadEvent(event);
  EXPECT_TRUE(Readable(fd));

  // A poll that sleeps on the descriptor wakes for a click.
  WaitForThreadEvent(event);
  std::thread clicker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ClickThreadEvent(event);
  });
  pollfd p{fd, POLLIN, 0};
  EXPECT_EQ(1, poll(&p, 1, 5000));
  clicker.join();
  CloseThreadEvent(event);
}

TEST(ThreadEventTest, NullHandlesDoNothing) {
  ClickThreadEvent(nullptr);
  EXPECT_FALSE(CheckThreadEvent(nullptr));
  WaitForThreadEvent(nullptr);
  EXPECT_EQ(-1, ThreadEventPollFd(nullptr));
  CloseThreadEvent(nullptr);
}

} // namespace
