// The byte-wise receiver and the framer of the controller's protocol.
#include <Lumo/LumoProtocol.h>

#include <cstring>

namespace {

constexpr unsigned kRequestHeader = 5; // sync, type, target, command, length
constexpr unsigned kDataHeader = 3;    // sync, type, length

bool IsRequestType(unsigned char type) {
  return type == FRAME_GET || type == FRAME_SET || type == FRAME_EXECUTE ||
         type == FRAME_REQUEST_5A;
}

bool IsStatusType(unsigned char type) {
  return type == FRAME_ACK || type == FRAME_BUSY || type == FRAME_REJECT;
}

// Hands the collected frame to the callback and starts over.
void Deliver(_ProtocolContext *context) {
  if (context->callback)
    context->callback(context->user, reinterpret_cast<const _TransferData *>(
                                         context->buffer + 1));
  context->count = 0;
}

// Whether the byte just stored at buffer[count - 1] is the frame's checksum:
// the frame's length byte says where the checksum stands.
bool AtChecksum(const _ProtocolContext *context) {
  const unsigned count = context->count;
  const unsigned char type = context->buffer[1];
  if (IsRequestType(type))
    return count > 4 && count == context->buffer[4] + kRequestHeader + 1u;
  if (type == FRAME_DATA)
    return count > 2 && count == context->buffer[2] + kDataHeader + 1u;
  return false;
}

} // namespace

void InitializeProtocol(_ProtocolContext *context, LumoFrameCallback callback,
                        void *user) {
  if (!context)
    return;
  context->count = 0;
  context->checksum = 0;
  context->callback = callback;
  context->user = user;
}

void ProtocolReceiveByte(_ProtocolContext *context, unsigned char byte) {
  if (!context)
    return;
  // A frame whose length byte promises more than 64 bytes never completes;
  // the byte after the buffer is full is looked at as a new sync byte.
  if (context->count > LUMO_FRAME_MAX - 1)
    context->count = 0;
  context->buffer[context->count++] = byte;

  if (context->count == 1) { // waiting for the sync byte
    if (byte != LUMO_FRAME_SYNC)
      context->count = 0;
    return;
  }
  if (context->count == 2) { // the type
    context->checksum = 0;
    if (IsStatusType(byte))
      Deliver(context);
    else if (!IsRequestType(byte) && byte != FRAME_DATA)
      context->count = 0;
    return;
  }
  if (!AtChecksum(context)) {
    context->checksum = static_cast<unsigned char>(context->checksum + byte);
    return;
  }
  if (byte == context->checksum)
    Deliver(context);
  else
    context->count = 0; // a damaged frame is dropped silently
}

void ProtocolSendData(const _TransferData *data, const _SendTag *tag) {
  if (!data || !tag || !tag->function)
    return;
  // Sync byte, the 62 bytes of data, and room for the checksum of the
  // longest frame at index 63.
  unsigned char frame[LUMO_FRAME_MAX] = {};
  frame[0] = LUMO_FRAME_SYNC;
  std::memcpy(frame + 1, data->bytes, sizeof data->bytes);

  const unsigned char type = frame[1];
  unsigned checksumAt;
  if (IsRequestType(type)) {
    checksumAt = frame[4] + kRequestHeader;
  } else if (type == FRAME_DATA) {
    checksumAt = frame[2] + kDataHeader;
  } else if (IsStatusType(type)) {
    tag->function(tag->user, frame, 2);
    return;
  } else {
    return;
  }
  // The length byte comes from the caller; a frame must fit its report.
  if (checksumAt >= LUMO_FRAME_MAX)
    return;

  unsigned char sum = 0;
  for (unsigned i = 2; i < checksumAt; ++i)
    sum = static_cast<unsigned char>(sum + frame[i]);
  frame[checksumAt] = sum;
  tag->function(tag->user, frame, checksumAt + 1);
}
