#include "CommandExchange.h"

#include "TransactCommand.h"

#include <cstring>

namespace LumoCommand {

namespace {

unsigned char TargetByte(int target) {
  return static_cast<unsigned char>(target & 0xFF);
}

// One exchange of a request built by the caller. For reads, answered is set
// only when a data frame decided the exchange: an acknowledgement carries no
// answer, and taking it for one would report bytes that never came.
bool Exchange(void *device, unsigned char type, int target,
              unsigned char command, const CommandData &request,
              unsigned char *answer, unsigned char *answerLength,
              bool *answered = nullptr) {
  if (!request.usable())
    return false;
  unsigned char decidedBy = 0;
  const bool ok =
      TransactCommand(device, type, TargetByte(target), command, request.data(),
                      request.size(), answer, answerLength, &decidedBy);
  if (answered)
    *answered = ok && decidedBy == FRAME_DATA;
  return ok;
}

} // namespace

int Send(void *device, unsigned char type, int target, unsigned char command,
         const CommandData &data) {
  return Result(
      Exchange(device, type, target, command, data, nullptr, nullptr));
}

int ReadFixed(void *device, int target, unsigned char command, void *buffer,
              unsigned char expected, const CommandData &request) {
  unsigned char length = expected;
  bool answered = false;
  Exchange(device, FRAME_GET, target, command, request,
           static_cast<unsigned char *>(buffer), &length, &answered);
  return Result(answered && length == expected);
}

int ReadBlock(void *device, int target, unsigned char command,
              const CommandData &request, void *buffer,
              unsigned char expected) {
  unsigned char area[kAnswerArea];
  unsigned char length = sizeof area;
  bool answered = false;
  Exchange(device, FRAME_GET, target, command, request, area, &length,
           &answered);
  if (!answered || length != expected)
    return -1;
  if (buffer && expected > 0)
    std::memcpy(buffer, area, expected);
  return 0;
}

int ReadVariable(void *device, int target, unsigned char command,
                 const CommandData &request, unsigned char *buffer,
                 unsigned char *length, Oversize rule) {
  bool answered = false;
  switch (rule) {
  case Oversize::Report:
    Exchange(device, FRAME_GET, target, command, request, buffer, length,
             &answered);
    return Result(answered);
  case Oversize::ReportAndFail: {
    if (!buffer || !length)
      return -1;
    const unsigned char capacity = *length;
    Exchange(device, FRAME_GET, target, command, request, buffer, length,
             &answered);
    return Result(answered && *length <= capacity);
  }
  case Oversize::Fail: {
    if (!buffer || !length)
      return -1;
    unsigned char area[kAnswerArea];
    unsigned char received = sizeof area;
    Exchange(device, FRAME_GET, target, command, request, area, &received,
             &answered);
    if (!answered || received > *length)
      return -1;
    std::memcpy(buffer, area, received);
    *length = received;
    return 0;
  }
  }
  return -1;
}

} // namespace LumoCommand
