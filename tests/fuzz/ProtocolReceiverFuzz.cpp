// Fuzz entry for the controller protocol's receiver and framer.
//
// The input is fed byte by byte to a receiver whose callback checks every
// frame it delivers: it sits in the receiver's buffer after a sync byte, has
// a known type, is exactly as long as its length byte says, fits 64 bytes,
// and carries the right checksum. Then the input's first 62 bytes are framed
// as a _TransferData: whatever the framer sends must fit a report and come
// back from a fresh receiver as exactly one frame with the same bytes.
#include <Lumo/LumoProtocol.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

[[noreturn]] void Violation(const char *what) {
  std::fprintf(stderr, "protocol invariant violated: %s\n", what);
  std::abort();
}

bool IsRequest(unsigned char type) {
  return type == FRAME_GET || type == FRAME_SET || type == FRAME_EXECUTE ||
         type == FRAME_REQUEST_5A;
}

bool IsStatus(unsigned char type) {
  return type == FRAME_ACK || type == FRAME_BUSY || type == FRAME_REJECT;
}

struct Checked {
  _ProtocolContext context;
  unsigned delivered = 0;
  unsigned char last[LUMO_FRAME_MAX] = {}; // the last frame, sync byte first
  unsigned lastLength = 0;
};

// The frame just delivered is buffer[0 .. count - 1]: the receiver resets
// count only after the callback has returned.
void CheckFrame(void *user, const _TransferData *frame) {
  auto *checked = static_cast<Checked *>(user);
  const _ProtocolContext &c = checked->context;
  if (reinterpret_cast<const unsigned char *>(frame) != c.buffer + 1)
    Violation("frame not inside the receiver's buffer");
  if (c.buffer[0] != LUMO_FRAME_SYNC)
    Violation("frame without sync byte");
  const unsigned count = c.count;
  if (count < 2 || count > LUMO_FRAME_MAX)
    Violation("frame length out of range");
  const unsigned char type = c.buffer[1];
  unsigned expected;
  if (IsStatus(type))
    expected = 2;
  else if (IsRequest(type))
    expected = count > 4 ? c.buffer[4] + 6u : 0;
  else if (type == FRAME_DATA)
    expected = count > 2 ? c.buffer[2] + 4u : 0;
  else
    Violation("frame of unknown type");
  if (count != expected)
    Violation("frame length differs from its length byte");
  if (!IsStatus(type)) {
    unsigned char sum = 0;
    for (unsigned i = 2; i + 1 < count; ++i)
      sum = static_cast<unsigned char>(sum + c.buffer[i]);
    if (sum != c.buffer[count - 1])
      Violation("frame with a wrong checksum");
  }
  std::memcpy(checked->last, c.buffer, count);
  checked->lastLength = count;
  ++checked->delivered;
}

struct Sent {
  unsigned calls = 0;
  unsigned length = 0;
  unsigned char frame[256] = {};
};

void TakeSent(void *user, const void *frame, unsigned int length) {
  auto *sent = static_cast<Sent *>(user);
  ++sent->calls;
  sent->length = length;
  if (length > LUMO_FRAME_MAX)
    Violation("framer sent more than a report holds");
  std::memcpy(sent->frame, frame, length);
}

void RoundTrip(const uint8_t *data, size_t size) {
  _TransferData transfer{};
  std::memcpy(transfer.bytes, data,
              size < sizeof transfer.bytes ? size : sizeof transfer.bytes);
  Sent sent;
  const _SendTag tag{TakeSent, &sent};
  ProtocolSendData(&transfer, &tag);
  if (sent.calls == 0)
    return;
  if (sent.calls != 1)
    Violation("framer sent more than once");
  Checked checked;
  InitializeProtocol(&checked.context, CheckFrame, &checked);
  for (unsigned i = 0; i < sent.length; ++i)
    ProtocolReceiveByte(&checked.context, sent.frame[i]);
  if (checked.delivered != 1 || checked.lastLength != sent.length ||
      std::memcmp(checked.last, sent.frame, sent.length) != 0)
    Violation("framed data did not come back unchanged");
  if (std::memcmp(checked.last + 1, transfer.bytes,
                  IsStatus(transfer.bytes[0]) ? 1 : sent.length - 2) != 0)
    Violation("frame differs from the transfer data");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  Checked checked;
  InitializeProtocol(&checked.context, CheckFrame, &checked);
  for (size_t i = 0; i < size; ++i) {
    ProtocolReceiveByte(&checked.context, data[i]);
    if (checked.context.count > LUMO_FRAME_MAX)
      Violation("receiver count beyond its buffer");
  }
  RoundTrip(data, size);
  return 0;
}
