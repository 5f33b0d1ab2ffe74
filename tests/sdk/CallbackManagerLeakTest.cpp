// A thousand register/unregister cycles while the touch screen keeps sending
// reports: every cycle starts and stops both threads, and every report queued
// at a stop is freed unread. Nothing may stay behind: threads and descriptors
// are counted here, memory by LeakSanitizer at exit in the ASan build.
#include "FeatureReport.h"
#include "sdk/CallbackRecorder.h"
#include "sdk/InputReportCases.h"
#include "sdk/ProcessCounts.h"
#include "support/EmulatedTouchScreen.h"

#include <Lumo/Lumo.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

std::atomic<unsigned> g_delivered{0};

void CountReport(void *, const void *) {
  ++g_delivered;
}

TEST(CallbackManagerLeakTest, ThousandCyclesWithReportsFlowingLeaveNothing) {
  EmulatedTouchScreen bed;
  const EmulatedDevice screen = bed.AddTouchScreen();
  void *device = nullptr;
  void *manager = nullptr;
  ASSERT_EQ(0, LumoOpenTouchScreenA(screen.sysPath.c_str(), &device));
  ASSERT_EQ(0, LumoCreateCallbackManager(&manager, device));

  // umockdev serves the node's ioctls over a socket whose server end it
  // accepts on its own thread, some time after the open. One request waits
  // for that, so that the socket is counted before the cycles as well.
  unsigned char feature[64] = {};
  ASSERT_TRUE(LumoVarnok::GetFeature(device, feature, sizeof feature));

  const int threadsBefore = ThreadCount();
  const int descriptorsBefore = DescriptorCount();
  const std::string descriptorsListBefore = DescriptorList();

  // The touch screen sends touch and key reports without pause.
  std::atomic<bool> sending{true};
  std::thread sender([&] {
    const Bytes reports = Concat({TouchReport(0x36, kTouching, kLifted, 1, 2),
                                  TouchReport(0x34, kTouching, kLifted, 1, 2),
                                  VirtualKeyReport(1, 1)});
    while (sending)
      if (!bed.SendInputReport(screen, reports))
        std::this_thread::sleep_for(std::chrono::microseconds(100));
  });

  const LumoReportCallback count = CountReport;
  // Every tenth cycle waits for a report to arrive before it stops the
  // threads; the others stop them at once, mostly with reports still queued.
  const auto waitForReport = [](unsigned before) {
    for (int i = 0; i < 5000 && g_delivered == before; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return g_delivered != before;
  };
  for (int cycle = 0; cycle < 1000; ++cycle) {
    SCOPED_TRACE("cycle " + std::to_string(cycle));
    const unsigned before = g_delivered;
    const bool wait = cycle % 10 == 0 || cycle % 10 == 5;
    // Alternate between one kind and two, so that both the first and a
    // later registration, and both the last and an earlier unregistration
    // are exercised.
    if (cycle % 2 == 0) {
      ASSERT_EQ(0, LumoRegisterTouchCallback(manager, count, nullptr));
      ASSERT_EQ(0, LumoRegisterVirtualKeyCallback(manager, count, nullptr));
      ASSERT_EQ(0, LumoUnregisterTouchCallback(manager));
      if (wait) {
        ASSERT_TRUE(waitForReport(before));
      }
      ASSERT_EQ(0, LumoUnregisterVirtualKeyCallback(manager));
    } else {
      ASSERT_EQ(0, LumoRegisterRawtouchCallback(manager, count, nullptr));
      if (wait) {
        ASSERT_TRUE(waitForReport(before));
      }
      ASSERT_EQ(0, LumoUnregisterAllCallback(manager));
    }
  }

  // The sender may be blocked in a full node, which only a reader empties.
  sending = false;
  ASSERT_EQ(0, LumoRegisterTouchCallback(manager, count, nullptr));
  sender.join();
  EXPECT_EQ(0, LumoDeleteCallbackManager(manager));

  EXPECT_EQ(threadsBefore, WaitForThreadCount(threadsBefore));
  EXPECT_EQ(descriptorsBefore, DescriptorCount())
      << "before:\n"
      << descriptorsListBefore << "after:\n"
      << DescriptorList();
  EXPECT_EQ(0, LumoCloseTouchScreen(device));
}

} // namespace
