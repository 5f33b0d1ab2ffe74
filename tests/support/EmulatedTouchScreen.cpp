#include "EmulatedTouchScreen.h"

#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <linux/input.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kRequestKinds = 5;
constexpr uint32_t kBusUsb = BUS_USB;
constexpr uint32_t kBusI2c = BUS_I2C;
constexpr int kHidrawMajor = 241;

int Index(HidIoctl request) {
  return static_cast<int>(request);
}

// Which of the answered requests this is, if any.
std::optional<HidIoctl> Classify(unsigned long request) {
  if (request == HIDIOCGRAWINFO)
    return HidIoctl::RawInfo;
  if (request == HIDIOCGRDESCSIZE)
    return HidIoctl::DescriptorSize;
  if (request == HIDIOCGRDESC)
    return HidIoctl::Descriptor;
  // The feature requests carry the report length in their size field.
  if (_IOC_TYPE(request) == 'H' &&
      _IOC_DIR(request) == (_IOC_READ | _IOC_WRITE)) {
    if (_IOC_NR(request) == 0x06)
      return HidIoctl::SetFeature;
    if (_IOC_NR(request) == 0x07)
      return HidIoctl::GetFeature;
  }
  return std::nullopt;
}

std::string Hex4(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", value & 0xFFFFu);
  return text;
}

std::string Hex4Upper(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", value & 0xFFFFu);
  return text;
}

// Orders the fixture's threads for ThreadSanitizer. umockdev hands each
// request to the answering thread and the answer back in uninstrumented code,
// which ThreadSanitizer cannot see. The answering thread takes this mutex when
// a request begins and when it ends; the test thread takes it after it has
// set a device up and before it takes one down.
std::mutex &Handover() {
  static std::mutex mutex;
  return mutex;
}
void SyncHandover() {
  std::lock_guard<std::mutex> lock(Handover());
}

bool RunningUnderUmockdev() {
  const char *preload = std::getenv("LD_PRELOAD");
  return preload && std::strstr(preload, "umockdev-preload");
}

} // namespace

// Everything the fixture keeps of one device. The ioctl handler reads it on
// the testbed's worker thread; the test threads change it. Fields below `mutex`
// are guarded by it; the others are fixed once the device exists.
struct EmulatedTouchScreen::DeviceState {
  EmulatedDevice device;
  uint32_t busType = kBusUsb;
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  std::vector<uint8_t> descriptor;
  int reportedDescriptorSize = 0;
  int masterFd = -1; // the node's other end, owned by the testbed
  // After an unplug: a descriptor of the node's terminal side, held so the
  // pseudo-terminal's number is not handed to the next device while umockdev
  // still has its name in use.
  int heldPeer = -1;
  ~DeviceState() {
    if (heldPeer >= 0)
      close(heldPeer);
  }
  UMockdevIoctlBase *handler = nullptr;

  mutable std::mutex mutex;
  FeatureHandler featureHandler;
  struct Failure {
    int errnoValue = 0;
    int remaining = 0; // negative: always
  } failures[kRequestKinds];
  unsigned counts[kRequestKinds] = {};
  unsigned total = 0;
  std::vector<uint8_t> lastSetFeature;
  bool removed = false;

  // Counts the request; the errno it must fail with, or 0.
  int Account(std::optional<HidIoctl> request) {
    std::lock_guard<std::mutex> lock(mutex);
    ++total;
    if (!request)
      return ENOTTY;
    const int i = Index(*request);
    ++counts[i];
    if (removed)
      return ENODEV;
    Failure &failure = failures[i];
    if (failure.errnoValue == 0 || failure.remaining == 0)
      return 0;
    if (failure.remaining > 0)
      --failure.remaining;
    return failure.errnoValue;
  }
};

namespace {

using DeviceState = EmulatedTouchScreen::DeviceState;

// The client's argument resolved to size bytes of its memory; changes to it
// are written back when the request completes.
class ResolvedArgument {
public:
  ResolvedArgument(UMockdevIoctlClient *client, size_t size) {
    GError *error = nullptr;
    m_pData = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client),
                                          0, size, &error);
    if (error)
      g_error_free(error);
    if (m_pData && static_cast<size_t>(m_pData->data_len) < size) {
      g_object_unref(m_pData);
      m_pData = nullptr;
    }
  }
  ~ResolvedArgument() {
    if (m_pData)
      g_object_unref(m_pData);
  }
  ResolvedArgument(const ResolvedArgument &) = delete;
  ResolvedArgument &operator=(const ResolvedArgument &) = delete;

  uint8_t *bytes() const { return m_pData ? m_pData->data : nullptr; }

private:
  UMockdevIoctlData *m_pData = nullptr;
};

long AnswerRawInfo(const DeviceState &state, UMockdevIoctlClient *client,
                   int &err) {
  ResolvedArgument arg(client, sizeof(hidraw_devinfo));
  if (!arg.bytes())
    return err = EFAULT, -1;
  hidraw_devinfo info{};
  info.bustype = state.busType;
  info.vendor = static_cast<__s16>(state.vendorId);
  info.product = static_cast<__s16>(state.productId);
  std::memcpy(arg.bytes(), &info, sizeof info);
  return 0;
}

long AnswerDescriptorSize(const DeviceState &state, UMockdevIoctlClient *client,
                          int &err) {
  ResolvedArgument arg(client, sizeof(int));
  if (!arg.bytes())
    return err = EFAULT, -1;
  std::memcpy(arg.bytes(), &state.reportedDescriptorSize, sizeof(int));
  return 0;
}

// As the kernel: the caller names the size it wants in the record; more than
// HID_MAX_DESCRIPTOR_SIZE is refused, and at most the descriptor is copied.
long AnswerDescriptor(const DeviceState &state, UMockdevIoctlClient *client,
                      int &err) {
  ResolvedArgument arg(client, sizeof(hidraw_report_descriptor));
  if (!arg.bytes())
    return err = EFAULT, -1;
  auto *record = reinterpret_cast<hidraw_report_descriptor *>(arg.bytes());
  if (record->size > HID_MAX_DESCRIPTOR_SIZE)
    return err = EINVAL, -1;
  const size_t count = std::min<size_t>(record->size, state.descriptor.size());
  std::memcpy(record->value, state.descriptor.data(), count);
  return 0;
}

long AnswerFeature(DeviceState &state, FeatureDirection direction,
                   UMockdevIoctlClient *client, size_t length, int &err) {
  ResolvedArgument arg(client, length);
  if (length > 0 && !arg.bytes())
    return err = EFAULT, -1;
  std::vector<uint8_t> report;
  if (length > 0)
    report.assign(arg.bytes(), arg.bytes() + length);

  FeatureHandler handler;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    handler = state.featureHandler;
    if (direction == FeatureDirection::Set)
      state.lastSetFeature = report;
  }

  int result;
  if (handler) {
    result = handler(direction, report);
  } else if (direction == FeatureDirection::Get) {
    std::fill(report.begin() + (report.empty() ? 0 : 1), report.end(), 0);
    result = static_cast<int>(report.size());
  } else {
    result = static_cast<int>(report.size());
  }
  if (result < 0)
    return err = -result, -1;
  const size_t back = std::min(report.size(), length);
  if (direction == FeatureDirection::Get && back > 0)
    std::memcpy(arg.bytes(), report.data(), back);
  return result;
}

gboolean OnHandleIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client,
                       gpointer user) {
  auto *state = static_cast<DeviceState *>(user);
  SyncHandover();
  const unsigned long request = umockdev_ioctl_client_get_request(client);
  const std::optional<HidIoctl> kind = Classify(request);

  int err = state->Account(kind);
  long result = -1;
  if (err == 0) {
    switch (*kind) {
    case HidIoctl::RawInfo:
      result = AnswerRawInfo(*state, client, err);
      break;
    case HidIoctl::DescriptorSize:
      result = AnswerDescriptorSize(*state, client, err);
      break;
    case HidIoctl::Descriptor:
      result = AnswerDescriptor(*state, client, err);
      break;
    case HidIoctl::SetFeature:
      result = AnswerFeature(*state, FeatureDirection::Set, client,
                             _IOC_SIZE(request), err);
      break;
    case HidIoctl::GetFeature:
      result = AnswerFeature(*state, FeatureDirection::Get, client,
                             _IOC_SIZE(request), err);
      break;
    }
  }
  SyncHandover();
  umockdev_ioctl_client_complete(client, err ? -1 : result, err);
  return TRUE;
}

// The sysfs records of one device, innermost first, as umockdev reads them.
struct DeviceRecords {
  std::string text;
  EmulatedDevice device;
};

DeviceRecords DescribeDevice(int id, const TouchScreenSpec &wanted) {
  const std::string n = std::to_string(id);
  const std::string hidName = (wanted.usbAncestor ? "0003:" : "0018:") +
                              Hex4Upper(wanted.vendorId) + ":" +
                              Hex4Upper(wanted.productId) + "." +
                              Hex4Upper(static_cast<unsigned>(id + 1));
  DeviceRecords records;
  EmulatedDevice &device = records.device;
  device.id = id;
  device.devNode = "/dev/hidraw" + n;

  std::string hidPath;
  std::string parents;
  if (wanted.usbAncestor) {
    const std::string hubPort = "1-" + std::to_string(id + 1);
    const std::string port = wanted.hub ? hubPort + ".1" : hubPort;
    const std::string rootPath = "/devices/pci0000:00/0000:00:14.0/usb1/";
    const std::string usbPath =
        wanted.hub ? rootPath + hubPort + "/" + port : rootPath + port;
    const std::string interfacePath = usbPath + "/" + port + ":1.0";
    hidPath = interfacePath + "/" + hidName;
    device.usbSysPath = "/sys" + usbPath;
    device.topSysPath = wanted.hub ? "/sys" + rootPath + hubPort : device.usbSysPath;
    parents = "P: " + interfacePath +
              "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface"
              "\nE: INTERFACE=3/0/0\nA: bInterfaceClass=03"
              "\nA: bInterfaceNumber=00\n\n";
    for (int i = 1; i <= wanted.extraInterfaces; ++i)
      parents += "P: " + usbPath + "/" + port + ":1." + std::to_string(i) +
                 "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface"
                 "\nE: INTERFACE=255/0/0\nA: bInterfaceClass=ff"
                 "\nA: bInterfaceNumber=0" +
                 std::to_string(i) + "\n\n";
    parents += "P: " +
              usbPath +
              "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device"
              "\nE: PRODUCT=" +
              Hex4(wanted.vendorId) + "/" + Hex4(wanted.productId) + "/100" +
              "\nA: idVendor=" + Hex4(wanted.vendorId) +
              "\nA: idProduct=" + Hex4(wanted.productId) +
              "\nA: manufacturer=Emulated\nA: product=Optical Touch Screen\n\n";
    if (wanted.hub)
      parents += "P: " + rootPath + hubPort +
                 "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb" +
                 "\nA: idVendor=" + Hex4(wanted.hub->vendorId) +
                 "\nA: idProduct=" + Hex4(wanted.hub->productId) +
                 "\nA: bDeviceClass=09\nA: product=USB Hub\n\n";
  } else {
    const std::string busPath = "/devices/platform/i2c_designware." + n +
                                "/i2c-" + n + "/i2c-LUMO000" + n + ":00";
    hidPath = busPath + "/" + hidName;
    device.topSysPath = "/sys" + busPath;
    parents =
        "P: " + busPath + "\nE: SUBSYSTEM=i2c\nA: name=LUMO000" + n + ":00\n\n";
  }
  const std::string hidrawPath = hidPath + "/hidraw/hidraw" + n;
  device.sysPath = "/sys" + hidrawPath;

  records.text = "P: " + hidrawPath + "\nN: hidraw" + n +
                 "\nE: SUBSYSTEM=hidraw\nE: DEVNAME=" + device.devNode +
                 "\nA: dev=" + std::to_string(kHidrawMajor) + ":" + n +
                 "\n\n"
                 "P: " +
                 hidPath +
                 "\nE: SUBSYSTEM=hid\nE: DRIVER=hid-generic\nE: HID_ID=" +
                 (wanted.usbAncestor ? "0003" : "0018") + ":0000" +
                 Hex4Upper(wanted.vendorId) + ":0000" +
                 Hex4Upper(wanted.productId) + "\n\n" + parents;
  return records;
}

[[noreturn]] void Fail(const std::string &what) {
  std::fprintf(stderr, "EmulatedTouchScreen: %s\n", what.c_str());
  std::abort();
}

// Adds the records (innermost first, as umockdev writes them) one device at a
// time from the outermost in, so that the "add" uevents come in the kernel's
// order: a parent is in sysfs before its child is announced, and a udev
// client that looks up the parent of a new device finds it.
void AddRecordsOutermostFirst(UMockdevTestbed *testbed, const std::string &text) {
  std::vector<std::string> records;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find("\n\n", start);
    if (end == std::string::npos)
      end = text.size();
    if (end > start)
      records.push_back(text.substr(start, end - start) + "\n");
    start = end + 2;
  }
  for (auto it = records.rbegin(); it != records.rend(); ++it) {
    GError *error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed, it->c_str(), &error))
      Fail(std::string("cannot add device: ") +
           (error ? error->message : "unknown error"));
  }
}

} // namespace

std::vector<uint8_t>
EmulatedTouchScreen::StandardReportDescriptor(bool withReportId55) {
  std::vector<uint8_t> descriptor = {
      0x06, 0x00, 0xFF, // Usage Page (vendor defined 0xFF00)
      0x09, 0x01,       // Usage (1)
      0xA1, 0x01,       // Collection (Application)
      0x15, 0x00,       //   Logical Minimum (0)
      0x26, 0xFF, 0x00, //   Logical Maximum (255)
      0x75, 0x08,       //   Report Size (8)
      0x85, 0x34, 0x09, 0x02, 0x95, 0x17, 0x81, 0x02, // raw touch, 23 bytes
      0x85, 0x36, 0x09, 0x03, 0x95, 0x17, 0x81, 0x02, // touch, 23 bytes
      0x85, 0x37, 0x09, 0x04, 0x95, 0x3F, 0x81, 0x02, // diagnosis, 63 bytes
      0x85, 0x38, 0x09, 0x05, 0x95, 0x02, 0x81, 0x02, // virtual key, 2 bytes
  };
  if (withReportId55) {
    // Feature report 0x55: 63 bytes after the ID, 64 in all.
    for (uint8_t byte : {0x85, 0x55, 0x09, 0x06, 0x95, 0x3F, 0xB1, 0x02})
      descriptor.push_back(byte);
  }
  descriptor.push_back(0xC0); // End Collection
  return descriptor;
}

EmulatedTouchScreen::EmulatedTouchScreen() {
  if (!RunningUnderUmockdev())
    Fail("run this program under umockdev-wrapper "
         "(tests/support/run-in-umockdev)");
  m_pTestbed = umockdev_testbed_new();
}

EmulatedTouchScreen::~EmulatedTouchScreen() {
  for (auto &entry : m_devices) {
    DeviceState &state = *entry.second;
    umockdev_testbed_detach_ioctl(m_pTestbed, state.device.devNode.c_str(),
                                  nullptr);
    g_object_unref(state.handler);
    state.handler = nullptr;
  }
  g_object_unref(m_pTestbed);
  SyncHandover(); // the answering thread's last request is over
}

EmulatedDevice
EmulatedTouchScreen::AddTouchScreen(uint16_t vendorId, uint16_t productId,
                                    std::optional<std::string> serial,
                                    bool withReportId55, bool usbAncestor) {
  TouchScreenSpec wanted;
  wanted.vendorId = vendorId;
  wanted.productId = productId;
  wanted.serial = std::move(serial);
  wanted.withReportId55 = withReportId55;
  wanted.usbAncestor = usbAncestor;
  return AddTouchScreen(wanted);
}

EmulatedDevice
EmulatedTouchScreen::AddTouchScreen(const TouchScreenSpec &wanted) {
  const int id = m_iNextId++;
  DeviceRecords records = DescribeDevice(id, wanted);

  AddRecordsOutermostFirst(m_pTestbed, records.text);
  // Written directly, so that any bytes reach the attribute unchanged.
  if (wanted.usbAncestor && wanted.serial)
    umockdev_testbed_set_attribute(m_pTestbed,
                                   records.device.usbSysPath.c_str(), "serial",
                                   wanted.serial->c_str());

  auto state = std::make_unique<DeviceState>();
  state->device = records.device;
  state->busType = wanted.usbAncestor ? kBusUsb : kBusI2c;
  state->vendorId = wanted.vendorId;
  state->productId = wanted.productId;
  state->descriptor = wanted.reportDescriptor.empty()
                          ? StandardReportDescriptor(wanted.withReportId55)
                          : wanted.reportDescriptor;
  state->reportedDescriptorSize = wanted.reportedDescriptorSize.value_or(
      static_cast<int>(state->descriptor.size()));

  // The node is a pseudo-terminal; raw mode passes every byte through
  // unchanged (no flow-control, signal or line-editing characters).
  state->masterFd =
      umockdev_testbed_get_dev_fd(m_pTestbed, records.device.devNode.c_str());
  if (state->masterFd < 0)
    Fail("no node for " + records.device.devNode);
  termios mode{};
  if (tcgetattr(state->masterFd, &mode) == 0) {
    cfmakeraw(&mode);
    tcsetattr(state->masterFd, TCSANOW, &mode);
  }

  // umockdev answers the node's requests on its own worker thread.
  state->handler = umockdev_ioctl_base_new();
  DeviceState *published = state.get();
  g_signal_connect(state->handler, "handle-ioctl", G_CALLBACK(OnHandleIoctl),
                   published);
  {
    std::lock_guard<std::mutex> lock(m_devicesMutex);
    m_devices[id] = std::move(state);
  }
  SyncHandover();
  if (!umockdev_testbed_attach_ioctl(m_pTestbed, records.device.devNode.c_str(),
                                     published->handler, nullptr))
    Fail("cannot attach the ioctl handler to " + records.device.devNode);
  return records.device;
}

EmulatedUsbDevice EmulatedTouchScreen::AddUsbDevice(const UsbDeviceSpec &wanted) {
  const std::string port = "1-" + std::to_string(m_iNextUsbPort++);
  const std::string usbPath = "/devices/pci0000:00/0000:00:14.0/usb1/" + port;
  const std::string interfacePath = usbPath + "/" + port + ":1.0";
  EmulatedUsbDevice device;
  device.usbSysPath = "/sys" + usbPath;
  device.interfaceSysPath = "/sys" + interfacePath;

  std::string text;
  if (wanted.withVideoNode) {
    // video4linux nodes take their number from the USB port, so that several
    // cameras never share one.
    const std::string n = std::to_string(m_iNextUsbPort);
    const std::string videoPath = interfacePath + "/video4linux/video" + n;
    device.videoSysPath = "/sys" + videoPath;
    text += "P: " + videoPath + "\nN: video" + n +
            "\nE: SUBSYSTEM=video4linux\nE: DEVNAME=/dev/video" + n +
            "\nA: dev=81:" + n + "\nA: name=" + wanted.product + "\n\n";
  }
  text += "P: " + interfacePath +
          "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface"
          "\nE: INTERFACE=14/1/0\nA: bInterfaceNumber=00\n\n"
          "P: " + usbPath + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device";
  if (wanted.vendorId)
    text += "\nA: idVendor=" + Hex4(*wanted.vendorId);
  if (wanted.productId)
    text += "\nA: idProduct=" + Hex4(*wanted.productId);
  text += "\nA: product=" + wanted.product + "\n\n";

  AddRecordsOutermostFirst(m_pTestbed, text);
  return device;
}

std::string EmulatedTouchScreen::InterfaceSysPath(const EmulatedDevice &device,
                                                  int interface) {
  const std::string port =
      device.usbSysPath.substr(device.usbSysPath.rfind('/') + 1);
  return device.usbSysPath + "/" + port + ":1." + std::to_string(interface);
}

EmulatedTouchScreen::DeviceState &
EmulatedTouchScreen::State(const EmulatedDevice &device) const {
  std::lock_guard<std::mutex> lock(m_devicesMutex);
  const auto it = m_devices.find(device.id);
  if (it == m_devices.end())
    Fail("unknown device " + device.devNode);
  return *it->second;
}

void EmulatedTouchScreen::SendUevent(const EmulatedDevice &device,
                                     const char *action) {
  SendUevent(device.sysPath, action);
}

void EmulatedTouchScreen::SendUevent(const std::string &sysPath,
                                     const char *action) {
  umockdev_testbed_uevent(m_pTestbed, sysPath.c_str(), action);
}

void EmulatedTouchScreen::RemoveDevice(const EmulatedDevice &device) {
  DeviceState &state = State(device);
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.removed)
      return;
    state.removed = true;
  }
  // Hang up the node: with its other end closed, the reader's poll reports
  // POLLHUP and read returns end-of-file. /dev/null takes over the descriptor
  // number, which the testbed still owns and closes at the end.
  state.heldPeer =
      static_cast<int>(syscall(SYS_ioctl, state.masterFd, TIOCGPTPEER,
                               O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
  if (null >= 0) {
    dup2(null, state.masterFd);
    close(null);
  }
  SendUevent(device, "remove");
  umockdev_testbed_remove_device(m_pTestbed, device.topSysPath.c_str());
}

bool EmulatedTouchScreen::SendInputReport(const EmulatedDevice &device,
                                          const std::vector<uint8_t> &report) {
  return SendInputReport(device, report.data(), report.size());
}

bool EmulatedTouchScreen::SendInputReport(const EmulatedDevice &device,
                                          const uint8_t *report,
                                          size_t length) {
  DeviceState &state = State(device);
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.removed)
      return false;
  }
  size_t written = 0;
  while (written < length) {
    const ssize_t n = write(state.masterFd, report + written, length - written);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    written += static_cast<size_t>(n);
  }
  return true;
}

bool EmulatedTouchScreen::WaitUntilInputRead(const EmulatedDevice &device,
                                             int timeoutMs) {
  DeviceState &state = State(device);
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.removed)
      return false;
  }
  // The bytes not yet read wait in the input queue of the node's terminal
  // side. Its count is read through a descriptor of our own for that side,
  // taken from the master and asked by system call, so that umockdev's
  // preload, which answers the node's ioctls, never sees either request.
  const int peer =
      static_cast<int>(syscall(SYS_ioctl, state.masterFd, TIOCGPTPEER,
                               O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (peer < 0)
    return false;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  bool drained = false;
  for (;;) {
    // Bytes written to the master reach the terminal's input queue through
    // a kernel work item; polling the terminal side with nothing queued runs
    // that work first, so that the count below sees every byte sent so far.
    pollfd flush{peer, POLLIN, 0};
    poll(&flush, 1, 0);
    int pending = -1;
    if (syscall(SYS_ioctl, peer, FIONREAD, &pending) != 0)
      break;
    if (pending == 0) {
      drained = true;
      break;
    }
    if (std::chrono::steady_clock::now() >= deadline)
      break;
    usleep(200);
  }
  close(peer);
  return drained;
}

void EmulatedTouchScreen::SetFeatureHandler(const EmulatedDevice &device,
                                            FeatureHandler handler) {
  DeviceState &state = State(device);
  std::lock_guard<std::mutex> lock(state.mutex);
  state.featureHandler = std::move(handler);
}

void EmulatedTouchScreen::FailIoctl(const EmulatedDevice &device,
                                    HidIoctl request, int errnoValue,
                                    int times) {
  DeviceState &state = State(device);
  std::lock_guard<std::mutex> lock(state.mutex);
  DeviceState::Failure &failure = state.failures[Index(request)];
  failure.errnoValue = errnoValue;
  failure.remaining = errnoValue ? times : 0;
}

unsigned EmulatedTouchScreen::CallCount(const EmulatedDevice &device,
                                        HidIoctl request) const {
  DeviceState &state = State(device);
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.counts[Index(request)];
}

unsigned
EmulatedTouchScreen::TotalIoctlCalls(const EmulatedDevice &device) const {
  DeviceState &state = State(device);
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.total;
}

std::vector<uint8_t>
EmulatedTouchScreen::LastSetFeature(const EmulatedDevice &device) const {
  DeviceState &state = State(device);
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.lastSetFeature;
}
