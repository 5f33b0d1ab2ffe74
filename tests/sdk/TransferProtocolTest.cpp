// The framer and the byte-wise receiver of the controller's protocol, through
// the library's exported functions.
#include <Lumo/LumoProtocol.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

_TransferData Transfer(const Bytes &leading) {
  _TransferData data{};
  for (size_t i = 0; i < leading.size() && i < sizeof data.bytes; ++i)
    data.bytes[i] = leading[i];
  return data;
}

// Frames handed to the sink, each as it was sent.
struct Sink {
  std::vector<Bytes> frames;
  static void Take(void *user, const void *frame, unsigned int length) {
    const auto *bytes = static_cast<const unsigned char *>(frame);
    static_cast<Sink *>(user)->frames.emplace_back(bytes, bytes + length);
  }
};

Bytes Frame(const Bytes &leading) {
  Sink sink;
  const _SendTag tag{Sink::Take, &sink};
  const _TransferData data = Transfer(leading);
  ProtocolSendData(&data, &tag);
  return sink.frames.empty() ? Bytes() : sink.frames.front();
}

// Frames delivered by a receiver, each as the type byte and what follows up
// to the frame's end (its checksum excluded).
struct Receiver {
  _ProtocolContext context;
  std::vector<Bytes> frames;

  Receiver() { InitializeProtocol(&context, Take, this); }
  void Feed(const Bytes &bytes) {
    for (unsigned char byte : bytes)
      ProtocolReceiveByte(&context, byte);
  }
  static void Take(void *user, const _TransferData *frame) {
    auto *self = static_cast<Receiver *>(user);
    // The whole frame is in the buffer: its length is what was collected,
    // minus the sync byte, minus the checksum for the types that carry one.
    const unsigned char type = frame->bytes[0];
    const bool status =
        type == FRAME_ACK || type == FRAME_BUSY || type == FRAME_REJECT;
    const size_t length = self->context.count - 1u - (status ? 0u : 1u);
    self->frames.emplace_back(frame->bytes, frame->bytes + length);
  }
};

Bytes Repeat(unsigned char value, size_t count) {
  return Bytes(count, value);
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes &part : parts)
    all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST(TransferProtocolTest, FramesRequestsAnswersAndStatusFrames) {
  const struct {
    const char *name;
    Bytes transfer;
    Bytes frame;
  } cases[] = {
      {"read of the device ID",
       {0x1E, 0x80, 0xA0, 0x00},
       {0x55, 0x1E, 0x80, 0xA0, 0x00, 0x20}},
      {"device mode 1",
       {0x2D, 0x80, 0xA2, 0x01, 0x01},
       {0x55, 0x2D, 0x80, 0xA2, 0x01, 0x01, 0x24}},
      {"action with a 16-bit value",
       {0x3C, 0x01, 0xB1, 0x02, 0x34, 0x12},
       {0x55, 0x3C, 0x01, 0xB1, 0x02, 0x34, 0x12, 0xFA}},
      {"type 0x5A like a read",
       {0x5A, 0x80, 0xA0, 0x00},
       {0x55, 0x5A, 0x80, 0xA0, 0x00, 0x20}},
      {"data answer", {0x4B, 0x01, 0x05}, {0x55, 0x4B, 0x01, 0x05, 0x06}},
      {"empty data answer", {0x4B, 0x00}, {0x55, 0x4B, 0x00, 0x00}},
      {"ACK", {0x87, 0xAA, 0xBB}, {0x55, 0x87}},
      {"BUSY", {0x96}, {0x55, 0x96}},
      {"REJECT", {0xB4}, {0x55, 0xB4}},
      {"unknown type", {0x99, 0x80, 0xA0, 0x00}, {}},
      {"request longer than a report", {0x1E, 0x80, 0xA0, 59}, {}},
      {"data answer longer than a report", {0x4B, 61}, {}},
      {"length byte 0xFF", {0x2D, 0x80, 0xA0, 0xFF}, {}},
  };
  for (const auto &c : cases)
    EXPECT_EQ(c.frame, Frame(c.transfer)) << c.name;
}

TEST(TransferProtocolTest, LongestFramesFillTheReportWithTheChecksumLast) {
  Bytes request = {0x2D, 0x80, 0xBB, 58};
  Bytes data = {0x4B, 60};
  for (unsigned i = 0; i < 60; ++i) {
    if (i < 58)
      request.push_back(static_cast<unsigned char>(i));
    data.push_back(static_cast<unsigned char>(i));
  }
  const Bytes requestFrame = Frame(request);
  ASSERT_EQ(64u, requestFrame.size());
  unsigned sum = 0x80 + 0xBB + 58;
  for (unsigned i = 0; i < 58; ++i)
    sum += i;
  EXPECT_EQ(static_cast<unsigned char>(sum), requestFrame[63]);
  const Bytes dataFrame = Frame(data);
  ASSERT_EQ(64u, dataFrame.size());
  EXPECT_EQ(static_cast<unsigned char>(60 + 59 * 60 / 2), dataFrame[63]);
}

TEST(TransferProtocolTest, FramerWithoutSinkOrDataDoesNothing) {
  const _TransferData data = Transfer({0x87});
  const _SendTag noFunction{nullptr, nullptr};
  ProtocolSendData(&data, &noFunction);
  ProtocolSendData(&data, nullptr);
  Sink sink;
  const _SendTag tag{Sink::Take, &sink};
  ProtocolSendData(nullptr, &tag);
  EXPECT_TRUE(sink.frames.empty());
}

TEST(TransferProtocolTest, ReceiverDeliversValidFramesFromMalformedStreams) {
  const Bytes data05 = {0x55, 0x4B, 0x01, 0x05, 0x06};
  Bytes overlong = {0x55, 0x4B, 61};
  overlong.resize(64, 0x00); // 64 bytes in, the frame wants 65
  const struct {
    const char *name;
    Bytes stream;
    std::vector<Bytes> frames;
  } cases[] = {
      {"data answer", data05, {{0x4B, 0x01, 0x05}}},
      {"ACK, BUSY, REJECT",
       {0x55, 0x87, 0x55, 0x96, 0x55, 0xB4},
       {{0x87}, {0x96}, {0xB4}}},
      {"empty data answer", {0x55, 0x4B, 0x00, 0x00}, {{0x4B, 0x00}}},
      {"request frame",
       {0x55, 0x1E, 0x80, 0xA0, 0x00, 0x20},
       {{0x1E, 0x80, 0xA0, 0x00}}},
      {"type 0x5A",
       {0x55, 0x5A, 0x80, 0xA0, 0x00, 0x20},
       {{0x5A, 0x80, 0xA0, 0x00}}},
      {"noise before the sync byte",
       Concat({{0x00, 0x12, 0x4B, 0x87}, data05}),
       {{0x4B, 0x01, 0x05}}},
      {"unknown type, then a frame",
       Concat({{0x55, 0x99, 0x01, 0x06}, data05}),
       {{0x4B, 0x01, 0x05}}},
      {"wrong checksum dropped, next frame kept",
       Concat({{0x55, 0x4B, 0x01, 0x05, 0x07}, {0x55, 0x87}}),
       {{0x87}}},
      {"a doubled sync byte is taken for a type", {0x55, 0x55, 0x87}, {}},
      {"zeros only", Repeat(0x00, 64), {}},
      {"length beyond a report never completes", overlong, {}},
      {"after an overlong frame the 65th byte may sync again",
       Concat({overlong, {0x55, 0x87}}),
       {{0x87}}},
      {"two frames back to back",
       Concat({data05, {0x55, 0x87}}),
       {{0x4B, 0x01, 0x05}, {0x87}}},
  };
  for (const auto &c : cases) {
    Receiver receiver;
    receiver.Feed(c.stream);
    EXPECT_EQ(c.frames, receiver.frames) << c.name;
  }
}

TEST(TransferProtocolTest, ReceiverCompletesAFrameSplitAcrossReports) {
  Receiver receiver;
  receiver.Feed({0x00, 0x55, 0x4B, 0x02});
  EXPECT_TRUE(receiver.frames.empty());
  receiver.Feed({0x34, 0x12, 0x48, 0x00});
  const std::vector<Bytes> expected = {{0x4B, 0x02, 0x34, 0x12}};
  EXPECT_EQ(expected, receiver.frames);
}

TEST(TransferProtocolTest, ReceiverWithoutCallbackOrContextIsHarmless) {
  _ProtocolContext context;
  InitializeProtocol(&context, nullptr, nullptr);
  for (unsigned char byte : Bytes{0x55, 0x4B, 0x01, 0x05, 0x06, 0x55, 0x87})
    ProtocolReceiveByte(&context, byte);
  EXPECT_EQ(0, context.count);
  ProtocolReceiveByte(nullptr, 0x55);
  InitializeProtocol(nullptr, nullptr, nullptr);
}

// Whatever the framer sends, the receiver gives back unchanged.
TEST(TransferProtocolTest, ReceiverTakesBackWhatTheFramerSends) {
  const unsigned char types[] = {FRAME_GET,        FRAME_SET,   FRAME_EXECUTE,
                                 FRAME_REQUEST_5A, FRAME_DATA,  FRAME_ACK,
                                 FRAME_BUSY,       FRAME_REJECT};
  for (unsigned char type : types) {
    const bool data = type == FRAME_DATA;
    const bool status =
        type == FRAME_ACK || type == FRAME_BUSY || type == FRAME_REJECT;
    for (unsigned n : {0u, 1u, 7u, 58u, 60u}) {
      if (status && n > 0)
        continue;
      if (!data && !status && n > 58)
        continue;
      Bytes transfer = {type};
      if (!data && !status)
        transfer.insert(transfer.end(),
                        {0x80, static_cast<unsigned char>(0xF0 + n)});
      if (!status)
        transfer.push_back(static_cast<unsigned char>(n));
      for (unsigned i = 0; i < n && !status; ++i)
        transfer.push_back(static_cast<unsigned char>(0xFF - 3 * i));

      const Bytes frame = Frame(transfer);
      Receiver receiver;
      receiver.Feed(frame);
      ASSERT_EQ(1u, receiver.frames.size())
          << "type " << int(type) << " n " << n;
      EXPECT_EQ(transfer, receiver.frames.front());
    }
  }
}

} // namespace
