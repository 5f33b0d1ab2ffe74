// An open touch screen: its hidraw node and the USB serial number read when it
// was opened. Open, close and the serial number; the feature reports and the
// input-report loop are in FeatureReport.h and InterruptReader.h. A device
// handle carries no lock: any thread may use it, but the caller serialises
// what must not overlap.
#ifndef LUMO_DEVICECONTEXT_H
#define LUMO_DEVICECONTEXT_H

#include <string>

namespace LumoVarnok {

// The record behind a device handle.
struct _DeviceContext {
  int fd = -1; // the hidraw node, opened read/write
  // The USB serial number; c_str() is the sequence with its terminating 0.
  std::wstring serial;
};

// Opens the hidraw device at sysPath (its sysfs path, not its /dev node). Any
// hidraw device with a USB device among its ancestors opens; the hardware-ID
// lists and the report descriptor are not consulted.
bool OpenDeviceA(const char *sysPath, void **device);
bool OpenDeviceW(const wchar_t *sysPath, void **device);
// Closes the node and frees the handle; when closing fails, the handle stays.
bool CloseDevice(void *device);
// Copies the serial number with its terminator into buffer (bufferSize in
// bytes). The size it needs, in bytes, is stored in *outSize (when given)
// before the buffer is checked, so a failed call still tells the size.
bool GetDeviceSerialNumber(void *device, wchar_t *buffer,
                           unsigned int bufferSize, unsigned int *outSize);

} // namespace LumoVarnok

#endif // LUMO_DEVICECONTEXT_H
