// Input reports as a touch screen sends them, and a table of buffers with the
// callbacks each must produce. The same table runs against the splitter
// directly and through the emulated touch screen and a callback manager.
#ifndef TESTS_SDK_INPUTREPORTCASES_H
#define TESTS_SDK_INPUTREPORTCASES_H

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct Contact {
  uint8_t status; // bit 0 tip, bit 2 present
  uint8_t id;
  uint16_t x, y, width, height;
};

inline void PutU16(Bytes &bytes, uint16_t value) {
  bytes.push_back(static_cast<uint8_t>(value & 0xFF));
  bytes.push_back(static_cast<uint8_t>(value >> 8));
}

// A touch (0x36) or raw-touch (0x34) report: 24 bytes.
inline Bytes TouchReport(uint8_t reportId, const Contact &first,
                         const Contact &second, uint16_t scanTime,
                         uint8_t count) {
  Bytes bytes{reportId};
  for (const Contact &c : {first, second}) {
    bytes.push_back(c.status);
    bytes.push_back(c.id);
    PutU16(bytes, c.x);
    PutU16(bytes, c.y);
    PutU16(bytes, c.width);
    PutU16(bytes, c.height);
  }
  PutU16(bytes, scanTime);
  bytes.push_back(count);
  return bytes;
}

inline Bytes VirtualKeyReport(uint8_t key, uint8_t state) {
  return {0x38, key, state};
}

// A diagnosis report: 64 bytes, the payload counting up from first.
inline Bytes DiagnosisReport(uint8_t first) {
  Bytes bytes{0x37};
  for (int i = 0; i < 63; ++i)
    bytes.push_back(static_cast<uint8_t>(first + i));
  return bytes;
}

inline std::string DiagnosisText(uint8_t first) {
  std::string text = "diagnosis";
  for (int i = 0; i < 63; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02x", static_cast<uint8_t>(first + i));
    text += hex;
  }
  return text;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes &part : parts)
    all.insert(all.end(), part.begin(), part.end());
  return all;
}

inline Bytes Truncated(Bytes bytes, size_t keep) {
  bytes.resize(keep);
  return bytes;
}

// Two contacts whose values tell every field apart; the little-endian order
// shows in x = 0x1234 and y = 0x5678.
const Contact kLifted{0x04, 3, 0x1234, 0x5678, 16, 32};
const Contact kTouching{0x05, 9, 1000, 2000, 40, 50};
const Contact kAbsent{0x01, 5, 7, 7, 7, 7}; // tip set, present bit clear
const char kLiftedText[] = "tip=0 id=3 x=4660 y=22136 w=16 h=32 scan=513";
const char kTouchingText[] = "tip=1 id=9 x=1000 y=2000 w=40 h=50 scan=513";

struct ReportCase {
  const char *name;
  Bytes buffer; // one read result
  std::vector<std::string> calls;
};

inline std::vector<ReportCase> ReportCases() {
  const std::string touch = "touch ";
  const std::string raw = "raw ";
  return {
      {"two contacts, status 0x04 then 0x05: tip 0, then tip 1",
       TouchReport(0x36, kLifted, kTouching, 0x0201, 2),
       {touch + kLiftedText, touch + kTouchingText}},
      {"raw touch goes to the raw-touch callback",
       TouchReport(0x34, kLifted, kTouching, 0x0201, 2),
       {raw + kLiftedText, raw + kTouchingText}},
      {"contact count 0: no call",
       TouchReport(0x36, kLifted, kTouching, 0x0201, 0),
       {}},
      {"contact count 1: the first contact only",
       TouchReport(0x36, kLifted, kTouching, 0x0201, 1),
       {touch + kLiftedText}},
      {"contact count 5 is treated as 2",
       TouchReport(0x36, kLifted, kTouching, 0x0201, 5),
       {touch + kLiftedText, touch + kTouchingText}},
      {"a contact without the present bit is skipped",
       TouchReport(0x36, kAbsent, kTouching, 0x0201, 2),
       {touch + kTouchingText}},
      {"virtual key pressed and released",
       Concat({VirtualKeyReport(7, 1), VirtualKeyReport(7, 0)}),
       {"key 7 state=1", "key 7 state=0"}},
      {"virtual key with state 2: no call", VirtualKeyReport(7, 2), {}},
      {"a virtual-key report followed by a touch report: both, in order",
       Concat({VirtualKeyReport(4, 1),
               TouchReport(0x36, kTouching, kLifted, 0x0201, 1)}),
       {"key 4 state=1", touch + kTouchingText}},
      {"diagnosis: the 63 payload bytes",
       DiagnosisReport(0x10),
       {DiagnosisText(0x10)}},
      {"a buffer that ends inside a touch report: no touch call",
       Truncated(TouchReport(0x36, kLifted, kTouching, 0x0201, 2), 23),
       {}},
      {"a complete report before a cut-off one is still delivered",
       Concat({VirtualKeyReport(2, 1), Truncated(DiagnosisReport(0), 40)}),
       {"key 2 state=1"}},
      {"a report ID cut off right after its ID", Bytes{0x38}, {}},
      {"bytes before the first known report ID are skipped",
       Concat({Bytes{0x00, 0x55, 0xFF, 0x35, 0x39}, VirtualKeyReport(1, 1)}),
       {"key 1 state=1"}},
      {"report IDs inside a payload do not start reports",
       TouchReport(0x36, Contact{0x05, 0x38, 0x3838, 0x3737, 0x3636, 0x3434},
                   kAbsent, 0x3838, 2),
       {"touch tip=1 id=56 x=14392 y=14135 w=13878 h=13364 scan=14392"}},
  };
}

#endif // TESTS_SDK_INPUTREPORTCASES_H
