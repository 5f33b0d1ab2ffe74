#include "TransactCommand.h"

#include "FeatureReport.h"
#include "ThreadContext.h"

#include <Lumo/LumoProtocol.h>

#include <cstring>

namespace {

constexpr unsigned short kReportLength = LUMO_FRAME_MAX;

// Where the answer of one poll is collected: the first frame the receiver
// delivers from the report, without its sync byte and checksum.
struct AnswerSlot {
  bool valid = false;
  _TransferData frame{};
};

void TakeFirstFrame(void *user, const _TransferData *frame) {
  auto *slot = static_cast<AnswerSlot *>(user);
  if (slot->valid)
    return; // only the first frame of a report counts
  slot->frame = *frame;
  slot->valid = true;
}

// The output report: the frame from its first byte on, zeros after it.
void FillOutputReport(void *user, const void *frame, unsigned int length) {
  auto *report = static_cast<unsigned char *>(user);
  std::memset(report, 0, kReportLength);
  std::memcpy(report, frame, length < kReportLength ? length : kReportLength);
}

bool BuildRequest(unsigned char type, unsigned char target,
                  unsigned char command, const unsigned char *data,
                  unsigned char length, unsigned char *report) {
  _TransferData request{};
  request.bytes[0] = type;
  request.bytes[1] = target;
  request.bytes[2] = command;
  request.bytes[3] = length;
  if (length > 0)
    std::memcpy(request.bytes + 4, data, length);
  std::memset(report, 0, kReportLength);
  const _SendTag sink{FillOutputReport, report};
  ProtocolSendData(&request, &sink);
  return report[0] == LUMO_FRAME_SYNC;
}

// Reads one input report and collects its first frame into slot.
bool PollAnswer(void *device, AnswerSlot &slot) {
  slot.valid = false;
  _ProtocolContext receiver;
  InitializeProtocol(&receiver, TakeFirstFrame, &slot);
  unsigned char report[kReportLength] = {};
  if (!LumoVarnok::GetFeature(device, report, kReportLength))
    return false;
  for (unsigned char byte : report)
    ProtocolReceiveByte(&receiver, byte);
  return slot.valid;
}

// Hands a data answer to the caller under the capacity rules.
void DeliverData(const _TransferData &frame, unsigned char *answer,
                 unsigned char *answerLength) {
  if (!answerLength)
    return;
  const unsigned char n = frame.bytes[1];
  if (*answerLength >= n && answer && n != 0)
    std::memcpy(answer, frame.bytes + 2, n);
  *answerLength = n;
}

} // namespace

bool TransactCommand(void *device, unsigned char type, unsigned char target,
                     unsigned char command, const unsigned char *data,
                     unsigned char length, unsigned char *answer,
                     unsigned char *answerLength, unsigned char *decidedBy) {
  if (decidedBy)
    *decidedBy = 0;
  if (type != FRAME_GET && type != FRAME_SET && type != FRAME_EXECUTE)
    return false;
  if (length > LUMO_REQUEST_DATA_MAX || (length > 0 && !data))
    return false;

  unsigned char request[kReportLength];
  if (!BuildRequest(type, target, command, data, length, request))
    return false;

  for (int attempt = 0; attempt < kTransactAttempts; ++attempt) {
    if (!LumoVarnok::SetFeature(device, request, kReportLength)) {
      LumoVarnok::Sleep(kSendFailedDelayMs);
      continue;
    }
    LumoVarnok::Sleep(0);

    bool resend = false;
    for (int i = 0; i < kTransactPolls && !resend; ++i) {
      // Back-off after a miss: 0 ms for the first ten polls, then one more
      // millisecond every ten polls, up to 7 ms.
      const auto backOff = static_cast<unsigned char>(i / 10);
      AnswerSlot slot;
      if (!PollAnswer(device, slot)) {
        LumoVarnok::Sleep(backOff);
        continue;
      }
      switch (slot.frame.bytes[0]) {
      case FRAME_ACK:
        if (decidedBy)
          *decidedBy = FRAME_ACK;
        return true;
      case FRAME_DATA:
        DeliverData(slot.frame, answer, answerLength);
        if (decidedBy)
          *decidedBy = FRAME_DATA;
        return true;
      case FRAME_BUSY:
        LumoVarnok::Sleep(kBusyDelayMs);
        resend = true;
        break;
      case FRAME_REJECT:
        if (decidedBy)
          *decidedBy = FRAME_REJECT;
        return false;
      default: // a request frame echoed back decides nothing
        LumoVarnok::Sleep(backOff);
        break;
      }
    }
  }
  return false;
}

bool TransactCommand(void *device, unsigned char type, unsigned char target,
                     unsigned char command, const unsigned char *data,
                     unsigned char length, unsigned char *answer,
                     unsigned char *answerLength) {
  return TransactCommand(device, type, target, command, data, length, answer,
                         answerLength, nullptr);
}
