// The callback manager through the exported functions, with input reports
// delivered by the emulated touch screen: registration rules, the reader and
// dispatcher threads coming and going, and the decoded reports arriving.
#include "sdk/CallbackRecorder.h"
#include "sdk/InputReportCases.h"
#include "sdk/ProcessCounts.h"
#include "support/EmulatedTouchScreen.h"

#include <Lumo/Lumo.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>

namespace {

using RegisterFunction = int (*)(void *, LumoReportCallback, void *);
using UnregisterFunction = int (*)(void *);

// The four kinds through their exported functions.
const struct Kind {
  const char *name;
  RegisterFunction registerCallback;
  UnregisterFunction unregisterCallback;
  LumoReportCallback record;
} kKinds[] = {
    {"diagnosis", LumoRegisterDiagnosisCallback,
     LumoUnregisterDiagnosisCallback, CallbackRecorder::OnDiagnosis},
    {"raw touch", LumoRegisterRawtouchCallback, LumoUnregisterRawtouchCallback,
     CallbackRecorder::OnRawTouch},
    {"touch", LumoRegisterTouchCallback, LumoUnregisterTouchCallback,
     CallbackRecorder::OnTouch},
    {"virtual key", LumoRegisterVirtualKeyCallback,
     LumoUnregisterVirtualKeyCallback, CallbackRecorder::OnVirtualKey},
};

const std::string kTouchOne = std::string("touch ") + kTouchingText;
const std::string kRawOne = std::string("raw ") + kTouchingText;
const Bytes kTouchReport = TouchReport(0x36, kTouching, kAbsent, 0x0201, 1);
const Bytes kRawReport = TouchReport(0x34, kTouching, kAbsent, 0x0201, 1);

class CallbackManagerTest : public ::testing::Test {
protected:
  void SetUp() override {
    m_screen = m_bed.AddTouchScreen();
    ASSERT_EQ(0, LumoOpenTouchScreenA(m_screen.sysPath.c_str(), &m_device));
    ASSERT_EQ(0, LumoCreateCallbackManager(&m_manager, m_device));
    m_idleThreads = ThreadCount();
  }
  void TearDown() override {
    if (m_manager) {
      EXPECT_EQ(0, LumoDeleteCallbackManager(m_manager));
    }
    if (m_device) {
      EXPECT_EQ(0, LumoCloseTouchScreen(m_device));
    }
  }

  void Send(const Bytes &bytes) {
    ASSERT_TRUE(m_bed.SendInputReport(m_screen, bytes));
  }
  // Sends bytes as one read result of their own: the reader has taken them
  // before anything else is sent.
  void SendAlone(const Bytes &bytes) {
    Send(bytes);
    ASSERT_TRUE(m_bed.WaitUntilInputRead(m_screen));
  }
  // Waits until the thread count has settled at `active` (true: the idle
  // count plus the reader and the dispatcher).
  void ExpectThreads(bool active) {
    EXPECT_EQ(m_idleThreads + (active ? 2 : 0),
              WaitForThreadCount(m_idleThreads + (active ? 2 : 0)));
  }

  EmulatedTouchScreen m_bed;
  EmulatedDevice m_screen;
  void *m_device = nullptr;
  void *m_manager = nullptr;
  int m_idleThreads = 0;
  CallbackRecorder m_recorder;
};

TEST_F(CallbackManagerTest, TableOfReportsThroughTheDevice) {
  for (const Kind &kind : kKinds)
    ASSERT_EQ(0, kind.registerCallback(m_manager, kind.record, &m_recorder));
  // Every buffer is followed, in a read of its own, by a key that shows that
  // the dispatcher is past the buffer.
  const std::string marker = "key 238 state=1";
  for (const ReportCase &c : ReportCases()) {
    SCOPED_TRACE(c.name);
    m_recorder.Reset();
    SendAlone(c.buffer);
    Send(VirtualKeyReport(238, 1));
    ASSERT_TRUE(m_recorder.WaitFor(marker));
    std::vector<std::string> calls = m_recorder.Calls();
    ASSERT_EQ(marker, calls.back());
    calls.pop_back();
    EXPECT_EQ(c.calls, calls);
  }
}

TEST_F(CallbackManagerTest, RegistrationNeedsAManagerAndAFunction) {
  void *unused = nullptr;
  EXPECT_EQ(-1, LumoCreateCallbackManager(nullptr, m_device));
  EXPECT_EQ(0, LumoCreateCallbackManager(&unused, nullptr)); // not checked
  EXPECT_EQ(0, LumoDeleteCallbackManager(unused));
  for (const Kind &kind : kKinds) {
    SCOPED_TRACE(kind.name);
    EXPECT_EQ(-1, kind.registerCallback(nullptr, kind.record, &m_recorder));
    EXPECT_EQ(-1, kind.registerCallback(m_manager, nullptr, &m_recorder));
  }
  ExpectThreads(false);
}

TEST_F(CallbackManagerTest, RegisteringAKindTwiceFailsAndKeepsTheFirst) {
  CallbackRecorder second;
  ASSERT_EQ(0, LumoRegisterTouchCallback(m_manager, CallbackRecorder::OnTouch,
                                         &m_recorder));
  EXPECT_EQ(-1, LumoRegisterTouchCallback(m_manager, CallbackRecorder::OnTouch,
                                          &second));
  EXPECT_EQ(-1, LumoRegisterTouchCallback(
                    m_manager, CallbackRecorder::OnRawTouch, &m_recorder));
  Send(kTouchReport);
  ASSERT_TRUE(m_recorder.WaitFor(kTouchOne));
  EXPECT_EQ(std::vector<std::string>{kTouchOne}, m_recorder.Calls());
  EXPECT_EQ(0u, second.Count());
}

TEST_F(CallbackManagerTest, RawTouchAndTouchShareOneReaderAndDispatcher) {
  ASSERT_EQ(0, LumoRegisterRawtouchCallback(
                   m_manager, CallbackRecorder::OnRawTouch, &m_recorder));
  ExpectThreads(true);
  ASSERT_EQ(0, LumoRegisterTouchCallback(m_manager, CallbackRecorder::OnTouch,
                                         &m_recorder));
  ExpectThreads(true);

  Send(Concat({kRawReport, kTouchReport}));
  ASSERT_TRUE(m_recorder.WaitForCount(2));
  EXPECT_EQ((std::vector<std::string>{kRawOne, kTouchOne}), m_recorder.Calls());
  const std::vector<pid_t> threads = m_recorder.Threads();
  EXPECT_EQ(threads[0], threads[1]);
  EXPECT_NE(static_cast<pid_t>(syscall(SYS_gettid)), threads[0]);
}

TEST_F(CallbackManagerTest, ThreadsRunWhileAnyKindIsRegisteredAndStartAgain) {
  ASSERT_EQ(0, LumoRegisterRawtouchCallback(
                   m_manager, CallbackRecorder::OnRawTouch, &m_recorder));
  ASSERT_EQ(0, LumoRegisterTouchCallback(m_manager, CallbackRecorder::OnTouch,
                                         &m_recorder));

  // Raw touch goes; touch keeps the threads and its reports.
  EXPECT_EQ(0, LumoUnregisterRawtouchCallback(m_manager));
  ExpectThreads(true);
  Send(Concat({kRawReport, kTouchReport}));
  ASSERT_TRUE(m_recorder.WaitFor(kTouchOne));
  EXPECT_EQ(std::vector<std::string>{kTouchOne}, m_recorder.Calls());

  // The last kind goes: both threads end before the call returns.
  EXPECT_EQ(0, LumoUnregisterTouchCallback(m_manager));
  ExpectThreads(false);
  EXPECT_EQ(-1, LumoUnregisterTouchCallback(m_manager));

  // And start anew with the next registration.
  m_recorder.Reset();
  ASSERT_EQ(0, LumoRegisterTouchCallback(m_manager, CallbackRecorder::OnTouch,
                                         &m_recorder));
  ExpectThreads(true);
  Send(kTouchReport);
  EXPECT_TRUE(m_recorder.WaitFor(kTouchOne));
}

TEST_F(CallbackManagerTest, UnregisteringAnEmptySlotFailsAndChangesNothing) {
  for (const Kind &kind : kKinds) {
    SCOPED_TRACE(kind.name);
    EXPECT_EQ(-1, kind.unregisterCallback(m_manager));
    EXPECT_EQ(-1, kind.unregisterCallback(nullptr));
  }
  EXPECT_EQ(-1, LumoUnregisterAllCallback(nullptr));
  EXPECT_EQ(-1, LumoDeleteCallbackManager(nullptr));
  EXPECT_EQ(0, LumoUnregisterAllCallback(m_manager)); // idle: nothing to stop

  ASSERT_EQ(0, LumoRegisterTouchCallback(m_manager, CallbackRecorder::OnTouch,
                                         &m_recorder));
  EXPECT_EQ(-1, LumoUnregisterVirtualKeyCallback(m_manager));
  ExpectThreads(true);
  Send(kTouchReport);
  EXPECT_TRUE(m_recorder.WaitFor(kTouchOne));
}

TEST_F(CallbackManagerTest, UnregisterAllAndDeleteStopTheThreads) {
  for (const Kind &kind : kKinds)
    ASSERT_EQ(0, kind.registerCallback(m_manager, kind.record, &m_recorder));
  ExpectThreads(true);
  EXPECT_EQ(0, LumoUnregisterAllCallback(m_manager));
  ExpectThreads(false);
  for (const Kind &kind : kKinds)
    EXPECT_EQ(-1, kind.unregisterCallback(m_manager));

  for (const Kind &kind : kKinds)
    ASSERT_EQ(0, kind.registerCallback(m_manager, kind.record, &m_recorder));
  Send(kTouchReport);
  ASSERT_TRUE(m_recorder.WaitFor(kTouchOne));
  EXPECT_EQ(0, LumoDeleteCallbackManager(m_manager));
  m_manager = nullptr;
  ExpectThreads(false);

  // Nothing runs any more: reports sent now reach nobody.
  m_recorder.Reset();
  Send(kTouchReport);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(0u, m_recorder.Count());
}

// A callback that holds the dispatcher: reports pile up in the queue and all
// arrive, in order, once it lets go.
TEST_F(CallbackManagerTest, SlowCallbackLosesNoReports) {
  struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    std::vector<unsigned> scanTimes;
  } gate;
  ASSERT_EQ(0, LumoRegisterTouchCallback(
                   m_manager,
                   [](void *user, const void *record) {
                     auto *g = static_cast<Gate *>(user);
                     std::unique_lock<std::mutex> lock(g->mutex);
                     g->opened.wait(lock, [g] { return g->open; });
                     g->scanTimes.push_back(
                         static_cast<const _TouchPoint *>(record)->scanTime);
                     g->opened.notify_all();
                   },
                   &gate));
  const unsigned kReports = 50;
  for (unsigned i = 0; i < kReports; ++i)
    SendAlone(
        TouchReport(0x36, kTouching, kAbsent, static_cast<uint16_t>(i), 1));
  {
    std::unique_lock<std::mutex> lock(gate.mutex);
    gate.open = true;
    gate.opened.notify_all();
    ASSERT_TRUE(gate.opened.wait_for(lock, std::chrono::seconds(5), [&] {
      return gate.scanTimes.size() == kReports;
    }));
  }
  for (unsigned i = 0; i < kReports; ++i)
    EXPECT_EQ(i, gate.scanTimes[i]);
}

TEST_F(CallbackManagerTest, UnpluggedDeviceStillStopsCleanly) {
  ASSERT_EQ(0, LumoRegisterTouchCallback(m_manager, CallbackRecorder::OnTouch,
                                         &m_recorder));
  Send(kTouchReport);
  ASSERT_TRUE(m_recorder.WaitFor(kTouchOne));
  m_bed.RemoveDevice(m_screen);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ExpectThreads(true);
  EXPECT_EQ(0, LumoUnregisterTouchCallback(m_manager));
  ExpectThreads(false);
}

// From a callback, the manager can drop other kinds but not stop its own
// dispatcher: that would have the dispatcher wait for itself.
TEST_F(CallbackManagerTest, CallbackCannotStopItsOwnManager) {
  struct Attempt {
    void *manager;
    std::atomic<int> dropRaw{1}, dropLast{1}, dropAll{1}, remove{1};
    std::atomic<bool> done{false};
  } attempt;
  attempt.manager = m_manager;
  ASSERT_EQ(0, LumoRegisterRawtouchCallback(
                   m_manager, CallbackRecorder::OnRawTouch, &m_recorder));
  ASSERT_EQ(0, LumoRegisterTouchCallback(
                   m_manager,
                   [](void *user, const void *) {
                     auto *a = static_cast<Attempt *>(user);
                     if (a->done)
                       return;
                     a->dropRaw = LumoUnregisterRawtouchCallback(a->manager);
                     a->dropLast = LumoUnregisterTouchCallback(a->manager);
                     a->dropAll = LumoUnregisterAllCallback(a->manager);
                     a->remove = LumoDeleteCallbackManager(a->manager);
                     a->done = true;
                   },
                   &attempt));
  Send(kTouchReport);
  for (int i = 0; i < 5000 && !attempt.done; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(attempt.done);
  EXPECT_EQ(0, attempt.dropRaw.load());
  EXPECT_EQ(-1, attempt.dropLast.load());
  EXPECT_EQ(-1, attempt.dropAll.load());
  EXPECT_EQ(-1, attempt.remove.load());

  // The touch callback is still in place and the threads run on.
  ExpectThreads(true);
  EXPECT_EQ(-1, LumoUnregisterRawtouchCallback(m_manager));
  EXPECT_EQ(0, LumoUnregisterTouchCallback(m_manager));
  ExpectThreads(false);
}

TEST(CallbackNotificationTest, NotificationFunctionsReturnOne) {
  int anything = 0;
  EXPECT_EQ(1, LumoCreateTouchScreenNotificationA(nullptr, nullptr));
  EXPECT_EQ(1, LumoCreateTouchScreenNotificationA(&anything, &anything));
  EXPECT_EQ(1, LumoCreateTouchScreenNotificationW(nullptr, nullptr));
  EXPECT_EQ(1, LumoCreateTouchScreenNotificationW(&anything, &anything));
  EXPECT_EQ(1, LumoDeleteTouchScreenNotification(nullptr));
  EXPECT_EQ(1, LumoDeleteTouchScreenNotification(&anything));
}

} // namespace
