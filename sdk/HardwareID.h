// USB identifier pairs and the two lists built into libLumo: the touch
// screens in normal operation and the same screens in boot mode.
#ifndef LUMO_HARDWAREID_H
#define LUMO_HARDWAREID_H

namespace LumoVarnok {

// A USB vendor and product ID. Lists of them end with the pair (0, 0).
struct _HardwareID {
  unsigned short vendorId;
  unsigned short productId;
};

// The report ID of the SDK's feature reports; also the sync byte of every
// transfer-protocol frame.
constexpr unsigned char kFeatureReportID = 0x55;

extern const _HardwareID TouchScreenHardwareIDs[];
extern const _HardwareID BootHardwareIDs[];

// The first entry of list (up to its (0, 0) end) with both IDs equal, or null.
const _HardwareID *FindHardwareID(const _HardwareID *list,
                                  unsigned short vendorId,
                                  unsigned short productId);

} // namespace LumoVarnok

#endif // LUMO_HARDWAREID_H
