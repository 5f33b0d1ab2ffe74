// The exported touch-screen functions: thin wrappers of the platform layer.
#include <Lumo/LumoTouchScreen.h>

#include "DeviceContext.h"
#include "DeviceEnumeration.h"
#include "HardwareID.h"

using namespace LumoVarnok;

namespace {
int Result(bool ok) {
  return ok ? 0 : -1;
}
} // namespace

void LumoEnumTouchScreensA(LumoDeviceCallbackA callback, void *user) {
  EnumDevicesA(callback, user, TouchScreenHardwareIDs, kFeatureReportID);
}

void LumoEnumTouchScreensW(LumoDeviceCallbackW callback, void *user) {
  EnumDevicesW(callback, user, TouchScreenHardwareIDs, kFeatureReportID);
}

void LumoEnumBootA(LumoDeviceCallbackA callback, void *user) {
  EnumDevicesA(callback, user, BootHardwareIDs, kFeatureReportID);
}

void LumoEnumBootW(LumoDeviceCallbackW callback, void *user) {
  EnumDevicesW(callback, user, BootHardwareIDs, kFeatureReportID);
}

int LumoOpenTouchScreenA(const char *path, void **handle) {
  return Result(OpenDeviceA(path, handle));
}

int LumoOpenTouchScreenW(const wchar_t *path, void **handle) {
  return Result(OpenDeviceW(path, handle));
}

int LumoCloseTouchScreen(void *handle) {
  return Result(CloseDevice(handle));
}

int LumoGetTouchScreenSerialNumber(void *handle, wchar_t *buffer,
                                   unsigned int size, unsigned int *outSize) {
  return Result(GetDeviceSerialNumber(handle, buffer, size, outSize));
}
