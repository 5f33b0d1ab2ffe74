// The input reports a touch screen sends on its own, and how they reach the
// callbacks: the table of report kinds, the splitting of one read result into
// reports, and the decoder of each kind. Pure functions over a byte buffer:
// they keep no state and run on whatever thread calls them (the dispatcher
// thread of a callback manager, or a test).
//
// Report layouts (little-endian; every report starts with its report ID):
//   0x37 diagnosis    63 opaque bytes
//   0x34 raw touch    23 bytes: contact 0 (10), contact 1 (10),
//   0x36 touch                  scan time (u16), contact count (u8)
//   0x38 virtual key   2 bytes: key number, state (0 released, 1 pressed)
// A contact is a status byte (bit 0: the contact touches, bit 2: the contact
// is present), the contact ID, then x, y, width and height as u16.
#ifndef LUMO_INPUTREPORTS_H
#define LUMO_INPUTREPORTS_H

#include "CallbackSlot.h"

#include <Lumo/LumoCallback.h>

#include <cstddef>

namespace LumoReports {

// The slot of each kind in a callback manager, in table order.
enum ReportKindIndex : unsigned {
  kDiagnosisKind = 0,
  kRawTouchKind = 1,
  kTouchKind = 2,
  kVirtualKeyKind = 3,
  kReportKindCount = 4,
};

// Calls function (when not null) with user and the records decoded from
// payload, which holds at least the kind's payload length.
typedef void (*ReportDecoder)(const unsigned char *payload,
                              LumoReportCallback function, void *user);

struct ReportKind {
  unsigned char reportId;
  unsigned payloadLength; // bytes after the report ID
  ReportDecoder decode;
};

// Indexed by ReportKindIndex.
extern const ReportKind kReportKinds[kReportKindCount];

constexpr unsigned kDiagnosisPayloadLength = 63;
constexpr unsigned kTouchPayloadLength = 23;
constexpr unsigned kVirtualKeyPayloadLength = 2;
// A touch report carries at most this many contacts.
constexpr unsigned kMaxContacts = 2;

// The decoders. Each does nothing when function is null.
// Diagnosis: one call with a copy of the 63 payload bytes.
void DecodeDiagnosis(const unsigned char *payload, LumoReportCallback function,
                     void *user);
// Touch and raw touch: one call per present contact among the first
// min(contact count, 2), in contact order, each with a _TouchPoint.
void DecodeTouch(const unsigned char *payload, LumoReportCallback function,
                 void *user);
// Virtual key: one call with a _VirtualKeyEvent when the state is 0 or 1.
void DecodeVirtualKey(const unsigned char *payload, LumoReportCallback function,
                      void *user);

// Splits one read result of length bytes into reports and hands each to the
// decoder of its kind together with that kind's slot (slots holds
// kReportKindCount entries, in table order). A byte that is not a known
// report ID is skipped; a report cut off by the end of the buffer is dropped
// with everything after it.
void SplitReports(const unsigned char *data, size_t length,
                  const CallbackSlot *slots);

} // namespace LumoReports

#endif // LUMO_INPUTREPORTS_H
