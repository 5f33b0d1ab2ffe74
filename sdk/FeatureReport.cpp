#include "FeatureReport.h"

#include "DeviceContext.h"
#include "HardwareID.h"
#include "SdkLog.h"

#include <linux/hidraw.h>
#include <sys/ioctl.h>

namespace LumoVarnok {

namespace {

// The size field of an ioctl request holds 14 bits; a longer length would
// spill into the request's direction bits and make it another request.
bool FitsIoctlSize(unsigned short length) {
  return length <= _IOC_SIZEMASK;
}

} // namespace

bool GetFeature(void *device, unsigned char *buffer, unsigned short length) {
  SdkLog("<<< get feature");
  const auto *context = static_cast<const _DeviceContext *>(device);
  if (!context)
    return false;
  if (length == 0)
    return true;
  if (!buffer || !FitsIoctlSize(length))
    return false;
  buffer[0] = kFeatureReportID;
  return ioctl(context->fd, HIDIOCGFEATURE(length), buffer) >= 0;
}

bool SetFeature(void *device, unsigned char *buffer, unsigned short length) {
  SdkLog("set feature >>>");
  const auto *context = static_cast<const _DeviceContext *>(device);
  if (!context)
    return false;
  if (!buffer || !FitsIoctlSize(length))
    return false;
  return ioctl(context->fd, HIDIOCSFEATURE(length), buffer) >= 0;
}

} // namespace LumoVarnok
