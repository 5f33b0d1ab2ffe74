// Fuzz entry for the splitting and decoding of input reports: any buffer, as
// one read result, with a callback registered for every kind. Besides the
// sanitizers' checks, it verifies what must hold for any input:
// - every record is well formed (tip and key state 0 or 1, the touch values
//   16-bit integers, a diagnosis block handed as a copy, not as a pointer
//   into the buffer);
// - at most one call per three bytes (a key report takes three bytes for one
//   call, a touch report 24 for at most two);
// - the calls for a prefix of the buffer are a prefix of the calls for the
//   whole buffer (the splitter never looks ahead past a report).
#include "CallbackSlot.h"
#include "InputReports.h"

#include <Lumo/LumoCallback.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace LumoReports;

namespace {

struct Call {
  unsigned kind;
  std::vector<uint8_t> record;
  bool operator==(const Call &other) const {
    return kind == other.kind && record == other.record;
  }
};

struct Tally {
  const uint8_t *data = nullptr;
  size_t size = 0;
  std::vector<Call> calls;
};

Tally *g_tally = nullptr; // the entry runs on one thread

[[noreturn]] void Fail(const char *what) {
  std::fprintf(stderr, "input-report invariant broken: %s\n", what);
  std::abort();
}

bool IsU16(float value) {
  return value >= 0.0f && value <= 65535.0f && std::floor(value) == value;
}

void Record(unsigned kind, const void *record, size_t size) {
  const auto *bytes = static_cast<const uint8_t *>(record);
  g_tally->calls.push_back(
      Call{kind, std::vector<uint8_t>(bytes, bytes + size)});
}

void OnDiagnosis(void *, const void *record) {
  const auto *bytes = static_cast<const uint8_t *>(record);
  if (bytes >= g_tally->data && bytes < g_tally->data + g_tally->size)
    Fail("diagnosis block handed inside the read buffer");
  Record(kDiagnosisKind, record, kDiagnosisPayloadLength);
}

void CheckTouchPoint(const void *record) {
  _TouchPoint point;
  std::memcpy(&point, record, sizeof point);
  if (point.tip > 1)
    Fail("tip is neither 0 nor 1");
  if (!IsU16(point.x) || !IsU16(point.y) || !IsU16(point.width) ||
      !IsU16(point.height))
    Fail("touch value is not a 16-bit integer");
}

void OnRawTouch(void *, const void *record) {
  CheckTouchPoint(record);
  Record(kRawTouchKind, record, sizeof(_TouchPoint));
}

void OnTouch(void *, const void *record) {
  CheckTouchPoint(record);
  Record(kTouchKind, record, sizeof(_TouchPoint));
}

void OnVirtualKey(void *, const void *record) {
  if (static_cast<const _VirtualKeyEvent *>(record)->state > 1)
    Fail("key state is neither 0 nor 1");
  Record(kVirtualKeyKind, record, sizeof(_VirtualKeyEvent));
}

const CallbackSlot *Slots() {
  static CallbackSlot slots[kReportKindCount];
  static bool registered = false;
  if (!registered) {
    slots[kDiagnosisKind].Store(OnDiagnosis, nullptr);
    slots[kRawTouchKind].Store(OnRawTouch, nullptr);
    slots[kTouchKind].Store(OnTouch, nullptr);
    slots[kVirtualKeyKind].Store(OnVirtualKey, nullptr);
    registered = true;
  }
  return slots;
}

std::vector<Call> Split(const uint8_t *data, size_t size) {
  Tally tally;
  tally.data = data;
  tally.size = size;
  g_tally = &tally;
  SplitReports(data, size, Slots());
  g_tally = nullptr;
  return tally.calls;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // The buffer on the heap, exactly as long as the input, as the reader
  // queues it: a read past its end is an error the sanitizers report.
  std::vector<uint8_t> buffer(data, data + size);
  const std::vector<Call> calls = Split(buffer.data(), buffer.size());

  if (calls.size() > size / 3)
    Fail("more calls than the reports the buffer can hold");

  // A prefix chosen by the input itself.
  const size_t prefixSize = size ? data[0] % (size + 1) : 0;
  std::vector<uint8_t> prefix(data, data + prefixSize);
  const std::vector<Call> prefixCalls = Split(prefix.data(), prefix.size());
  if (prefixCalls.size() > calls.size())
    Fail("a prefix yields more calls than the whole buffer");
  for (size_t i = 0; i < prefixCalls.size(); ++i)
    if (!(prefixCalls[i] == calls[i]))
      Fail("the calls of a prefix differ from those of the whole buffer");
  return 0;
}
