// The SDK receiver against the emulated touch screen and its controller:
// the real libLumo opens the node, sets the data mode and delivers touches
// through its callback threads into g_SdkTouchState.
#include "CReceiveMessage.h"
#include "CSdkSession.h"
#include "SdkTouchState.h"
#include "StdoutCapture.h"
#include "sdk/InputReportCases.h"
#include "support/ControllerModel.h"
#include "support/EmulatedTouchScreen.h"
#include "support/WaitFor.h"

#include <Lumo/Lumo.h>

#include <gtest/gtest.h>
#include <wx/init.h>

#include <chrono>
#include <filesystem>
#include <cmath>
#include <functional>
#include <limits>
#include <thread>

namespace {

using namespace std::chrono_literals;

struct CallbackCase {
  const char *name;
  _TouchPoint point;
  int32_t down, x, y, size; // contact 0 afterwards
};

TEST(ReceiverCallback, StoresTheTwoContactsTruncated) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const CallbackCase cases[] = {
      // down, x, y and size (width + height, each truncated)
      {"touching", {1, 0, 100.7f, 200.2f, 3.9f, 4.9f, 0}, 1, 100, 200, 7},
      // lifted: position kept, size not written
      {"lifted", {0, 0, 50.9f, 60.1f, 9.0f, 9.0f, 0}, 0, 50, 60, 5},
      // toward zero, not down
      {"negative", {1, 0, -1.5f, -0.5f, 1.5f, 1.5f, 0}, 1, -1, 0, 2},
      // another contact, another tip: nothing but `received`
      {"contact 2", {1, 2, 1.0f, 1.0f, 1.0f, 1.0f, 0}, 9, 9, 9, 5},
      {"tip 3", {3, 0, 1.0f, 1.0f, 1.0f, 1.0f, 0}, 9, 9, 9, 5},
      // damaged values are clamped, not converted with an undefined result
      {"damaged", {1, 0, nan, 1e20f, -1e20f, 1e20f, 0}, 1, 0, INT32_MAX, -1},
  };
  for (const CallbackCase &c : cases) {
    SCOPED_TRACE(c.name);
    g_SdkTouchState.Clear();
    g_SdkTouchState.down[0] = 9;
    g_SdkTouchState.x[0] = 9;
    g_SdkTouchState.y[0] = 9;
    g_SdkTouchState.size[0] = 5;
    CReceiveMessage::rawTouchReceived(nullptr, &c.point);
    EXPECT_EQ(1, g_SdkTouchState.received);
    EXPECT_EQ(c.down, g_SdkTouchState.down[0]);
    EXPECT_EQ(c.x, g_SdkTouchState.x[0]);
    EXPECT_EQ(c.y, g_SdkTouchState.y[0]);
    EXPECT_EQ(c.size, g_SdkTouchState.size[0]);
    // Contact 1 is never touched by a contact-0 record.
    EXPECT_EQ(0, g_SdkTouchState.down[1]);
  }
  g_SdkTouchState.Clear();
}

class ReceiverTest : public ::testing::Test {
protected:
  void TearDown() override {
    CSdkSession::Get().Release();
    g_SdkTouchState.Clear();
  }

  // Starts a receiver as the application does and waits until it has ended.
  void RunReceiver() {
    CReceiveMessage *receiver = new CReceiveMessage();
    ASSERT_EQ(wxTHREAD_NO_ERROR, receiver->Create());
    ASSERT_EQ(wxTHREAD_NO_ERROR, receiver->Run());
    CReceiveMessage::WaitUntilAllEnded();
  }

  std::vector<ControllerModel::Request> DataModeRequests() const {
    std::vector<ControllerModel::Request> found;
    for (const ControllerModel::Request &r : controller.Commands())
      if (r.command == 0xE1)
        found.push_back(r);
    return found;
  }

  wxInitializer wx;
  EmulatedTouchScreen bed;
  ControllerModel controller;
};

TEST_F(ReceiverTest, WithoutAScreenItSaysSoAndOpensNothing) {
  std::string text;
  {
    StdoutCapture out;
    RunReceiver();
    text = out.Text();
  }
  EXPECT_EQ(0u, text.find("0.......enter message entry...................\n"));
  const std::string last = "no device found\n";
  ASSERT_GE(text.size(), last.size());
  EXPECT_EQ(last, text.substr(text.size() - last.size())) << text;
  EXPECT_FALSE(CSdkSession::Get().IsOpen());
}

TEST_F(ReceiverTest, OpensTheScreenSetsTheDataModeAndDeliversTouches) {
  const EmulatedDevice screen = bed.AddTouchScreen();
  controller.AttachTo(bed, screen);
  std::string text;
  {
    StdoutCapture out;
    RunReceiver();
    text = out.Text();
  }
  // The enumeration printed the screen's path on a line of its own.
  EXPECT_NE(std::string::npos, text.find("\n" + screen.sysPath + "\n")) << text;
  ASSERT_TRUE(CSdkSession::Get().IsOpen());

  // Data mode 2: driver working mode 0xF2 of the main controller.
  const auto requests = DataModeRequests();
  ASSERT_EQ(1u, requests.size());
  EXPECT_EQ(ControllerModel::kMain, requests[0].target);
  EXPECT_EQ(std::vector<uint8_t>{0xF2}, requests[0].data);

  // A raw-touch report: contact 0 touching at (100, 200), 3 x 4.
  const Contact touching{0x05, 0, 100, 200, 3, 4};
  const Contact absent{0x00, 1, 0, 0, 0, 0};
  ASSERT_TRUE(bed.SendInputReport(screen, TouchReport(0x34, touching, absent, 1, 1)));
  ASSERT_TRUE(WaitFor([] { return g_SdkTouchState.down[0] == 1; }));
  EXPECT_EQ(1, g_SdkTouchState.received);
  EXPECT_EQ(100, g_SdkTouchState.x[0]);
  EXPECT_EQ(200, g_SdkTouchState.y[0]);
  EXPECT_EQ(7, g_SdkTouchState.size[0]);

  // Releasing the session stops the delivery and clears the state.
  CSdkSession::Get().Release();
  EXPECT_FALSE(CSdkSession::Get().IsOpen());
  EXPECT_EQ(0, g_SdkTouchState.received);
  EXPECT_EQ(0, g_SdkTouchState.down[0]);
}

TEST_F(ReceiverTest, ASecondReceiverGivesTheFirstOnesScreenBack) {
  const EmulatedDevice screen = bed.AddTouchScreen();
  controller.AttachTo(bed, screen);
  RunReceiver();
  ASSERT_TRUE(CSdkSession::Get().IsOpen());
  const auto count = [](const char *dir) {
    return std::distance(std::filesystem::directory_iterator(dir),
                         std::filesystem::directory_iterator{});
  };
  // Let the manager's threads settle before counting.
  std::this_thread::sleep_for(200ms);
  const auto fds = count("/proc/self/fd");
  const auto tasks = count("/proc/self/task");
  for (int i = 0; i < 5; ++i)
    RunReceiver();
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(fds, count("/proc/self/fd"));
  EXPECT_EQ(tasks, count("/proc/self/task"));
  EXPECT_EQ(6u, DataModeRequests().size());
}

} // namespace
