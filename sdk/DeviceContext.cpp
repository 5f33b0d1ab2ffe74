#include "DeviceContext.h"

#include "FileDescriptor.h"
#include "LocaleConversion.h"
#include "SdkLog.h"
#include "UdevRef.h"

#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>

namespace LumoVarnok {

bool OpenDeviceA(const char *sysPath, void **device) {
  SdkLog("open device \"%s\"", LogText(sysPath));
  if (!device || !sysPath)
    return false;
  UdevRef context(udev_new());
  if (!context)
    return false;

  UdevDeviceRef hidraw(udev_device_new_from_syspath(context.get(), sysPath));
  if (!hidraw)
    return false;
  // Only hidraw nodes understand the HID ioctls that the handle is used for.
  const char *subsystem = udev_device_get_subsystem(hidraw.get());
  if (!subsystem || std::strcmp(subsystem, "hidraw") != 0)
    return false;
  std::unique_ptr<_DeviceContext> opened(new (std::nothrow) _DeviceContext());
  if (!opened)
    return false;

  // Borrowed from hidraw, released with it.
  udev_device *usbDevice = udev_device_get_parent_with_subsystem_devtype(
      hidraw.get(), "usb", "usb_device");
  if (!usbDevice)
    return false;

  // One wide character per byte of the attribute. Bytes are widened as
  // unsigned values, so that a byte above 0x7F becomes the character of the
  // same number instead of a negative value.
  if (const char *serial = udev_device_get_sysattr_value(usbDevice, "serial")) {
    for (const char *p = serial; *p; ++p)
      opened->serial.push_back(
          static_cast<wchar_t>(static_cast<unsigned char>(*p)));
  }

  const char *devNode = udev_device_get_devnode(hidraw.get());
  // Non-blocking, so that the read after a poll can never hang the reader when
  // the report has gone meanwhile; the ioctls are not affected.
  FileDescriptor fd(devNode ? open(devNode, O_RDWR | O_CLOEXEC | O_NONBLOCK)
                            : -1);
  if (!fd.valid())
    return false;

  opened->fd = fd.release();
  *device = opened.release();
  SdkLog("open device \"%s\" done.", devNode);
  return true;
}

bool OpenDeviceW(const wchar_t *sysPath, void **device) {
  const std::unique_ptr<char[]> path = WideToMultiByte(sysPath);
  return OpenDeviceA(path.get(), device);
}

bool CloseDevice(void *device) {
  SdkLog("close device");
  auto *context = static_cast<_DeviceContext *>(device);
  if (!context)
    return false;
  if (close(context->fd) != 0)
    return false;
  SdkLog("close device done");
  delete context;
  return true;
}

bool GetDeviceSerialNumber(void *device, wchar_t *buffer,
                           unsigned int bufferSize, unsigned int *outSize) {
  const auto *context = static_cast<const _DeviceContext *>(device);
  if (!context)
    return false;
  const size_t count = context->serial.size() + 1; // with the terminator
  const size_t bytes = count * sizeof(wchar_t);
  if (outSize)
    *outSize = static_cast<unsigned int>(bytes);
  if (!buffer || bufferSize < bytes)
    return false;
  std::memcpy(buffer, context->serial.c_str(), bytes);
  return true;
}

} // namespace LumoVarnok
