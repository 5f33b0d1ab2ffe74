// What the hotplug monitor keeps of one udev device while it decides about
// it: the device's own properties and the identifiers of its USB device.
// Each field is empty (has_value() false) when udev has no value for it.
#ifndef UDEVDEVINFO_H
#define UDEVDEVINFO_H

#include <optional>
#include <string>

struct udev_device;

struct UdevDevInfo {
  std::optional<std::string> subsystem;
  std::optional<std::string> devtype;
  std::optional<std::string> nodename;  // device node, /dev/...
  std::optional<std::string> action;    // "add", "remove", ...; none when enumerated
  std::optional<std::string> idProduct; // attributes of the parent USB device
  std::optional<std::string> idVendor;
  std::optional<std::string> product;
  std::optional<std::string> devPath;   // the device's sysfs path

  // Reads the record of device, whose parent USB device is usbDevice.
  static UdevDevInfo From(udev_device *device, udev_device *usbDevice);
};

#endif // UDEVDEVINFO_H
