// Emulated optical touch screens for tests and demos, built on umockdev.
//
// The program must run inside umockdev's preload (umockdev-wrapper, or
// tests/support/run-in-umockdev; board_add_test(... UMOCKDEV) does it). The
// real libudev then enumerates and monitors the emulated devices, and the real
// open, ioctl, poll and read reach their nodes.
//
//   EmulatedTouchScreen bed;                       // owns the testbed
//   EmulatedDevice screen = bed.AddTouchScreen();  // 2621:2211, a serial, ID
//   0x55
//   // screen.sysPath is what an enumeration reports, screen.devNode the node
//   bed.SendInputReport(screen, {0x38, 0x01, 0x01});
//   bed.SetFeatureHandler(screen, controllerModel); // answers feature reports
//   bed.FailIoctl(screen, HidIoctl::SetFeature, EIO); // every SetFeature fails
//   bed.RemoveDevice(screen);                       // unplug
//
// What each device is: a USB device (idVendor, idProduct and, when given,
// serial), its interface, a HID device and the hidraw node /dev/hidrawN, or,
// without a USB ancestor, a HID device on an I2C bus with its hidraw node.
// Any number of devices can exist at once; each gets the next free hidraw
// number. Adding a device sends "add" uevents for it, as plugging it in does.
//
// The node answers HIDIOCGRAWINFO (bus type, vendor, product),
// HIDIOCGRDESCSIZE and HIDIOCGRDESC (the report descriptor) and the feature
// requests HIDIOCSFEATURE(len) and HIDIOCGFEATURE(len) of any length; any
// other request fails with ENOTTY. Every request is counted, and any of the
// five can be made to fail with a chosen errno.
//
// Feature reports go to the device's FeatureHandler, the seam where a model
// of the touch screen's controller plugs in. Without a handler, set-feature
// requests succeed and get-feature requests return the report ID followed by
// zeros.
//
// Input reports written with SendInputReport arrive unchanged at the node: the
// reader's poll turns readable and read returns the bytes. The node is a
// pseudo-terminal in raw mode, a byte stream rather than one report per read:
// when a test needs report boundaries, it lets the reader take one report
// (WaitUntilInputRead) before it sends the next.
//
// Threads: umockdev (0.17) answers the ioctl requests on the worker thread of
// its testbed, which the fixture owns; FeatureHandler runs there. All other
// member functions are called from the test's threads; they may be called
// while requests are being answered. Data that a FeatureHandler shares
// with the test must be guarded by a mutex or be atomic: the client's ioctl
// and its answer travel through umockdev's uninstrumented code, so
// ThreadSanitizer does not see them synchronise the two threads. Under
// ThreadSanitizer, run with the suppressions in umockdev.tsan.supp.
#ifndef TESTS_SUPPORT_EMULATEDTOUCHSCREEN_H
#define TESTS_SUPPORT_EMULATEDTOUCHSCREEN_H

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;

// The requests the emulated node answers.
enum class HidIoctl {
  RawInfo,        // HIDIOCGRAWINFO
  DescriptorSize, // HIDIOCGRDESCSIZE
  Descriptor,     // HIDIOCGRDESC
  SetFeature,     // HIDIOCSFEATURE(len)
  GetFeature,     // HIDIOCGFEATURE(len)
};

enum class FeatureDirection { Set, Get };

// Answers a feature request. For Set, report holds the bytes the host sent
// (report ID first, as many as it asked to send). For Get, report holds the
// host's buffer as it passed it (report ID in byte 0, its length the length
// requested); the handler fills it in place and may shorten it. Returns the
// request's result: the number of bytes transferred, or a negative errno to
// fail the request. Runs on the testbed's worker thread.
using FeatureHandler = std::function<int(FeatureDirection direction,
                                         std::vector<uint8_t> &report)>;

// What to emulate.
struct TouchScreenSpec {
  uint16_t vendorId = 0x2621;
  uint16_t productId = 0x2211;
  // The USB device's "serial" attribute; none when empty (has_value() false).
  std::optional<std::string> serial = std::string("LUMO00000001");
  // The standard descriptor declares the input reports 0x34, 0x36, 0x37 and
  // 0x38 and, when this is true, the 64-byte feature report 0x55.
  bool withReportId55 = true;
  // False: the device sits on an I2C bus, without a USB device above it.
  bool usbAncestor = true;
  // Replaces the standard report descriptor when not empty.
  std::vector<uint8_t> reportDescriptor;
  // The size HIDIOCGRDESCSIZE reports, when it should not be the descriptor's.
  std::optional<int> reportedDescriptorSize;
  // A USB hub (its idVendor, idProduct) above the touch screen's USB device.
  struct Hub {
    uint16_t vendorId;
    uint16_t productId;
  };
  std::optional<Hub> hub;
  // Further USB interfaces of the device besides the HID one (no nodes).
  int extraInterfaces = 0;
};

// A USB device that is not a touch screen: one interface, no node.
struct UsbDeviceSpec {
  // The USB device's attributes; a missing one is left out of sysfs.
  std::optional<uint16_t> vendorId = uint16_t(0x046d);
  std::optional<uint16_t> productId = uint16_t(0xc077);
  std::string product = "USB Device";
  // Adds a video4linux device /dev/videoN below the interface.
  bool withVideoNode = false;
};

// Sysfs paths of a plain USB device, as tests address it.
struct EmulatedUsbDevice {
  std::string usbSysPath;       // the USB device
  std::string interfaceSysPath; // its interface
  std::string videoSysPath;     // its video4linux device, when it has one
};

// One emulated device, as tests address it.
struct EmulatedDevice {
  int id = -1;            // N of hidrawN; unique within the fixture
  std::string devNode;    // "/dev/hidrawN"
  std::string sysPath;    // the hidraw node's sysfs path (what udev lists)
  std::string usbSysPath; // its USB device; empty without a USB ancestor
  std::string topSysPath; // the outermost device added for it
};

class EmulatedTouchScreen {
public:
  // Creates the testbed. Aborts with a message when the program does not run
  // inside umockdev's preload.
  EmulatedTouchScreen();
  // Removes the testbed with every device.
  ~EmulatedTouchScreen();
  EmulatedTouchScreen(const EmulatedTouchScreen &) = delete;
  EmulatedTouchScreen &operator=(const EmulatedTouchScreen &) = delete;

  EmulatedDevice
  AddTouchScreen(const TouchScreenSpec &wanted = TouchScreenSpec());
  EmulatedDevice AddTouchScreen(uint16_t vendorId, uint16_t productId,
                                std::optional<std::string> serial,
                                bool withReportId55 = true,
                                bool usbAncestor = true);

  // Adds a USB device that is not a touch screen, sending its "add" uevents.
  EmulatedUsbDevice AddUsbDevice(const UsbDeviceSpec &wanted = UsbDeviceSpec());
  // The sysfs path of the touch screen's HID interface (interface 0) or of
  // one of its extra interfaces (1 ..).
  static std::string InterfaceSysPath(const EmulatedDevice &device,
                                      int interface = 0);

  // Sends a uevent ("add", "remove", "change") for the hidraw node to the
  // udev monitors of the process.
  void SendUevent(const EmulatedDevice &device, const char *action);
  // Sends a uevent for another of the device's sysfs paths (its USB device
  // or interface, for example).
  void SendUevent(const std::string &sysPath, const char *action);
  // Unplugs the device: the open node hangs up (poll reports POLLHUP and
  // POLLERR, read returns end-of-file), its requests fail with ENODEV, a
  // "remove" uevent goes out and the device leaves sysfs.
  void RemoveDevice(const EmulatedDevice &device);

  // Writes bytes to the device's node, as the device sends an input report.
  bool SendInputReport(const EmulatedDevice &device,
                       const std::vector<uint8_t> &report);
  bool SendInputReport(const EmulatedDevice &device, const uint8_t *report,
                       size_t length);
  // Waits until the client has read every byte sent to the node, so that
  // the next report starts a read of its own. False when bytes are still
  // unread after timeoutMs, or when the device has been removed.
  bool WaitUntilInputRead(const EmulatedDevice &device, int timeoutMs = 5000);

  // Installs the device's feature-report handler (an empty one restores the
  // default answers).
  void SetFeatureHandler(const EmulatedDevice &device, FeatureHandler handler);

  // Makes request fail with errnoValue: for the next `times` calls, or for
  // every call when times is negative. An errnoValue of 0 stops failing it.
  void FailIoctl(const EmulatedDevice &device, HidIoctl request, int errnoValue,
                 int times = -1);

  // How often request has reached the device (failed calls included).
  unsigned CallCount(const EmulatedDevice &device, HidIoctl request) const;
  unsigned SetFeatureCalls(const EmulatedDevice &device) const {
    return CallCount(device, HidIoctl::SetFeature);
  }
  unsigned GetFeatureCalls(const EmulatedDevice &device) const {
    return CallCount(device, HidIoctl::GetFeature);
  }
  // Every request, the unknown ones included.
  unsigned TotalIoctlCalls(const EmulatedDevice &device) const;
  // The bytes of the last set-feature request.
  std::vector<uint8_t> LastSetFeature(const EmulatedDevice &device) const;

  // The standard report descriptor.
  static std::vector<uint8_t> StandardReportDescriptor(bool withReportId55);

  struct DeviceState; // per device; defined in the source file

private:
  DeviceState &State(const EmulatedDevice &device) const;

  UMockdevTestbed *m_pTestbed = nullptr;
  int m_iNextId = 0; // test threads; AddTouchScreen is not called concurrently
  int m_iNextUsbPort = 100; // ports of plain USB devices, after the screens'
  // Guards the map (not the states, which lock themselves).
  mutable std::mutex m_devicesMutex;
  std::map<int, std::unique_ptr<DeviceState>> m_devices;
};

#endif // TESTS_SUPPORT_EMULATEDTOUCHSCREEN_H
