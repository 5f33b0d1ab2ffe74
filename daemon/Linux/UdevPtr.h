// Owning handles for libudev objects: each releases its reference with the
// matching unref call when it goes out of scope.
#ifndef UDEVPTR_H
#define UDEVPTR_H

#include <libudev.h>

#include <memory>

struct UdevUnref {
  void operator()(udev *p) const { udev_unref(p); }
  void operator()(udev_device *p) const { udev_device_unref(p); }
  void operator()(udev_enumerate *p) const { udev_enumerate_unref(p); }
  void operator()(udev_monitor *p) const { udev_monitor_unref(p); }
};

using UdevContextPtr = std::unique_ptr<udev, UdevUnref>;
using UdevDevicePtr = std::unique_ptr<udev_device, UdevUnref>;
using UdevEnumeratePtr = std::unique_ptr<udev_enumerate, UdevUnref>;
using UdevMonitorPtr = std::unique_ptr<udev_monitor, UdevUnref>;

#endif // UDEVPTR_H
