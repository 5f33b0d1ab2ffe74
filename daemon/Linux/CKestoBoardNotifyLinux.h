// The hotplug monitor on Linux: enumerates the USB interfaces and video
// devices present at start, then follows udev's add and remove events and
// attaches or detaches the board through the base class.
#ifndef CKESTOBOARDNOTIFYLINUX_H
#define CKESTOBOARDNOTIFYLINUX_H

#include "CKestoBoardNotifyBase.h"
#include "UdevPtr.h"

#include <atomic>
#include <mutex>

struct UdevDevInfo;

class CKestoBoardNotifyLinux : public CKestoBoardNotifyBase {
public:
  // Longest wait for a udev event before the stop request is checked again.
  static constexpr long kMonitorWaitSec = 1;
  static constexpr long kMonitorWaitUsec = 500;

  explicit CKestoBoardNotifyLinux(CBoardAttachTarget &target);
  ~CKestoBoardNotifyLinux() override;

  // Lists the devices of subsystem in udev's order and offers each to
  // handleDevice until one is taken. Hotplug thread; the IPC server also
  // calls it on the main thread with "video4linux".
  void Enumerate(const char *subsystem) override;

  // True once the monitor receives udev events (before the enumeration).
  bool IsListening() const { return m_bListening; }

protected:
  ExitCode Entry() override;

private:
  UdevMonitorPtr OpenMonitor();
  void MonitorLoop(udev_monitor *monitor);
  // Decides about one device; true when the caller may stop looking.
  bool handleDevice(udev_device *device, bool bEnum);
  bool processAdd(const UdevDevInfo &info);
  bool processRemove(const UdevDevInfo &info);

  // Hotplug thread creates it in Entry; Enumerate on the main thread uses it
  // under m_handleMutex.
  UdevContextPtr m_udev;
  // The USB device of the device being handled and its hub, borrowed from the
  // device (valid while handleDevice runs, under m_handleMutex).
  udev_device *m_pUsbDevice;
  udev_device *m_pHubDevice;
  // Serialises handleDevice between the hotplug thread and the main thread,
  // which both use the remembered parents above.
  std::recursive_mutex m_handleMutex;
  std::atomic<bool> m_bListening; // hotplug thread writes, any thread reads
};

#endif // CKESTOBOARDNOTIFYLINUX_H
