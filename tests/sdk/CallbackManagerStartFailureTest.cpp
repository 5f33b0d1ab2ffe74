// A registration whose threads cannot be started fails, leaves the slot
// empty and nothing running, and a later registration works. Thread creation
// is made to fail by linking this program with --wrap=pthread_create, which
// sends the library's calls (from the static lumo_internal) through the
// wrapper below.
#include "sdk/CallbackRecorder.h"
#include "sdk/InputReportCases.h"
#include "sdk/ProcessCounts.h"
#include "support/EmulatedTouchScreen.h"

#include <Lumo/Lumo.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <pthread.h>

namespace {
// Which pthread_create call, counted from 1 since the last Arm, fails; 0 for
// none.
std::atomic<int> g_failingCall{0};
std::atomic<int> g_calls{0};

void Arm(int failingCall) {
  g_calls = 0;
  g_failingCall = failingCall;
}
} // namespace

extern "C" int __real_pthread_create(pthread_t *, const pthread_attr_t *,
                                     void *(*)(void *), void *);

extern "C" int __wrap_pthread_create(pthread_t *thread,
                                     const pthread_attr_t *attributes,
                                     void *(*entry)(void *), void *argument) {
  const int call = ++g_calls;
  if (g_failingCall != 0 && call == g_failingCall)
    return EAGAIN;
  return __real_pthread_create(thread, attributes, entry, argument);
}

namespace {

TEST(CallbackManagerStartFailureTest, RegistrationFailsWhenAThreadCannotStart) {
  EmulatedTouchScreen bed;
  const EmulatedDevice screen = bed.AddTouchScreen();
  void *device = nullptr;
  void *manager = nullptr;
  ASSERT_EQ(0, LumoOpenTouchScreenA(screen.sysPath.c_str(), &device));
  ASSERT_EQ(0, LumoCreateCallbackManager(&manager, device));
  const int idle = ThreadCount();
  CallbackRecorder recorder;

  // The dispatcher is created first, the reader by the dispatcher second.
  const struct {
    const char *thread;
    int failingCall;
  } cases[] = {{"the dispatcher", 1}, {"the reader", 2}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.thread);
    Arm(c.failingCall);
    EXPECT_EQ(-1, LumoRegisterTouchCallback(manager, CallbackRecorder::OnTouch,
                                            &recorder));
    EXPECT_EQ(c.failingCall, g_calls.load());
    Arm(0);
    EXPECT_EQ(idle, WaitForThreadCount(idle));
    EXPECT_EQ(-1, LumoUnregisterTouchCallback(manager)); // the slot is empty
  }

  ASSERT_EQ(0, LumoRegisterTouchCallback(manager, CallbackRecorder::OnTouch,
                                         &recorder));
  EXPECT_EQ(idle + 2, WaitForThreadCount(idle + 2));
  ASSERT_TRUE(bed.SendInputReport(
      screen, TouchReport(0x36, kTouching, kAbsent, 0x0201, 1)));
  EXPECT_TRUE(recorder.WaitFor(std::string("touch ") + kTouchingText));
  EXPECT_EQ(0, LumoDeleteCallbackManager(manager));
  EXPECT_EQ(idle, WaitForThreadCount(idle));
  EXPECT_EQ(0, LumoCloseTouchScreen(device));
}

} // namespace
