// The shapes of exchange that the exported command functions share, so that
// each of them is one line naming its command, its request and its answer.
// Internal to libLumo; results follow the exported API (0 or -1).
#ifndef LUMO_COMMANDEXCHANGE_H
#define LUMO_COMMANDEXCHANGE_H

#include "CommandData.h"

#include <Lumo/LumoCommand.h>
#include <Lumo/LumoProtocol.h>

namespace LumoCommand {

// The answer area of the reads that collect an answer before handing it on:
// the most data one answer carries.
constexpr unsigned char kAnswerArea = LUMO_ANSWER_DATA_MAX;

inline int Result(bool ok) {
  return ok ? 0 : -1;
}

// A write (FRAME_SET) or an action (FRAME_EXECUTE) with its data; 0 when the
// controller accepts it.
int Send(void *device, unsigned char type, int target, unsigned char command,
         const CommandData &data);
inline int Write(void *device, int target, unsigned char command,
                 const CommandData &data = NoData()) {
  return Send(device, FRAME_SET, target, command, data);
}
inline int Act(void *device, int target, unsigned char command,
               const CommandData &data = NoData()) {
  return Send(device, FRAME_EXECUTE, target, command, data);
}

// A read whose answer must be exactly `expected` bytes, received straight
// into buffer (an answer that does not fit is not copied).
int ReadFixed(void *device, int target, unsigned char command, void *buffer,
              unsigned char expected, const CommandData &request = NoData());

// A read of one block: the answer is collected in a 60-byte area and copied
// to buffer (when buffer is not null) only when it is exactly `expected`
// bytes long.
int ReadBlock(void *device, int target, unsigned char command,
              const CommandData &request, void *buffer, unsigned char expected);

// Reads whose answer length varies; *length is buffer's capacity on entry.
enum class Oversize {
  // Transaction rules: an answer that does not fit is not copied, its length
  // is stored, and the read succeeds.
  Report,
  // As Report, but the read fails; null buffer or length fail without I/O.
  ReportAndFail,
  // The read fails and *length is left alone; null buffer or length fail
  // without I/O. Nothing reaches buffer unless the read succeeds.
  Fail,
};
int ReadVariable(void *device, int target, unsigned char command,
                 const CommandData &request, unsigned char *buffer,
                 unsigned char *length, Oversize rule);

} // namespace LumoCommand

#endif // LUMO_COMMANDEXCHANGE_H
