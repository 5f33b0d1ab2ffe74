// The command exchange against the emulated touch screen and its controller
// model: the frames on the wire, the answer rules, and the retry budget,
// counted in feature-report calls.
#include "ControllerFixture.h"

#include "TransactCommand.h"

#include <Lumo/LumoProtocol.h>

#include <cerrno>

namespace {

class TransactCommandTest : public ControllerFixture {
protected:
  // Reads the main module's device ID.
  bool ReadDeviceId(unsigned char *answer, unsigned char *length) {
    return TransactCommand(m_handle, FRAME_GET, 0x80, 0xA0, nullptr, 0, answer,
                           length);
  }
  bool SetDeviceMode(unsigned char mode) {
    return TransactCommand(m_handle, FRAME_SET, 0x80, 0xA2, &mode, 1, nullptr,
                           nullptr);
  }
};

Bytes Report(Bytes leading) {
  leading.resize(64, 0x00);
  return leading;
}

TEST_F(TransactCommandTest, WorkedExamplesByteForByte) {
  m_controller.SetRecord(0x80, 0xA0, {0x05});
  unsigned char id = 0;
  unsigned char length = 1;
  ASSERT_TRUE(ReadDeviceId(&id, &length));
  const auto requests = m_controller.Requests();
  ASSERT_EQ(1u, requests.size());
  EXPECT_EQ(Report({0x55, 0x1E, 0x80, 0xA0, 0x00, 0x20}), requests[0].report);
  EXPECT_EQ(0x05, id);
  EXPECT_EQ(1, length);

  ASSERT_TRUE(SetDeviceMode(1));
  const auto after = m_controller.Requests();
  ASSERT_EQ(2u, after.size());
  EXPECT_EQ(Report({0x55, 0x2D, 0x80, 0xA2, 0x01, 0x01, 0x24}),
            after[1].report);
  EXPECT_EQ(ControllerModel::Reply::Ack, after[1].reply);
  EXPECT_EQ(Bytes{0x01}, m_controller.Record(0x80, 0xA2));
}

TEST_F(TransactCommandTest, AnsweredExchangeCostsOneSetAndOneGet) {
  unsigned char id = 0, length = 1;
  ASSERT_TRUE(ReadDeviceId(&id, &length));
  EXPECT_EQ(1u, SetCalls());
  EXPECT_EQ(1u, GetCalls());
  ASSERT_TRUE(SetDeviceMode(0));
  EXPECT_EQ(2u, SetCalls());
  EXPECT_EQ(2u, GetCalls());
}

// The budget, counted: 5 attempts of at most 80 polls each.
TEST_F(TransactCommandTest, RetryBudget) {
  const struct {
    const char *name;
    void (ControllerModel::*fault)(unsigned);
    int silence;
    bool result;
    unsigned sets, gets;
  } cases[] = {
      {"BUSY every time: 5 sends, one poll each", &ControllerModel::Busy, 0,
       false, 5, 5},
      {"BUSY twice, then answered", &ControllerModel::Busy, 0, true, 3, 3},
      {"silent: 5 sends of 80 polls", nullptr, -1, false, 5, 400},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const unsigned sets = SetCalls(), gets = GetCalls();
    if (c.fault)
      (m_controller.*c.fault)(c.result ? 2 : 1000);
    m_controller.Silence(c.silence);
    unsigned char id = 0, length = 1;
    EXPECT_EQ(c.result, ReadDeviceId(&id, &length));
    EXPECT_EQ(c.sets, SetCalls() - sets);
    EXPECT_EQ(c.gets, GetCalls() - gets);
    m_controller.Busy(0);
    m_controller.Silence(0);
  }
}

TEST_F(TransactCommandTest, RejectEndsTheExchangeAfterOneSend) {
  m_controller.Reject(0xA0);
  unsigned char id = 0x77, length = 1;
  EXPECT_FALSE(ReadDeviceId(&id, &length));
  EXPECT_EQ(1u, SetCalls());
  EXPECT_EQ(1u, GetCalls());
  EXPECT_EQ(0x77, id);
}

TEST_F(TransactCommandTest, FailedFeatureCallsAreRetried) {
  // Two failed sends: two attempts lost, the third is answered at once.
  m_bed.FailIoctl(m_screen, HidIoctl::SetFeature, EIO, 2);
  EXPECT_TRUE(SetDeviceMode(1));
  EXPECT_EQ(3u, SetCalls());
  EXPECT_EQ(1u, GetCalls());
  EXPECT_EQ(1u, m_controller.Requests().size());

  // Three failed polls: the same attempt polls on.
  m_bed.FailIoctl(m_screen, HidIoctl::GetFeature, EIO, 3);
  EXPECT_TRUE(SetDeviceMode(0));
  EXPECT_EQ(4u, SetCalls());
  EXPECT_EQ(5u, GetCalls());

  // Every send failing: five attempts, no poll.
  m_bed.FailIoctl(m_screen, HidIoctl::SetFeature, EIO);
  EXPECT_FALSE(SetDeviceMode(1));
  EXPECT_EQ(9u, SetCalls());
  EXPECT_EQ(5u, GetCalls());
}

TEST_F(TransactCommandTest, RefusesWithoutAnyIo) {
  const unsigned char data[59] = {};
  const struct {
    const char *name;
    unsigned char type;
    unsigned char length;
    const unsigned char *data;
  } cases[] = {
      {"data answer type", FRAME_DATA, 0, nullptr},
      {"type 0x5A", FRAME_REQUEST_5A, 0, nullptr},
      {"status type", FRAME_ACK, 0, nullptr},
      {"59 data bytes", FRAME_SET, 59, data},
      {"data missing", FRAME_SET, 4, nullptr},
  };
  for (const auto &c : cases) {
    EXPECT_FALSE(TransactCommand(m_handle, c.type, 0x80, 0xA0, c.data, c.length,
                                 nullptr, nullptr))
        << c.name;
  }
  EXPECT_EQ(0u, m_bed.TotalIoctlCalls(m_screen));
  // 58 bytes still go out.
  EXPECT_TRUE(TransactCommand(m_handle, FRAME_SET, 0x80, 0x00, data, 58,
                              nullptr, nullptr));
}

TEST_F(TransactCommandTest, AnswerCapacityAndLengthRules) {
  const struct {
    const char *name;
    Bytes answer;
    bool withBuffer;
    unsigned char capacity;
    unsigned char length; // afterwards
    Bytes copied;         // into a buffer of 0xEE bytes
  } cases[] = {
      {"fits", {1, 2, 3}, true, 4, 3, {1, 2, 3, 0xEE}},
      {"exactly fits", {1, 2, 3}, true, 3, 3, {1, 2, 3, 0xEE}},
      {"longer than the capacity: length only",
       {1, 2, 3},
       true,
       2,
       3,
       {0xEE, 0xEE, 0xEE, 0xEE}},
      {"empty answer", {}, true, 4, 0, {0xEE, 0xEE, 0xEE, 0xEE}},
      {"no buffer: length only", {1, 2}, false, 4, 2, {0xEE, 0xEE, 0xEE, 0xEE}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    AnswerWith(c.answer);
    Bytes buffer(4, 0xEE);
    unsigned char length = c.capacity;
    EXPECT_TRUE(TransactCommand(m_handle, FRAME_GET, 0x80, 0x00, nullptr, 0,
                                c.withBuffer ? buffer.data() : nullptr,
                                &length));
    EXPECT_EQ(c.length, length);
    EXPECT_EQ(c.copied, buffer);
  }
  // No length pointer: a data answer still decides the exchange.
  AnswerWith({9});
  EXPECT_TRUE(TransactCommand(m_handle, FRAME_GET, 0x80, 0x00, nullptr, 0,
                              nullptr, nullptr));
}

TEST_F(TransactCommandTest, OnlyTheFirstFrameOfAReportCounts) {
  m_controller.SetRecord(0x80, 0xA0, {0x05});
  m_controller.AppendFrame(ControllerModel::StatusFrame(ControllerModel::kAck));
  unsigned char decidedBy = 0;
  unsigned char id = 0, length = 1;
  ASSERT_TRUE(TransactCommand(m_handle, FRAME_GET, 0x80, 0xA0, nullptr, 0, &id,
                              &length, &decidedBy));
  EXPECT_EQ(FRAME_DATA, decidedBy);
  EXPECT_EQ(0x05, id);

  // A REJECT behind an ACK does not undo it.
  m_controller.AppendFrame(
      ControllerModel::StatusFrame(ControllerModel::kReject));
  EXPECT_TRUE(SetDeviceMode(1));
}

TEST_F(TransactCommandTest, UndecidingReportsAreSkippedWhilePolling) {
  m_controller.SetRecord(0x80, 0xA0, {0x09});
  // Before the controller's answer come an echoed request frame and a data
  // answer 0x05 split across two reports (its start at the end of one, its
  // rest at the start of the next). None decides: each poll starts a fresh
  // receiver, so the split frame is not put together.
  Bytes firstHalf(61, 0x00);
  firstHalf.insert(firstHalf.end(), {0x55, 0x4B, 0x01});
  m_controller.InsertReports(
      {Report({0x55, 0x1E, 0x80, 0xA0, 0x00, 0x20}), firstHalf, {0x05, 0x06}});
  unsigned char id = 0, length = 1;
  ASSERT_TRUE(ReadDeviceId(&id, &length));
  EXPECT_EQ(0x09, id);
  EXPECT_EQ(1u, SetCalls());
  EXPECT_EQ(4u, GetCalls());

  // An answer that comes late is still taken within the attempt.
  m_controller.DelayAnswers(30);
  ASSERT_TRUE(ReadDeviceId(&id, &length));
  EXPECT_EQ(2u, SetCalls());
  EXPECT_EQ(4u + 31u, GetCalls());
}

TEST_F(TransactCommandTest, AnswerWithWrongChecksumIsIgnored) {
  m_controller.SetRecord(0x80, 0xA0, {0x05});
  m_controller.CorruptChecksum(1);
  unsigned char id = 0, length = 1;
  // The damaged answer is dropped; the attempt polls out and the request is
  // sent again, and the second answer is sound.
  ASSERT_TRUE(ReadDeviceId(&id, &length));
  EXPECT_EQ(0x05, id);
  EXPECT_EQ(2u, SetCalls());
  EXPECT_EQ(80u + 1u, GetCalls());
}

TEST_F(TransactCommandTest, DecidingFrameIsReported) {
  unsigned char decidedBy = 0xFF;
  unsigned char mode = 1;
  EXPECT_TRUE(TransactCommand(m_handle, FRAME_SET, 0x80, 0xA2, &mode, 1,
                              nullptr, nullptr, &decidedBy));
  EXPECT_EQ(FRAME_ACK, decidedBy);
  m_controller.Reject(0xA2);
  EXPECT_FALSE(TransactCommand(m_handle, FRAME_SET, 0x80, 0xA2, &mode, 1,
                               nullptr, nullptr, &decidedBy));
  EXPECT_EQ(FRAME_REJECT, decidedBy);
  m_controller.Busy(5);
  EXPECT_FALSE(TransactCommand(m_handle, FRAME_SET, 0x80, 0x00, &mode, 1,
                               nullptr, nullptr, &decidedBy));
  EXPECT_EQ(0, decidedBy);
}

} // namespace
