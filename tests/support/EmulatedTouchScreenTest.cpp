// The emulated touch screen itself, seen through the system calls that the
// code under test uses: what its node answers, what arrives through it, and
// what udev reports about it.
#include "support/EmulatedTouchScreen.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <linux/input.h>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// The node, opened as a client opens it.
class Node {
public:
  explicit Node(const EmulatedDevice &device)
      : m_fd(open(device.devNode.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)) {}
  ~Node() {
    if (m_fd >= 0)
      close(m_fd);
  }
  int fd() const { return m_fd; }

  // Reads until count bytes have arrived or nothing comes for a second.
  std::vector<uint8_t> Read(size_t count) const {
    std::vector<uint8_t> bytes;
    while (bytes.size() < count) {
      pollfd p{m_fd, POLLIN, 0};
      if (poll(&p, 1, 1000) <= 0)
        break;
      uint8_t buffer[4096];
      const ssize_t n = read(m_fd, buffer, sizeof buffer);
      if (n <= 0)
        break;
      bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
  }

private:
  int m_fd;
};

TEST(EmulatedTouchScreenTest, NodeAnswersDeviceInformationAndDescriptor) {
  EmulatedTouchScreen bed;
  TouchScreenSpec onI2c;
  onI2c.vendorId = 0x26CF;
  onI2c.productId = 0x1941;
  onI2c.usbAncestor = false;
  const EmulatedDevice devices[] = {bed.AddTouchScreen(),
                                    bed.AddTouchScreen(onI2c)};
  const struct {
    uint32_t bus;
    int16_t vendor, product;
  } expected[] = {{BUS_USB, 0x2621, 0x2211}, {BUS_I2C, 0x26CF, 0x1941}};

  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(devices[i].devNode);
    Node node(devices[i]);
    ASSERT_GE(node.fd(), 0);
    hidraw_devinfo info{};
    ASSERT_EQ(0, ioctl(node.fd(), HIDIOCGRAWINFO, &info));
    EXPECT_EQ(expected[i].bus, info.bustype);
    EXPECT_EQ(expected[i].vendor, info.vendor);
    EXPECT_EQ(expected[i].product, info.product);

    int size = 0;
    ASSERT_EQ(0, ioctl(node.fd(), HIDIOCGRDESCSIZE, &size));
    const std::vector<uint8_t> standard =
        EmulatedTouchScreen::StandardReportDescriptor(true);
    ASSERT_EQ(static_cast<int>(standard.size()), size);
    hidraw_report_descriptor descriptor{};
    descriptor.size = static_cast<__u32>(size);
    ASSERT_EQ(0, ioctl(node.fd(), HIDIOCGRDESC, &descriptor));
    EXPECT_EQ(standard,
              std::vector<uint8_t>(descriptor.value, descriptor.value + size));
    EXPECT_EQ(3u, bed.TotalIoctlCalls(devices[i]));
  }
}

TEST(EmulatedTouchScreenTest, FeatureReportsReachTheHandler) {
  EmulatedTouchScreen bed;
  const EmulatedDevice screen = bed.AddTouchScreen();
  Node node(screen);
  std::mutex handedMutex; // the handler runs on the fixture's thread
  std::vector<uint8_t> handed;
  bed.SetFeatureHandler(
      screen, [&](FeatureDirection direction, std::vector<uint8_t> &report) {
        if (direction == FeatureDirection::Set) {
          std::lock_guard<std::mutex> lock(handedMutex);
          handed = report;
          return static_cast<int>(report.size());
        }
        report[1] = 0x87;
        return static_cast<int>(report.size());
      });

  uint8_t out[64] = {0x55, 0x1E, 0x80, 0xA0, 0x00, 0x20};
  EXPECT_EQ(64, ioctl(node.fd(), HIDIOCSFEATURE(64), out));
  {
    std::lock_guard<std::mutex> lock(handedMutex);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 64), handed);
    EXPECT_EQ(handed, bed.LastSetFeature(screen));
  }

  uint8_t in[64] = {0x55};
  EXPECT_EQ(64, ioctl(node.fd(), HIDIOCGFEATURE(64), in));
  EXPECT_EQ(0x55, in[0]);
  EXPECT_EQ(0x87, in[1]);
  EXPECT_EQ(1u, bed.SetFeatureCalls(screen));
  EXPECT_EQ(1u, bed.GetFeatureCalls(screen));

  // A handler's negative result fails the request with that errno.
  bed.SetFeatureHandler(
      screen, [](FeatureDirection, std::vector<uint8_t> &) { return -EPIPE; });
  errno = 0;
  EXPECT_EQ(-1, ioctl(node.fd(), HIDIOCGFEATURE(64), in));
  EXPECT_EQ(EPIPE, errno);
}

TEST(EmulatedTouchScreenTest, FailIoctlFailsTheChosenRequest) {
  EmulatedTouchScreen bed;
  const EmulatedDevice screen = bed.AddTouchScreen();
  Node node(screen);
  uint8_t report[64] = {0x55};

  bed.FailIoctl(screen, HidIoctl::SetFeature, EIO, 2);
  for (int i = 0; i < 2; ++i) {
    errno = 0;
    EXPECT_EQ(-1, ioctl(node.fd(), HIDIOCSFEATURE(64), report));
    EXPECT_EQ(EIO, errno);
  }
  EXPECT_EQ(64, ioctl(node.fd(), HIDIOCSFEATURE(64), report));
  EXPECT_EQ(3u, bed.SetFeatureCalls(screen));

  bed.FailIoctl(screen, HidIoctl::RawInfo, EACCES);
  hidraw_devinfo info{};
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(-1, ioctl(node.fd(), HIDIOCGRAWINFO, &info));
  bed.FailIoctl(screen, HidIoctl::RawInfo, 0);
  EXPECT_EQ(0, ioctl(node.fd(), HIDIOCGRAWINFO, &info));

  // Requests the node does not know fail as on a real hidraw node.
  int value = 0;
  errno = 0;
  EXPECT_EQ(-1, ioctl(node.fd(), _IOR('H', 0x7F, int), &value));
  EXPECT_EQ(ENOTTY, errno);
}

TEST(EmulatedTouchScreenTest, InputReportsArriveUnchanged) {
  EmulatedTouchScreen bed;
  const EmulatedDevice screen = bed.AddTouchScreen();
  Node node(screen);
  // Every byte value, the terminal's control characters included.
  std::vector<uint8_t> bytes(256);
  for (int i = 0; i < 256; ++i)
    bytes[i] = static_cast<uint8_t>(i);
  ASSERT_TRUE(bed.SendInputReport(screen, bytes));
  EXPECT_EQ(bytes, node.Read(bytes.size()));
}

TEST(EmulatedTouchScreenTest, WaitUntilInputReadTellsWhenTheClientHasRead) {
  EmulatedTouchScreen bed;
  const EmulatedDevice screen = bed.AddTouchScreen();
  Node node(screen);
  EXPECT_TRUE(bed.WaitUntilInputRead(screen, 0)); // nothing sent yet

  ASSERT_TRUE(bed.SendInputReport(screen, {0x38, 0x01, 0x01}));
  EXPECT_FALSE(bed.WaitUntilInputRead(screen, 50)); // nobody reads
  std::thread reader([&] { EXPECT_EQ(3u, node.Read(3).size()); });
  EXPECT_TRUE(bed.WaitUntilInputRead(screen));
  reader.join();

  bed.RemoveDevice(screen);
  EXPECT_FALSE(bed.WaitUntilInputRead(screen, 0));
}

TEST(EmulatedTouchScreenTest, UdevSeesDevicesComeAndGo) {
  EmulatedTouchScreen bed;
  udev *context = udev_new();
  udev_monitor *monitor = udev_monitor_new_from_netlink(context, "udev");
  udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr);
  udev_monitor_enable_receiving(monitor);
  auto next = [&]() -> std::pair<std::string, std::string> {
    pollfd p{udev_monitor_get_fd(monitor), POLLIN, 0};
    if (poll(&p, 1, 2000) != 1)
      return {};
    udev_device *d = udev_monitor_receive_device(monitor);
    if (!d)
      return {};
    std::pair<std::string, std::string> event(udev_device_get_action(d),
                                              udev_device_get_syspath(d));
    udev_device_unref(d);
    return event;
  };

  // Adding a device announces it, as plugging it in does.
  const EmulatedDevice screen = bed.AddTouchScreen(0x2621, 0x2211, "AB");
  EXPECT_EQ(std::make_pair(std::string("add"), screen.sysPath), next());
  bed.SendUevent(screen, "change");
  EXPECT_EQ(std::make_pair(std::string("change"), screen.sysPath), next());

  udev_device *hidraw =
      udev_device_new_from_syspath(context, screen.sysPath.c_str());
  ASSERT_NE(nullptr, hidraw);
  EXPECT_STREQ(screen.devNode.c_str(), udev_device_get_devnode(hidraw));
  udev_device *usb = udev_device_get_parent_with_subsystem_devtype(
      hidraw, "usb", "usb_device");
  ASSERT_NE(nullptr, usb);
  EXPECT_EQ(screen.usbSysPath, udev_device_get_syspath(usb));
  EXPECT_STREQ("AB", udev_device_get_sysattr_value(usb, "serial"));
  EXPECT_STREQ("2621", udev_device_get_sysattr_value(usb, "idVendor"));
  udev_device_unref(hidraw);

  Node node(screen);
  bed.RemoveDevice(screen);
  EXPECT_EQ(std::make_pair(std::string("remove"), screen.sysPath), next());
  struct stat st;
  EXPECT_NE(0, stat(screen.sysPath.c_str(), &st));

  pollfd p{node.fd(), POLLIN, 0};
  ASSERT_EQ(1, poll(&p, 1, 1000));
  EXPECT_TRUE(p.revents & POLLHUP);
  hidraw_devinfo info{};
  errno = 0;
  EXPECT_EQ(-1, ioctl(node.fd(), HIDIOCGRAWINFO, &info));
  EXPECT_EQ(ENODEV, errno);
  EXPECT_FALSE(bed.SendInputReport(screen, {0x38, 1, 1}));

  udev_monitor_unref(monitor);
  udev_unref(context);
}

} // namespace
