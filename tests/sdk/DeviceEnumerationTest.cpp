// Enumeration of the touch screens over emulated hidraw devices: which devices
// are reported, with which path and serial, what is printed, and the locale it
// leaves behind.
#include "DeviceEnumeration.h"
#include "ConsoleCapture.h"
#include "support/EmulatedTouchScreen.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace LumoVarnok;
using testing::ElementsAre;
using testing::MatchesRegex;
using testing::UnorderedElementsAreArray;

namespace {

struct Reported {
  std::string path;
  std::optional<std::wstring> serial;
  bool operator==(const Reported &o) const {
    return path == o.path && serial == o.serial;
  }
};

void CollectA(void *user, const char *path, const wchar_t *serial) {
  auto *list = static_cast<std::vector<Reported> *>(user);
  list->push_back(
      {path ? path : "(null path)",
       serial ? std::optional<std::wstring>(serial) : std::nullopt});
}

void CollectW(void *user, const wchar_t *path, const wchar_t *serial) {
  auto *list = static_cast<std::vector<Reported> *>(user);
  const std::wstring wide = path ? path : L"(null path)";
  list->push_back(
      {std::string(wide.begin(), wide.end()),
       serial ? std::optional<std::wstring>(serial) : std::nullopt});
}

std::vector<Reported> EnumerateA(const _HardwareID *list) {
  std::vector<Reported> reported;
  EnumDevicesA(CollectA, &reported, list, kFeatureReportID);
  return reported;
}

std::vector<Reported> EnumerateW(const _HardwareID *list) {
  std::vector<Reported> reported;
  EnumDevicesW(CollectW, &reported, list, kFeatureReportID);
  return reported;
}

size_t OpenDescriptors() {
  size_t count = 0;
  for ([[maybe_unused]] const auto &entry :
       std::filesystem::directory_iterator("/proc/self/fd"))
    ++count;
  return count;
}

// The emulation closes its side of a node's connection on its own thread, a
// moment after the client has closed the node; give it that moment.
size_t OpenDescriptorsSettled(size_t expected) {
  size_t count = OpenDescriptors();
  for (int i = 0; i < 100 && count > expected; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    count = OpenDescriptors();
  }
  return count;
}

// The count once the emulation has caught up with earlier opens and closes:
// the same over several reads in a row.
size_t OpenDescriptorsStable() {
  size_t count = OpenDescriptors();
  for (int same = 0, i = 0; same < 5 && i < 200; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const size_t now = OpenDescriptors();
    same = now == count ? same + 1 : 0;
    count = now;
  }
  return count;
}

// Restores the process locale and one environment variable at the end.
class LocaleGuard {
public:
  explicit LocaleGuard(const char *variable) : m_name(variable) {
    if (const char *value = std::getenv(variable))
      m_value = value;
    m_locale = std::setlocale(LC_ALL, nullptr);
  }
  ~LocaleGuard() {
    if (m_value)
      setenv(m_name.c_str(), m_value->c_str(), 1);
    else
      unsetenv(m_name.c_str());
    std::setlocale(LC_ALL, m_locale.c_str());
  }

private:
  std::string m_name;
  std::optional<std::string> m_value;
  std::string m_locale;
};

// A bench of devices that the touch-screen enumeration must tell apart.
class DeviceEnumerationTest : public testing::Test {
protected:
  EmulatedTouchScreen bed;
};

TEST_F(DeviceEnumerationTest, ReportsListedUsbDevicesThatDeclareReport55) {
  const EmulatedDevice withSerial = bed.AddTouchScreen(0x2621, 0x2211, "SN-A");
  bed.AddTouchScreen(0x2621, 0x2301, "SN-B", /*withReportId55=*/false);
  bed.AddTouchScreen(0x26CF, 0x1941, "SN-C", true, /*usbAncestor=*/false);
  const EmulatedDevice noSerial =
      bed.AddTouchScreen(0x2621, 0x4A11, std::nullopt);
  const EmulatedDevice boot = bed.AddTouchScreen(0x2621, 0x2210, "SN-BOOT");
  bed.AddTouchScreen(0x1234, 0x5678, "SN-D");

  TouchScreenSpec oversized; // claims a descriptor larger than hidraw allows
  oversized.productId = 0x3301;
  oversized.reportedDescriptorSize = 5000;
  bed.AddTouchScreen(oversized);
  const EmulatedDevice noInfo = bed.AddTouchScreen(0x2621, 0x3401, "SN-E");
  bed.FailIoctl(noInfo, HidIoctl::RawInfo, EIO);
  const EmulatedDevice noDescriptor =
      bed.AddTouchScreen(0x2621, 0x4501, "SN-F");
  bed.FailIoctl(noDescriptor, HidIoctl::Descriptor, EIO);

  const std::vector<Reported> screens = {{withSerial.sysPath, L"SN-A"},
                                         {noSerial.sysPath, std::nullopt}};
  EXPECT_THAT(EnumerateA(TouchScreenHardwareIDs),
              UnorderedElementsAreArray(screens));
  EXPECT_THAT(EnumerateW(TouchScreenHardwareIDs),
              UnorderedElementsAreArray(screens));

  const std::vector<Reported> bootScreens = {{boot.sysPath, L"SN-BOOT"}};
  EXPECT_THAT(EnumerateA(BootHardwareIDs),
              UnorderedElementsAreArray(bootScreens));
  EXPECT_THAT(EnumerateW(BootHardwareIDs),
              UnorderedElementsAreArray(bootScreens));
}

TEST_F(DeviceEnumerationTest, ClosesEveryDescriptorItOpens) {
  bed.AddTouchScreen(0x2621, 0x2211, "SN-A");
  bed.AddTouchScreen(0x2621, 0x2301, "SN-B", false);
  const EmulatedDevice noInfo = bed.AddTouchScreen(0x2621, 0x3401, "SN-E");
  bed.FailIoctl(noInfo, HidIoctl::RawInfo, EIO);
  bed.AddTouchScreen(0x26CF, 0x1941, "SN-C", true, false);

  EnumerateA(TouchScreenHardwareIDs); // warms up what libraries keep open
  const size_t before = OpenDescriptorsStable();
  for (int i = 0; i < 5; ++i)
    EnumerateA(TouchScreenHardwareIDs);
  EXPECT_EQ(before, OpenDescriptorsSettled(before));
}

TEST_F(DeviceEnumerationTest, PrintsItsProgress) {
  const EmulatedDevice screen = bed.AddTouchScreen(0x2621, 0x2211, "AB");
  ConsoleCapture console;
  EnumerateA(TouchScreenHardwareIDs);
  const std::string path = screen.sysPath;
  EXPECT_THAT(
      console.Lines(),
      ElementsAre("LumoSdk: EnumDevice", "LumoSdk: udev_enumerate_new",
                  "LumoSdk: get syspath (devicePath) \"" + path + ".\"",
                  "LumoSdk: open devnode \"/dev/hidraw0\"",
                  MatchesRegex("LumoSdk: get handle [0-9]+ by devnode"),
                  MatchesRegex("LumoSdk: get device information from "
                               "handle [0-9]+"),
                  "LumoSdk: get device SN \"AB\"",
                  "LumoSdk: device has been get: \"" + path + "\",\"AB\"",
                  "LumoSdk: EnumDevice done."));
}

TEST_F(DeviceEnumerationTest, WithoutCallbackStillWalksTheDevices) {
  bed.AddTouchScreen(0x2621, 0x2211, "AB");
  ConsoleCapture console;
  EnumDevicesA(nullptr, nullptr, TouchScreenHardwareIDs, kFeatureReportID);
  EnumDevicesW(nullptr, nullptr, TouchScreenHardwareIDs, kFeatureReportID);
  EXPECT_EQ(18u, console.Lines().size());
}

TEST_F(DeviceEnumerationTest, LeavesTheProcessInTheCLocale) {
  LocaleGuard guard("LC_ALL");
  bed.AddTouchScreen(0x2621, 0x2211, "AB");
  ASSERT_NE(nullptr, std::setlocale(LC_ALL, "C.UTF-8"));
  EnumerateA(TouchScreenHardwareIDs);
  EXPECT_STREQ("C", std::setlocale(LC_ALL, nullptr));
}

TEST_F(DeviceEnumerationTest, ConvertsTheSerialInTheEnvironmentsLocale) {
  LocaleGuard guard("LC_ALL");
  bed.AddTouchScreen(0x2621, 0x2211, "Z\xC3\xA4-1"); // "Zä-1" in UTF-8
  setenv("LC_ALL", "C.UTF-8", 1);
  std::setlocale(LC_ALL, "C"); // the process itself still runs in "C"
  const std::vector<Reported> reported = EnumerateA(TouchScreenHardwareIDs);
  ASSERT_EQ(1u, reported.size());
  EXPECT_EQ(std::optional<std::wstring>(L"Z\u00E4-1"), reported[0].serial);
  EXPECT_STREQ("C", std::setlocale(LC_ALL, nullptr));
}

TEST_F(DeviceEnumerationTest, ForwardPassesANullPathOn) {
  std::vector<Reported> reported;
  DeviceCallbackAdapter adapter{CollectW, &reported};
  DeviceCallbackAdapter::forward(&adapter, nullptr, L"S");
  DeviceCallbackAdapter::forward(&adapter, "/sys/x", nullptr);
  EXPECT_THAT(reported, ElementsAre(Reported{"(null path)", L"S"},
                                    Reported{"/sys/x", std::nullopt}));
}

} // namespace
