#include "InputReports.h"

#include <cstdint>
#include <cstring>

namespace LumoReports {

namespace {

constexpr unsigned kContactSize = 10;
constexpr unsigned kScanTimeOffset = 2 * kContactSize;
constexpr unsigned kContactCountOffset = kScanTimeOffset + 2;

constexpr unsigned char kTipBit = 0x01;
constexpr unsigned char kPresentBit = 0x04;

uint16_t ReadU16(const unsigned char *bytes) {
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

const ReportKind *FindKind(unsigned char reportId) {
  for (const ReportKind &kind : kReportKinds)
    if (kind.reportId == reportId)
      return &kind;
  return nullptr;
}

} // namespace

const ReportKind kReportKinds[kReportKindCount] = {
    {0x37, kDiagnosisPayloadLength, DecodeDiagnosis},
    {0x34, kTouchPayloadLength, DecodeTouch},
    {0x36, kTouchPayloadLength, DecodeTouch},
    {0x38, kVirtualKeyPayloadLength, DecodeVirtualKey},
};

static_assert(sizeof(_TouchPoint) == 20, "_TouchPoint is packed, 20 bytes");
static_assert(sizeof(_VirtualKeyEvent) == 2, "_VirtualKeyEvent is 2 bytes");

void DecodeDiagnosis(const unsigned char *payload, LumoReportCallback function,
                     void *user) {
  if (!function)
    return;
  // The callback gets its own copy, not a pointer into the queued buffer.
  unsigned char block[kDiagnosisPayloadLength];
  std::memcpy(block, payload, sizeof block);
  function(user, block);
}

void DecodeTouch(const unsigned char *payload, LumoReportCallback function,
                 void *user) {
  if (!function)
    return;
  const uint16_t scanTime = ReadU16(payload + kScanTimeOffset);
  unsigned count = payload[kContactCountOffset];
  if (count > kMaxContacts)
    count = kMaxContacts;
  for (unsigned c = 0; c < count; ++c) {
    const unsigned char *contact = payload + c * kContactSize;
    const unsigned char status = contact[0];
    if (!(status & kPresentBit))
      continue;
    _TouchPoint point;
    point.tip = (status & kTipBit) ? 1 : 0;
    point.contactId = contact[1];
    point.x = ReadU16(contact + 2);
    point.y = ReadU16(contact + 4);
    point.width = ReadU16(contact + 6);
    point.height = ReadU16(contact + 8);
    point.scanTime = scanTime;
    function(user, &point);
  }
}

void DecodeVirtualKey(const unsigned char *payload, LumoReportCallback function,
                      void *user) {
  if (!function)
    return;
  const unsigned char state = payload[1];
  if (state > 1)
    return;
  _VirtualKeyEvent event;
  event.key = payload[0];
  event.state = state;
  function(user, &event);
}

void SplitReports(const unsigned char *data, size_t length,
                  const CallbackSlot *slots) {
  size_t offset = 0;
  while (offset < length) {
    const ReportKind *kind = FindKind(data[offset++]);
    if (!kind)
      continue; // not a report ID: try the next byte
    if (length - offset < kind->payloadLength)
      return; // cut off: the rest of the buffer is dropped
    LumoReportCallback function;
    void *user;
    slots[kind - kReportKinds].Load(function, user);
    kind->decode(data + offset, function, user);
    offset += kind->payloadLength;
  }
}

} // namespace LumoReports
