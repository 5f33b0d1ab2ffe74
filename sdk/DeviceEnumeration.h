// Enumeration of the touch screens through libudev: every hidraw device whose
// USB IDs are in a hardware-ID list, whose report descriptor declares the
// SDK's report ID and which has a USB device among its ancestors is reported
// to a callback with its sysfs path and USB serial number. Failures skip the
// device concerned; the enumeration itself reports nothing. Runs on the
// calling thread; the callback is called on it too.
#ifndef LUMO_DEVICEENUMERATION_H
#define LUMO_DEVICEENUMERATION_H

#include "HardwareID.h"

#include <cstddef>

namespace LumoVarnok {

// serial is null when the USB device has no serial. Both strings belong to
// the library and are valid only during the call.
typedef void (*DeviceCallbackA)(void *user, const char *path,
                                const wchar_t *serial);
typedef void (*DeviceCallbackW)(void *user, const wchar_t *path,
                                const wchar_t *serial);

void EnumDevicesA(DeviceCallbackA callback, void *user, const _HardwareID *list,
                  unsigned char reportId);
void EnumDevicesW(DeviceCallbackW callback, void *user, const _HardwareID *list,
                  unsigned char reportId);

// Lets EnumDevicesW run on EnumDevicesA: forward converts the path to a wide
// string (null stays null) and calls the wide callback.
struct DeviceCallbackAdapter {
  DeviceCallbackW callback;
  void *user;

  static void forward(void *adapter, const char *path, const wchar_t *serial);
};

// Walks a report descriptor as HID short items (a prefix byte whose low two
// bits give 0, 1, 2 or 4 data bytes) and tells whether a Report ID item
// (prefix 0x85) carries reportId. Never reads beyond size.
bool ReportDescriptorDeclaresReportID(const unsigned char *descriptor,
                                      size_t size, unsigned char reportId);

} // namespace LumoVarnok

#endif // LUMO_DEVICEENUMERATION_H
