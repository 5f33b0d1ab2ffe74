#include "DeviceEnumeration.h"

#include "FileDescriptor.h"
#include "LocaleConversion.h"
#include "SdkLog.h"
#include "UdevRef.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>

namespace LumoVarnok {

namespace {

constexpr unsigned char kReportIdItem = 0x85; // Report ID, one data byte

// Reads the device's report descriptor and looks for the report ID in it.
bool DescriptorDeclaresReportID(int fd, unsigned char reportId) {
  int size = 0;
  if (ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0)
    return false;
  // The kernel never hands out more than HID_MAX_DESCRIPTOR_SIZE bytes; a
  // larger size cannot be read into the record and is refused.
  if (size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE)
    return false;
  hidraw_report_descriptor descriptor{};
  descriptor.size = static_cast<__u32>(size);
  if (ioctl(fd, HIDIOCGRDESC, &descriptor) < 0)
    return false;
  return ReportDescriptorDeclaresReportID(descriptor.value, descriptor.size,
                                          reportId);
}

// Steps 1 to 11 for one hidraw entry of the enumeration.
void OfferDevice(udev *context, const char *sysPath, DeviceCallbackA callback,
                 void *user, const _HardwareID *list, unsigned char reportId) {
  SdkLog("get syspath (devicePath) \"%s.\"", LogText(sysPath));
  UdevDeviceRef device(udev_device_new_from_syspath(context, sysPath));
  if (!device)
    return;
  const char *devNode = udev_device_get_devnode(device.get());
  SdkLog("open devnode \"%s\"", LogText(devNode));

  FileDescriptor fd(devNode ? open(devNode, O_RDWR | O_CLOEXEC) : -1);
  SdkLog("get handle %d by devnode", fd.get());
  if (!fd.valid())
    return;

  SdkLog("get device information from handle %d", fd.get());
  hidraw_devinfo info{};
  if (ioctl(fd.get(), HIDIOCGRAWINFO, &info) < 0)
    return;
  if (!FindHardwareID(list, static_cast<unsigned short>(info.vendor),
                      static_cast<unsigned short>(info.product)))
    return;
  if (!DescriptorDeclaresReportID(fd.get(), reportId))
    return;

  // Borrowed from device, released with it.
  udev_device *usbDevice = udev_device_get_parent_with_subsystem_devtype(
      device.get(), "usb", "usb_device");
  if (!usbDevice)
    return;
  const char *serial = udev_device_get_sysattr_value(usbDevice, "serial");
  SdkLog("get device SN \"%s\"", LogText(serial));
  SdkLog("device has been get: \"%s\",\"%s\"", LogText(sysPath),
         LogText(serial));

  if (callback) {
    const std::unique_ptr<wchar_t[]> wideSerial = MultiByteToWide(serial);
    callback(user, sysPath, wideSerial.get());
  }
}

} // namespace

bool ReportDescriptorDeclaresReportID(const unsigned char *descriptor,
                                      size_t size, unsigned char reportId) {
  static const size_t kDataSize[4] = {0, 1, 2, 4};
  bool declared = false;
  // The walk runs to the end of the descriptor, also after a match.
  size_t offset = 0;
  while (descriptor && offset < size) {
    const unsigned char prefix = descriptor[offset];
    if (prefix == kReportIdItem && offset + 1 < size &&
        descriptor[offset + 1] == reportId)
      declared = true;
    offset += 1 + kDataSize[prefix & 0x03];
  }
  return declared;
}

void EnumDevicesA(DeviceCallbackA callback, void *user, const _HardwareID *list,
                  unsigned char reportId) {
  SdkLog("EnumDevice");
  UdevRef context(udev_new());
  if (!context)
    return;

  SdkLog("udev_enumerate_new");
  UdevEnumerateRef enumerate(udev_enumerate_new(context.get()));
  if (enumerate &&
      udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw") >= 0 &&
      udev_enumerate_scan_devices(enumerate.get()) >= 0) {
    udev_list_entry *entry;
    udev_list_entry_foreach(entry,
                            udev_enumerate_get_list_entry(enumerate.get())) {
      OfferDevice(context.get(), udev_list_entry_get_name(entry), callback,
                  user, list, reportId);
    }
  }

  enumerate.reset();
  context.reset();
  SdkLog("EnumDevice done.");
}

void DeviceCallbackAdapter::forward(void *adapter, const char *path,
                                    const wchar_t *serial) {
  const auto *self = static_cast<const DeviceCallbackAdapter *>(adapter);
  if (!self || !self->callback)
    return;
  const std::unique_ptr<wchar_t[]> widePath = MultiByteToWide(path);
  self->callback(self->user, widePath.get(), serial);
}

void EnumDevicesW(DeviceCallbackW callback, void *user, const _HardwareID *list,
                  unsigned char reportId) {
  DeviceCallbackAdapter adapter{callback, user};
  EnumDevicesA(DeviceCallbackAdapter::forward, &adapter, list, reportId);
}

} // namespace LumoVarnok
