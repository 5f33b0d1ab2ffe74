#include "HardwareID.h"

namespace LumoVarnok {

const _HardwareID TouchScreenHardwareIDs[] = {{0x2621, 0x2301},
                                              {0x2621, 0x2311},
                                              {0x2621, 0x3301},
                                              {0x2621, 0x2201},
                                              {0x2621, 0x2211},
                                              {0x2621, 0x3401},
                                              {0x2621, 0x4501},
                                              {0x2621, 0x4511},
                                              {0x2621, 0x4A11},
                                              {0x26CF, 0x1941},
                                              {0, 0}};

const _HardwareID BootHardwareIDs[] = {{0x2621, 0x1301},
                                       {0x2621, 0x2210},
                                       {0x2621, 0x4510},
                                       {0x2621, 0x2010},
                                       {0x2621, 0x4010},
                                       {0x2621, 0x0010},
                                       {0, 0}};

const _HardwareID *FindHardwareID(const _HardwareID *list,
                                  unsigned short vendorId,
                                  unsigned short productId) {
  if (!list)
    return nullptr;
  for (const _HardwareID *id = list; id->vendorId || id->productId; ++id) {
    if (id->vendorId == vendorId && id->productId == productId)
      return id;
  }
  return nullptr;
}

} // namespace LumoVarnok
