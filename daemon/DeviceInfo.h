// A supported device of the daemon and, once matched, the attached device.
#ifndef DEVICEINFO_H
#define DEVICEINFO_H

#include <cstdint>
#include <cstdlib>
#include <cstring>

// Access kinds of a board.
enum : int32_t {
  kDeviceKindHid = 1,
  kDeviceKindSerialBridge = 2,
  kDeviceKindCamera = 3,
};

struct DeviceInfo {
  int32_t pid = 0;
  int32_t vid = 0;
  int32_t kind = 0;         // kDeviceKind*
  int32_t baud = 0;         // serial speed for kind 2, else 0
  char *pDevPath = nullptr; // owned copy of the instance path; null in tables
  int32_t type = 0;         // board type of the work thread to start

  DeviceInfo() = default;
  DeviceInfo(const DeviceInfo &o) { CopyFrom(o); }
  DeviceInfo &operator=(const DeviceInfo &o) {
    if (this != &o) {
      std::free(pDevPath);
      CopyFrom(o);
    }
    return *this;
  }
  ~DeviceInfo() { std::free(pDevPath); }

  // Replaces the path with an owned copy of path (null clears it).
  void SetPath(const char *path) {
    std::free(pDevPath);
    pDevPath = path ? strdup(path) : nullptr;
  }

private:
  void CopyFrom(const DeviceInfo &o) {
    pid = o.pid;
    vid = o.vid;
    kind = o.kind;
    baud = o.baud;
    type = o.type;
    pDevPath = o.pDevPath ? strdup(o.pDevPath) : nullptr;
  }
};

#endif // DEVICEINFO_H
