// Opening and closing emulated touch screens, and their serial numbers.
#include "DeviceContext.h"
#include "ConsoleCapture.h"
#include "support/EmulatedTouchScreen.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <clocale>
#include <string>

using namespace LumoVarnok;
using testing::ElementsAre;

namespace {

class DeviceContextTest : public testing::Test {
protected:
  EmulatedTouchScreen bed;
};

TEST_F(DeviceContextTest, OpensHidrawSysfsPathsWithUsbAncestorOnly) {
  const EmulatedDevice screen = bed.AddTouchScreen();
  // Opening consults neither the ID lists nor the report descriptor.
  const EmulatedDevice unlisted =
      bed.AddTouchScreen(0x1234, 0x5678, "X", /*withReportId55=*/false);
  const EmulatedDevice onI2c =
      bed.AddTouchScreen(0x2621, 0x2211, "Y", true, /*usbAncestor=*/false);

  const struct {
    const char *name;
    std::string path;
    bool opens;
  } cases[] = {
      {"sysfs path of the hidraw node", screen.sysPath, true},
      {"unlisted device without report 0x55", unlisted.sysPath, true},
      {"the /dev node", screen.devNode, false},
      {"the USB device above it", screen.usbSysPath, false},
      {"a device without USB ancestor", onI2c.sysPath, false},
      {"a path that does not exist", "/sys/devices/none/hidraw/hidraw9", false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    void *device = nullptr;
    EXPECT_EQ(c.opens, OpenDeviceA(c.path.c_str(), &device));
    EXPECT_EQ(c.opens, device != nullptr);
    if (device) {
      EXPECT_GE(static_cast<_DeviceContext *>(device)->fd, 0);
      EXPECT_TRUE(CloseDevice(device));
    }
  }

  void *device = nullptr;
  EXPECT_FALSE(OpenDeviceA(nullptr, &device));
  EXPECT_FALSE(OpenDeviceA(screen.sysPath.c_str(), nullptr));
  EXPECT_EQ(nullptr, device);
}

TEST_F(DeviceContextTest, OpenAndClosePrintTheirProgress) {
  const EmulatedDevice screen = bed.AddTouchScreen();
  ConsoleCapture console;
  void *device = nullptr;
  ASSERT_TRUE(OpenDeviceA(screen.sysPath.c_str(), &device));
  ASSERT_TRUE(CloseDevice(device));
  EXPECT_FALSE(CloseDevice(nullptr));
  EXPECT_THAT(console.Lines(),
              ElementsAre("LumoSdk: open device \"" + screen.sysPath + "\"",
                          "LumoSdk: open device \"/dev/hidraw0\" done.",
                          "LumoSdk: close device", "LumoSdk: close device done",
                          "LumoSdk: close device"));
}

TEST_F(DeviceContextTest, WidePathOpensAndLeavesTheCLocale) {
  const EmulatedDevice screen = bed.AddTouchScreen();
  const std::wstring path(screen.sysPath.begin(), screen.sysPath.end());
  std::setlocale(LC_ALL, "C.UTF-8");
  void *device = nullptr;
  ASSERT_TRUE(OpenDeviceW(path.c_str(), &device));
  EXPECT_STREQ("C", std::setlocale(LC_ALL, nullptr));
  EXPECT_TRUE(CloseDevice(device));
  EXPECT_FALSE(OpenDeviceW(nullptr, &device));
}

TEST_F(DeviceContextTest, SerialNumberSizesAndCopies) {
  const struct {
    const char *name;
    std::optional<std::string> attribute;
    std::wstring serial;
  } devices[] = {
      {"serial AB", std::string("AB"), L"AB"},
      {"no serial attribute", std::nullopt, L""},
      // Every byte becomes the character of the same number, never a
      // negative value.
      {"bytes above 0x7F", std::string("\xC3\xA9"), std::wstring{0xC3, 0xA9}},
  };
  for (const auto &d : devices) {
    SCOPED_TRACE(d.name);
    const EmulatedDevice screen =
        bed.AddTouchScreen(0x2621, 0x2211, d.attribute);
    void *device = nullptr;
    ASSERT_TRUE(OpenDeviceA(screen.sysPath.c_str(), &device));
    const unsigned int needed =
        static_cast<unsigned int>((d.serial.size() + 1) * sizeof(wchar_t));

    wchar_t buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    unsigned int size = 0;
    // One byte short fails, and still tells the size.
    EXPECT_FALSE(GetDeviceSerialNumber(device, buffer, needed - 1, &size));
    EXPECT_EQ(needed, size);
    EXPECT_EQ(L'#', buffer[0]);
    EXPECT_FALSE(GetDeviceSerialNumber(device, nullptr, sizeof buffer, &size));
    EXPECT_EQ(needed, size);

    size = 0;
    EXPECT_TRUE(GetDeviceSerialNumber(device, buffer, needed, &size));
    EXPECT_EQ(needed, size);
    EXPECT_EQ(d.serial, std::wstring(buffer));
    EXPECT_TRUE(GetDeviceSerialNumber(device, buffer, sizeof buffer, nullptr));
    EXPECT_TRUE(CloseDevice(device));
  }

  unsigned int size = 77;
  wchar_t buffer[4];
  EXPECT_FALSE(GetDeviceSerialNumber(nullptr, buffer, sizeof buffer, &size));
  EXPECT_EQ(77u, size);
}

TEST_F(DeviceContextTest, SerialAbNeedsTwelveBytes) {
  const EmulatedDevice screen = bed.AddTouchScreen(0x2621, 0x2211, "AB");
  void *device = nullptr;
  ASSERT_TRUE(OpenDeviceA(screen.sysPath.c_str(), &device));
  wchar_t buffer[3];
  unsigned int size = 0;
  EXPECT_FALSE(GetDeviceSerialNumber(device, buffer, 8, &size));
  EXPECT_EQ(12u, size);
  EXPECT_TRUE(GetDeviceSerialNumber(device, buffer, 12, &size));
  EXPECT_EQ(12u, size);
  EXPECT_EQ(std::wstring(L"AB"), buffer);
  EXPECT_TRUE(CloseDevice(device));
}

} // namespace
