#include "CKestoBoardNotifyLinux.h"

#include "CConsoleLog.h"
#include "UdevDevInfo.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/select.h>
#include <thread>

namespace {

// Board types whose USB hub is checked and reported when they attach.
bool IsHubCheckedType(int type) {
  return (type >= 10 && type <= 15) || (type >= 20 && type <= 23) ||
         type == 27 || type == 28;
}

bool Equals(const std::optional<std::string> &value, const char *text) {
  return value && *value == text;
}

int ParseHex(const std::string &text) {
  return static_cast<int>(std::strtol(text.c_str(), nullptr, 16));
}

} // namespace

CKestoBoardNotifyLinux::CKestoBoardNotifyLinux(CBoardAttachTarget &target)
    : CKestoBoardNotifyBase(target), m_pUsbDevice(nullptr),
      m_pHubDevice(nullptr), m_bListening(false) {}

CKestoBoardNotifyLinux::~CKestoBoardNotifyLinux() = default;

wxThread::ExitCode CKestoBoardNotifyLinux::Entry() {
  {
    std::lock_guard<std::recursive_mutex> lock(m_handleMutex);
    m_udev.reset(udev_new());
  }
  // Listen before looking at what is present: a board plugged in while the
  // enumeration runs is then still seen, as an event queued on the monitor.
  UdevMonitorPtr monitor = OpenMonitor();
  Enumerate("usb");
  Enumerate("video4linux");
  if (monitor)
    MonitorLoop(monitor.get());
  return 0;
}

UdevMonitorPtr CKestoBoardNotifyLinux::OpenMonitor() {
  UdevMonitorPtr monitor;
  {
    std::lock_guard<std::recursive_mutex> lock(m_handleMutex);
    if (m_udev)
      monitor.reset(udev_monitor_new_from_netlink(m_udev.get(), "udev"));
  }
  if (!monitor)
    return monitor;
  // No subsystem or type given: every event reaches handleDevice, which
  // picks USB interfaces and video devices itself.
  udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), nullptr,
                                                  nullptr);
  udev_monitor_enable_receiving(monitor.get());
  m_bListening = true;
  return monitor;
}

void CKestoBoardNotifyLinux::Enumerate(const char *subsystem) {
  std::lock_guard<std::recursive_mutex> lock(m_handleMutex);
  if (!m_udev || !subsystem)
    return;
  UdevEnumeratePtr enumerate(udev_enumerate_new(m_udev.get()));
  if (!enumerate)
    return;
  udev_enumerate_add_match_subsystem(enumerate.get(), subsystem);
  udev_enumerate_scan_devices(enumerate.get());
  for (udev_list_entry *entry = udev_enumerate_get_list_entry(enumerate.get());
       entry; entry = udev_list_entry_get_next(entry)) {
    UdevDevicePtr device(udev_device_new_from_syspath(
        m_udev.get(), udev_list_entry_get_name(entry)));
    if (!device)
      continue;
    if (handleDevice(device.get(), true))
      break;
  }
}

void CKestoBoardNotifyLinux::MonitorLoop(udev_monitor *monitor) {
  const int fd = udev_monitor_get_fd(monitor);

  while (!TestDestroy()) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(fd, &readable);
    timeval timeout = {kMonitorWaitSec, kMonitorWaitUsec};
    const int ready = select(fd + 1, &readable, nullptr, nullptr, &timeout);
    if (ready < 0) {
      std::perror("select");
      continue;
    }
    if (ready == 0)
      continue;
    UdevDevicePtr device(udev_monitor_receive_device(monitor));
    if (!device) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    handleDevice(device.get(), false);
  }
}

bool CKestoBoardNotifyLinux::handleDevice(udev_device *device, bool bEnum) {
  std::lock_guard<std::recursive_mutex> lock(m_handleMutex);
  const char *subsystem = udev_device_get_subsystem(device);
  const char *devtype = udev_device_get_devtype(device);
  const bool usbInterface = subsystem && devtype &&
                            std::strcmp(subsystem, "usb") == 0 &&
                            std::strcmp(devtype, "usb_interface") == 0;
  const bool video = subsystem && std::strcmp(subsystem, "video4linux") == 0;
  if (!usbInterface && !video)
    return false;

  m_pUsbDevice =
      udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
  if (!m_pUsbDevice)
    return false;

  const UdevDevInfo info = UdevDevInfo::From(device, m_pUsbDevice);
  CConsoleLog::Printf("m_brun:%dbEnum:%d\n", m_brun ? 1 : 0, bEnum ? 1 : 0);

  bool result = true;
  if (m_brun) {
    if (Equals(info.action, "remove"))
      result = processRemove(info);
  } else if (Equals(info.action, "add") || bEnum) {
    result = processAdd(info);
  }
  m_pUsbDevice = nullptr;
  m_pHubDevice = nullptr;
  return result;
}

bool CKestoBoardNotifyLinux::processAdd(const UdevDevInfo &info) {
  CConsoleLog::Line("CKestoBoardNotifyLinux::processAdd------");
  if (!info.idProduct || !info.idVendor)
    return false;
  const int pid = ParseHex(*info.idProduct);
  const int vid = ParseHex(*info.idVendor);
  CConsoleLog::Printf("CKestoBoardNotifyLinux::processAdd iPid:%x,ivid:%x\n", pid,
                vid);

  const DeviceInfo *entry = FindSupported(pid, vid);
  if (!entry)
    return false;
  DeviceInfo deviceInfo = *entry;

  if (IsHubCheckedType(deviceInfo.type)) {
    CConsoleLog::Printf("**KestoLog**processAdd>>%d\n", deviceInfo.type);
    m_pHubDevice = udev_device_get_parent_with_subsystem_devtype(
        m_pUsbDevice, "usb", "usb_device");
    if (m_pHubDevice) {
      const char *hubPid = udev_device_get_sysattr_value(m_pHubDevice, "idProduct");
      const char *hubVid = udev_device_get_sysattr_value(m_pHubDevice, "idVendor");
      CConsoleLog::Printf("HUB:  iPid:%s,ivid:%s\n", hubPid ? hubPid : "(null)",
                    hubVid ? hubVid : "(null)");
      // Only reported: boards behind other hubs attach all the same.
      const bool knownHub = hubVid && hubPid && std::strcmp(hubVid, "1314") == 0 &&
                            std::strcmp(hubPid, "1055") == 0;
      if (!knownHub)
        CConsoleLog::Line("driver_flag=false");
    }
  }

  if (deviceInfo.kind == kDeviceKindCamera) {
    // Cameras are addressed by their node, and only the board's own camera.
    if (Equals(info.subsystem, "video4linux") &&
        Equals(info.product, "USB 2.0 Camera") && info.nodename)
      deviceInfo.SetPath(info.nodename->c_str());
  } else if (info.devPath) {
    deviceInfo.SetPath(info.devPath->c_str());
  }
  if (!deviceInfo.pDevPath)
    return false;

  if (OnAdd(deviceInfo)) {
    CConsoleLog::Line("deviceInfo.pDevPath != NULL && OnAdd(deviceInfo)");
    return true;
  }
  return false;
}

bool CKestoBoardNotifyLinux::processRemove(const UdevDevInfo &info) {
  CConsoleLog::Line("CKestoBoardNotifyLinux::processRemove----");
  DeviceInfo deviceInfo;
  if (info.nodename && Equals(info.subsystem, "video4linux")) {
    CConsoleLog::Line("pDevInfo->nodename----------");
    deviceInfo.SetPath(info.nodename->c_str());
  } else if (info.devPath) {
    CConsoleLog::Line("pDevInfo->devPath----------");
    deviceInfo.SetPath(info.devPath->c_str());
  } else {
    return false;
  }
  return OnRemove(deviceInfo) != 0;
}
