// Owning references to libudev objects: each drops its reference with the
// matching unref call when it goes out of scope.
#ifndef LUMO_UDEVREF_H
#define LUMO_UDEVREF_H

#include <libudev.h>
#include <memory>

namespace LumoVarnok {

struct UdevUnref {
  void operator()(udev *p) const { udev_unref(p); }
  void operator()(udev_enumerate *p) const { udev_enumerate_unref(p); }
  void operator()(udev_device *p) const { udev_device_unref(p); }
};

using UdevRef = std::unique_ptr<udev, UdevUnref>;
using UdevEnumerateRef = std::unique_ptr<udev_enumerate, UdevUnref>;
using UdevDeviceRef = std::unique_ptr<udev_device, UdevUnref>;

} // namespace LumoVarnok

#endif // LUMO_UDEVREF_H
