// HID feature reports on an open device. The caller serialises the
// transactions on one handle; input reports may be read meanwhile.
#ifndef LUMO_FEATUREREPORT_H
#define LUMO_FEATUREREPORT_H

namespace LumoVarnok {

// Reads a feature report of length bytes into buffer. The report ID
// (kFeatureReportID) is written into buffer[0] first and the device's report
// lands in buffer, report ID first. A length of 0 succeeds without any I/O.
bool GetFeature(void *device, unsigned char *buffer, unsigned short length);
// Sends buffer as a feature report of length bytes; buffer[0] is the report
// ID, as the caller prepared it.
bool SetFeature(void *device, unsigned char *buffer, unsigned short length);

} // namespace LumoVarnok

#endif // LUMO_FEATUREREPORT_H
