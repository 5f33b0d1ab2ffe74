// Feature reports on an emulated touch screen.
#include "FeatureReport.h"
#include "ConsoleCapture.h"
#include "DeviceContext.h"
#include "support/EmulatedTouchScreen.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <mutex>
#include <vector>

using namespace LumoVarnok;
using testing::ElementsAre;

namespace {

class FeatureReportTest : public testing::Test {
protected:
  void SetUp() override {
    screen = bed.AddTouchScreen();
    ASSERT_TRUE(OpenDeviceA(screen.sysPath.c_str(), &device));
  }
  void TearDown() override { CloseDevice(device); }

  EmulatedTouchScreen bed;
  EmulatedDevice screen;
  void *device = nullptr;
};

TEST_F(FeatureReportTest, GetFeatureAsksWithReportIdAndReturnsTheAnswer) {
  std::mutex askedMutex; // the handler runs on the fixture's thread
  std::vector<uint8_t> asked;
  bed.SetFeatureHandler(
      screen, [&](FeatureDirection direction, std::vector<uint8_t> &report) {
        EXPECT_EQ(FeatureDirection::Get, direction);
        std::lock_guard<std::mutex> lock(askedMutex);
        asked = report;
        const uint8_t answer[] = {0x55, 0x4B, 0x01, 0x05, 0x06};
        std::copy(std::begin(answer), std::end(answer), report.begin());
        return static_cast<int>(report.size());
      });

  unsigned char buffer[64] = {};
  ASSERT_TRUE(GetFeature(device, buffer, sizeof buffer));
  std::lock_guard<std::mutex> lock(askedMutex);
  ASSERT_EQ(64u, asked.size());
  EXPECT_EQ(0x55, asked[0]); // the report ID goes first
  EXPECT_THAT(std::vector<uint8_t>(buffer, buffer + 6),
              ElementsAre(0x55, 0x4B, 0x01, 0x05, 0x06, 0x00));
  EXPECT_EQ(1u, bed.GetFeatureCalls(screen));
}

TEST_F(FeatureReportTest, SetFeatureSendsTheBufferAsPrepared) {
  unsigned char frame[64] = {0x55, 0x2D, 0x80, 0xA2, 0x01, 0x01, 0x24};
  ASSERT_TRUE(SetFeature(device, frame, sizeof frame));
  EXPECT_EQ(std::vector<uint8_t>(frame, frame + 64),
            bed.LastSetFeature(screen));

  unsigned char shorter[9] = {0x55, 1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_TRUE(SetFeature(device, shorter, sizeof shorter));
  EXPECT_EQ(std::vector<uint8_t>(shorter, shorter + 9),
            bed.LastSetFeature(screen));
  EXPECT_EQ(2u, bed.SetFeatureCalls(screen));
}

TEST_F(FeatureReportTest, ZeroLengthGetFeatureDoesNoIo) {
  const unsigned before = bed.TotalIoctlCalls(screen);
  unsigned char buffer[4] = {0xAA, 0xAA, 0xAA, 0xAA};
  EXPECT_TRUE(GetFeature(device, buffer, 0));
  EXPECT_EQ(0xAA, buffer[0]);
  EXPECT_EQ(before, bed.TotalIoctlCalls(screen));
}

TEST_F(FeatureReportTest, FailuresAreReported) {
  unsigned char buffer[64] = {0x55};
  bed.FailIoctl(screen, HidIoctl::SetFeature, EIO);
  bed.FailIoctl(screen, HidIoctl::GetFeature, EPIPE);
  EXPECT_FALSE(SetFeature(device, buffer, sizeof buffer));
  EXPECT_FALSE(GetFeature(device, buffer, sizeof buffer));

  EXPECT_FALSE(SetFeature(nullptr, buffer, sizeof buffer));
  EXPECT_FALSE(GetFeature(nullptr, buffer, sizeof buffer));
  EXPECT_FALSE(GetFeature(nullptr, buffer, 0));
  EXPECT_FALSE(SetFeature(device, nullptr, 64));
  EXPECT_FALSE(GetFeature(device, nullptr, 64));
  // Longer than an ioctl request can carry: refused before any I/O.
  const unsigned before = bed.TotalIoctlCalls(screen);
  std::vector<unsigned char> huge(20000, 0x55);
  EXPECT_FALSE(SetFeature(device, huge.data(), 20000));
  EXPECT_FALSE(GetFeature(device, huge.data(), 20000));
  EXPECT_EQ(before, bed.TotalIoctlCalls(screen));
}

TEST_F(FeatureReportTest, UnpluggedDeviceFails) {
  bed.RemoveDevice(screen);
  unsigned char buffer[64] = {0x55};
  EXPECT_FALSE(SetFeature(device, buffer, sizeof buffer));
  EXPECT_FALSE(GetFeature(device, buffer, sizeof buffer));
}

TEST_F(FeatureReportTest, EachCallPrintsItsLine) {
  unsigned char buffer[64] = {0x55};
  ConsoleCapture console;
  GetFeature(device, buffer, sizeof buffer);
  SetFeature(device, buffer, sizeof buffer);
  GetFeature(nullptr, buffer, sizeof buffer);
  EXPECT_THAT(console.Lines(), ElementsAre("LumoSdk: <<< get feature",
                                           "LumoSdk: set feature >>>",
                                           "LumoSdk: <<< get feature"));
}

} // namespace
