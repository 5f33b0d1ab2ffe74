#include "UdevDevInfo.h"

#include <libudev.h>

namespace {
std::optional<std::string> Copy(const char *value) {
  if (!value)
    return std::nullopt;
  return std::string(value);
}
} // namespace

UdevDevInfo UdevDevInfo::From(udev_device *device, udev_device *usbDevice) {
  UdevDevInfo info;
  info.action = Copy(udev_device_get_action(device));
  info.nodename = Copy(udev_device_get_devnode(device));
  info.devtype = Copy(udev_device_get_devtype(device));
  info.subsystem = Copy(udev_device_get_subsystem(device));
  info.devPath = Copy(udev_device_get_devpath(device));
  if (usbDevice) {
    info.idProduct = Copy(udev_device_get_sysattr_value(usbDevice, "idProduct"));
    info.idVendor = Copy(udev_device_get_sysattr_value(usbDevice, "idVendor"));
    info.product = Copy(udev_device_get_sysattr_value(usbDevice, "product"));
  }
  return info;
}
