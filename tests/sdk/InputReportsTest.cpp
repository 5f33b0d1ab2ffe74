// The splitter and the decoders on their own: buffers in, callbacks out.
#include "InputReports.h"
#include "CallbackSlot.h"
#include "sdk/CallbackRecorder.h"
#include "sdk/InputReportCases.h"

#include <gtest/gtest.h>

namespace {

using namespace LumoReports;

class InputReportsTest : public ::testing::Test {
protected:
  void RegisterAll() {
    m_slots[kDiagnosisKind].Store(CallbackRecorder::OnDiagnosis, &m_recorder);
    m_slots[kRawTouchKind].Store(CallbackRecorder::OnRawTouch, &m_recorder);
    m_slots[kTouchKind].Store(CallbackRecorder::OnTouch, &m_recorder);
    m_slots[kVirtualKeyKind].Store(CallbackRecorder::OnVirtualKey, &m_recorder);
  }
  std::vector<std::string> Split(const Bytes &buffer) {
    m_recorder.Reset();
    SplitReports(buffer.data(), buffer.size(), m_slots);
    return m_recorder.Calls();
  }

  CallbackRecorder m_recorder;
  CallbackSlot m_slots[kReportKindCount];
};

TEST_F(InputReportsTest, TableOfReportsGivesTheirCallbacks) {
  RegisterAll();
  for (const ReportCase &c : ReportCases()) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.calls, Split(c.buffer));
  }
}

TEST_F(InputReportsTest, ReportKindTable) {
  const struct {
    ReportKindIndex slot;
    unsigned char id;
    unsigned payload;
  } expected[] = {{kDiagnosisKind, 0x37, 63},
                  {kRawTouchKind, 0x34, 23},
                  {kTouchKind, 0x36, 23},
                  {kVirtualKeyKind, 0x38, 2}};
  for (const auto &e : expected) {
    EXPECT_EQ(e.id, kReportKinds[e.slot].reportId);
    EXPECT_EQ(e.payload, kReportKinds[e.slot].payloadLength);
  }
}

TEST_F(InputReportsTest, ReportsOfAnEmptySlotDecodeIntoNothing) {
  m_slots[kRawTouchKind].Store(CallbackRecorder::OnRawTouch, &m_recorder);
  const Bytes buffer = Concat(
      {DiagnosisReport(0), TouchReport(0x36, kTouching, kLifted, 0x0201, 2),
       VirtualKeyReport(1, 1),
       TouchReport(0x34, kTouching, kAbsent, 0x0201, 2)});
  EXPECT_EQ(std::vector<std::string>{std::string("raw ") + kTouchingText},
            Split(buffer));
  // Nothing registered at all.
  m_slots[kRawTouchKind].Clear();
  EXPECT_TRUE(Split(buffer).empty());
}

TEST_F(InputReportsTest, SlotHandsOutTheUserStoredWithTheFunction) {
  CallbackRecorder other;
  CallbackSlot &slot = m_slots[kVirtualKeyKind];
  slot.Store(CallbackRecorder::OnVirtualKey, &m_recorder);
  slot.Clear();
  slot.Store(CallbackRecorder::OnVirtualKey, &other);
  Split(VirtualKeyReport(3, 1));
  EXPECT_EQ(0u, m_recorder.Count());
  EXPECT_EQ(std::vector<std::string>{"key 3 state=1"}, other.Calls());
}

TEST_F(InputReportsTest, DiagnosisCallbackGetsACopyOfThePayload) {
  const Bytes report = DiagnosisReport(0x40);
  const unsigned char *handed = nullptr;
  m_slots[kDiagnosisKind].Store(
      [](void *user, const void *record) {
        *static_cast<const unsigned char **>(user) =
            static_cast<const unsigned char *>(record);
      },
      &handed);
  SplitReports(report.data(), report.size(), m_slots);
  ASSERT_NE(nullptr, handed);
  EXPECT_TRUE(handed < report.data() ||
              handed >= report.data() + report.size());
}

} // namespace
