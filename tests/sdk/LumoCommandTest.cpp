// The exported command API, family by family, against the emulated touch
// screen and its controller model: what each function sends (frame type,
// target, command, little-endian request) and how it takes the answer.
#include "ControllerFixture.h"

#include <Lumo/Lumo.h>

#include <functional>

namespace {

// Any target: only its low byte goes out.
constexpr int kTarget = 0x0105;
constexpr uint8_t kTargetByte = 0x05;

Bytes Pattern(size_t length, uint8_t first = 0x40) {
  Bytes bytes(length);
  for (size_t i = 0; i < length; ++i)
    bytes[i] = static_cast<uint8_t>(first + i);
  return bytes;
}

Bytes Request(uint8_t type, uint8_t target, uint8_t command, Bytes data = {}) {
  Bytes bytes = {type, target, command};
  bytes.insert(bytes.end(), data.begin(), data.end());
  return bytes;
}

using LumoCommandTest = ControllerFixture;

// Fixed-length reads ---------------------------------------------------------

struct FixedRead {
  const char *name;
  std::function<int(void *, void *)> call;
  uint8_t target;
  uint8_t command;
  Bytes request;
  size_t length;
};

const FixedRead kFixedReads[] = {
    {"LumoGetSettingLightSourcePwm",
     [](void *h, void *b) {
       return LumoGetSettingLightSourcePwm(h, kTarget, b);
     },
     kTargetByte,
     0x23,
     {},
     8},
    {"LumoGetLightSourcePwm",
     [](void *h, void *b) { return LumoGetLightSourcePwm(h, kTarget, b); },
     kTargetByte,
     0x24,
     {},
     8},
    {"LumoGetDebugContextInformation",
     [](void *h, void *b) {
       return LumoGetDebugContextInformation(h, kTarget, b);
     },
     kTargetByte,
     0x30,
     {},
     6},
    {"LumoGetSlaveInformation",
     [](void *h, void *b) {
       return LumoGetSlaveInformation(h, kTarget, 0x02, b);
     },
     kTargetByte,
     0x40,
     {0x02},
     8},
    {"LumoGetDeviceID",
     [](void *h, void *b) { return LumoGetDeviceID(h, kTarget, b); },
     kTargetByte,
     0xA0,
     {},
     1},
    {"LumoGetDeviceVersion",
     [](void *h, void *b) { return LumoGetDeviceVersion(h, kTarget, b); },
     kTargetByte,
     0xA1,
     {},
     8},
    {"LumoGetDeviceMode",
     [](void *h, void *b) { return LumoGetDeviceMode(h, kTarget, b); },
     kTargetByte,
     0xA2,
     {},
     1},
    {"LumoGetDeviceStatus",
     [](void *h, void *b) { return LumoGetDeviceStatus(h, kTarget, b); },
     kTargetByte,
     0xA3,
     {},
     8},
    {"LumoGetCcbStatus",
     [](void *h, void *b) { return LumoGetCcbStatus(h, b); },
     0x80,
     0xA3,
     {},
     8},
    {"LumoGetFcbStatus",
     [](void *h, void *b) { return LumoGetFcbStatus(h, kTarget, b); },
     kTargetByte,
     0xA3,
     {},
     8},
    {"LumoGetChipInformation",
     [](void *h, void *b) { return LumoGetChipInformation(h, kTarget, b); },
     kTargetByte,
     0xA6,
     {},
     20},
    {"LumoGetDeviceLight",
     [](void *h, void *b) { return LumoGetDeviceLight(h, kTarget, b); },
     kTargetByte,
     0xA7,
     {},
     1},
    {"LumoGetStorageInfo",
     [](void *h, void *b) { return LumoGetStorageInfo(h, kTarget, b); },
     kTargetByte,
     0xB0,
     {},
     8},
    {"LumoGetSettingInfo",
     [](void *h, void *b) { return LumoGetSettingInfo(h, kTarget, b); },
     kTargetByte,
     0xB5,
     {},
     8},
    {"LumoGetImageInfo",
     [](void *h, void *b) { return LumoGetImageInfo(h, kTarget, b); },
     kTargetByte,
     0xC0,
     {},
     8},
    {"LUMO_Expired_GetAlgorithmCommandInfo",
     [](void *h, void *b) {
       return LUMO_Expired_GetAlgorithmCommandInfo(h, kTarget, 0x10, b);
     },
     kTargetByte,
     0xD0,
     {0x10},
     6},
    {"LumoGetImageProcessorCommandInfo",
     [](void *h, void *b) {
       return LumoGetImageProcessorCommandInfo(h, kTarget, 0x88, b);
     },
     kTargetByte,
     0xD8,
     {0x88},
     8},
    {"LumoGetImageProcessorSettingInformation",
     [](void *h, void *b) {
       return LumoGetImageProcessorSettingInformation(h, kTarget, b);
     },
     kTargetByte,
     0xDC,
     {},
     6},
    {"LumoGetImageProcessorContextInformation",
     [](void *h, void *b) {
       return LumoGetImageProcessorContextInformation(h, kTarget, b);
     },
     kTargetByte,
     0xDD,
     {},
     6},
    {"LumoGetDriverVersion",
     [](void *h, void *b) { return LumoGetDriverVersion(h, kTarget, b); },
     kTargetByte,
     0xE0,
     {},
     8},
    {"LumoGetDriverWorkingMode",
     [](void *h, void *b) { return LumoGetDriverWorkingMode(h, kTarget, b); },
     kTargetByte,
     0xE1,
     {},
     1},
    {"LumoGetDriverInputtingMode",
     [](void *h, void *b) { return LumoGetDriverInputtingMode(h, kTarget, b); },
     kTargetByte,
     0xE2,
     {},
     1},
    {"LumoGetDriverInputtingType",
     [](void *h, void *b) { return LumoGetDriverInputtingType(h, kTarget, b); },
     kTargetByte,
     0xE3,
     {},
     1},
    {"LumoGetDriverStatus",
     [](void *h, void *b) { return LumoGetDriverStatus(h, kTarget, b); },
     kTargetByte,
     0xEF,
     {},
     8},
};

TEST_F(LumoCommandTest, FixedLengthReads) {
  for (const FixedRead &read : kFixedReads) {
    SCOPED_TRACE(read.name);
    ForgetSent();
    const Bytes untouched(32, 0xEE);

    // The expected length: copied.
    Bytes buffer = untouched;
    AnswerWith(Pattern(read.length));
    EXPECT_EQ(0, read.call(m_handle, buffer.data()));
    Bytes expected = Pattern(read.length);
    expected.resize(untouched.size(), 0xEE);
    EXPECT_EQ(expected, buffer);
    const std::vector<Bytes> sent = {Request(ControllerModel::kGet, read.target,
                                             read.command, read.request)};
    EXPECT_EQ(sent, Sent());

    // One byte more: fails and leaves the buffer alone.
    buffer = untouched;
    AnswerWith(Pattern(read.length + 1));
    EXPECT_EQ(-1, read.call(m_handle, buffer.data()));
    EXPECT_EQ(untouched, buffer);

    // One byte less, an acknowledgement instead of data, a refusal: fail.
    if (read.length > 1) {
      AnswerWith(Pattern(read.length - 1));
      EXPECT_EQ(-1, read.call(m_handle, buffer.data()));
    }
    AcknowledgeInstead();
    buffer = untouched;
    EXPECT_EQ(-1, read.call(m_handle, buffer.data()));
    EXPECT_EQ(untouched, buffer);
    m_controller.Reject(read.command);
    EXPECT_EQ(-1, read.call(m_handle, buffer.data()));
    m_controller.ClearRejects();
  }
}

TEST_F(LumoCommandTest, ReadsTheControllersState) {
  m_controller.AddSlave(0x01);
  m_controller.SetRecord(0x80, 0xA0, {0x05});
  m_controller.SetRecord(0x01, 0xA0, {0x21});
  m_controller.SetRecord(0x01, 0x40, Pattern(8, 0x10));
  unsigned char id = 0;
  EXPECT_EQ(0, LumoGetDeviceID(m_handle, 0x80, &id));
  EXPECT_EQ(0x05, id);
  EXPECT_EQ(0, LumoGetDeviceID(m_handle, 0x01, &id));
  EXPECT_EQ(0x21, id);
  unsigned char info[8] = {};
  EXPECT_EQ(0, LumoGetSlaveInformation(m_handle, 0x80, 0x01, info));
  EXPECT_EQ(Pattern(8, 0x10), Bytes(info, info + 8));
  // No module at 0x02.
  EXPECT_EQ(-1, LumoGetDeviceID(m_handle, 0x02, &id));
  EXPECT_EQ(-1, LumoGetSlaveInformation(m_handle, 0x80, 0x02, info));
}

// Block reads ----------------------------------------------------------------

TEST_F(LumoCommandTest, BlockReads) {
  const struct {
    const char *name;
    std::function<int(void *, void *, unsigned char)> call;
    uint8_t command;
    Bytes request;
    bool needsBuffer;
  } reads[] = {
      {"LumoGetStorageBlock",
       [](void *h, void *b, unsigned char n) {
         return LumoGetStorageBlock(h, kTarget, 0x00030000, b, n);
       },
       0xB2,
       {0x00, 0x00, 0x03, 0x00},
       false},
      {"LumoGetSettingBlock",
       [](void *h, void *b, unsigned char n) {
         return LumoGetSettingBlock(h, kTarget, 0x12345678, b, n);
       },
       0xB7,
       {0x78, 0x56, 0x34, 0x12},
       false},
      {"LumoGetSwapBlock",
       [](void *h, void *b, unsigned char n) {
         return LumoGetSwapBlock(h, kTarget, 0x001F0000, b, n);
       },
       0xBB,
       {0x00, 0x00, 0x1F, 0x00},
       false},
      {"LumoGetImageBlock",
       [](void *h, void *b, unsigned char n) {
         return LumoGetImageBlock(h, kTarget, 0x0102, b, n);
       },
       0xC2,
       {0x02, 0x01},
       true},
      {"LUMO_Expired_GetAlgorithmBufferFromCache",
       [](void *h, void *b, unsigned char n) {
         return LUMO_Expired_GetAlgorithmBufferFromCache(h, kTarget, 0x0007, b,
                                                         n);
       },
       0xD2,
       {0x07, 0x00},
       true},
  };
  for (const auto &read : reads) {
    SCOPED_TRACE(read.name);
    ForgetSent();
    Bytes buffer(64, 0xEE);
    AnswerWith(Pattern(32));
    EXPECT_EQ(0, read.call(m_handle, buffer.data(), 32));
    EXPECT_EQ(Pattern(32), Bytes(buffer.begin(), buffer.begin() + 32));
    EXPECT_EQ(0xEE, buffer[32]);
    const std::vector<Bytes> sent = {Request(ControllerModel::kGet, kTargetByte,
                                             read.command, read.request)};
    EXPECT_EQ(sent, Sent());

    // Any other length fails without copying; the longest answer is taken.
    const Bytes untouched(64, 0xEE);
    for (size_t length : {31u, 33u}) {
      buffer = untouched;
      AnswerWith(Pattern(length));
      EXPECT_EQ(-1, read.call(m_handle, buffer.data(), 32)) << length;
      EXPECT_EQ(untouched, buffer);
    }
    AnswerWith(Pattern(60));
    EXPECT_EQ(0, read.call(m_handle, buffer.data(), 60));
    EXPECT_EQ(Pattern(60), Bytes(buffer.begin(), buffer.begin() + 60));
    AcknowledgeInstead();
    EXPECT_EQ(-1, read.call(m_handle, buffer.data(), 32));

    // Without a buffer: the area reads still check the answer, the others
    // refuse without I/O.
    const unsigned calls = FeatureCalls();
    if (read.needsBuffer) {
      EXPECT_EQ(-1, read.call(m_handle, nullptr, 32));
      EXPECT_EQ(calls, FeatureCalls());
    } else {
      AnswerWith(Pattern(32));
      EXPECT_EQ(0, read.call(m_handle, nullptr, 32));
      AnswerWith(Pattern(31));
      EXPECT_EQ(-1, read.call(m_handle, nullptr, 32));
      EXPECT_EQ(calls + 4, FeatureCalls());
    }
  }
}

TEST_F(LumoCommandTest, BlockAreasRoundTrip) {
  const Bytes block = Pattern(32, 0x80);
  ASSERT_EQ(0,
            LumoSetStorageBlock(m_handle, 0x80, 0x00020000, block.data(), 32));
  Bytes read(32, 0);
  ASSERT_EQ(0,
            LumoGetStorageBlock(m_handle, 0x80, 0x00020000, read.data(), 32));
  EXPECT_EQ(block, read);
  EXPECT_EQ(block, m_controller.Block(0x80, ControllerModel::Area::Storage,
                                      0x00020000));
  // Into the swap area and back to storage.
  ASSERT_EQ(0, LumoSetSwapLoadFromStorage(m_handle, 0x80, 0, 0));
  ASSERT_EQ(0, LumoGetSwapBlock(m_handle, 0x80, 0x00020000, read.data(), 32));
  EXPECT_EQ(block, read);
  ASSERT_EQ(0, LumoSetStorageErase(m_handle, 0x80, 0));
  EXPECT_EQ(
      Bytes(32, 0xFF),
      m_controller.Block(0x80, ControllerModel::Area::Storage, 0x00020000));
  ASSERT_EQ(0, LumoSetSwapSaveToStorage(m_handle, 0x80, 0, 0));
  EXPECT_EQ(block, m_controller.Block(0x80, ControllerModel::Area::Storage,
                                      0x00020000));
}

// Variable-length reads
// --------------------------------------------------------

TEST_F(LumoCommandTest, VariableLengthReads) {
  using Call = std::function<int(void *, unsigned char *, unsigned char *)>;
  enum Rule { Report, ReportAndFail, Fail };
  const struct {
    const char *name;
    Call call;
    uint8_t command;
    Bytes request;
    Rule rule;
  } reads[] = {
      {"LumoGetAllSlaveID",
       [](void *h, unsigned char *b, unsigned char *n) {
         return LumoGetAllSlaveID(h, kTarget, b, n);
       },
       0xAE,
       {},
       ReportAndFail},
      {"LumoGetDebugContextBlock",
       [](void *h, unsigned char *b, unsigned char *n) {
         return LumoGetDebugContextBlock(h, kTarget, 0x0304, b, n);
       },
       0x31,
       {0x04, 0x03},
       Report},
      {"LumoGetImageProcessorCommandResult",
       [](void *h, unsigned char *b, unsigned char *n) {
         return LumoGetImageProcessorCommandResult(h, kTarget, 0x0002, b, n);
       },
       0xD9,
       {0x02, 0x00},
       Fail},
      {"LumoGetExecuteImageProcessorCommandByCache",
       [](void *h, unsigned char *b, unsigned char *n) {
         return LumoGetExecuteImageProcessorCommandByCache(h, kTarget, 0x88, b,
                                                           n);
       },
       0xDA,
       {0x88},
       Fail},
      {"LumoGetExecuteImageProcessorCommandDirect",
       [](void *h, unsigned char *b, unsigned char *n) {
         return LumoGetExecuteImageProcessorCommandDirect(h, kTarget, 0x10, b,
                                                          n);
       },
       0xDB,
       {0x10},
       Fail},
      {"LumoGetCacheOfImageProcessorSetting",
       [](void *h, unsigned char *b, unsigned char *n) {
         return LumoGetCacheOfImageProcessorSetting(h, kTarget, 0x0100, b, n);
       },
       0xDE,
       {0x00, 0x01},
       Report},
      {"LumoGetCacheOfImageProcessorContext",
       [](void *h, unsigned char *b, unsigned char *n) {
         return LumoGetCacheOfImageProcessorContext(h, kTarget, 0x0001, b, n);
       },
       0xDF,
       {0x01, 0x00},
       Report},
      {"LumoGetTest",
       [](void *h, unsigned char *b, unsigned char *n) {
         const unsigned char data[] = {0xCA, 0xFE};
         return LumoGetTest(h, kTarget, data, 2, b, n);
       },
       0x00,
       {0xCA, 0xFE},
       Report},
  };
  const Bytes untouched(8, 0xEE);
  for (const auto &read : reads) {
    SCOPED_TRACE(read.name);
    ForgetSent();

    // Fits: copied, length stored.
    Bytes buffer = untouched;
    unsigned char length = 4;
    AnswerWith(Pattern(3));
    EXPECT_EQ(0, read.call(m_handle, buffer.data(), &length));
    EXPECT_EQ(3, length);
    EXPECT_EQ(Bytes({0x40, 0x41, 0x42, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}), buffer);
    const std::vector<Bytes> sent = {Request(ControllerModel::kGet, kTargetByte,
                                             read.command, read.request)};
    EXPECT_EQ(sent, Sent());

    // Does not fit: never copied; the rule decides result and length.
    buffer = untouched;
    length = 4;
    AnswerWith(Pattern(5));
    const int result = read.call(m_handle, buffer.data(), &length);
    EXPECT_EQ(untouched, buffer);
    EXPECT_EQ(read.rule == Report ? 0 : -1, result);
    EXPECT_EQ(read.rule == Fail ? 4 : 5, length);

    // An acknowledgement is no answer.
    length = 4;
    AcknowledgeInstead();
    EXPECT_EQ(-1, read.call(m_handle, buffer.data(), &length));

    // Without buffer or length, the stricter rules refuse without I/O.
    if (read.rule != Report) {
      const unsigned calls = FeatureCalls();
      length = 4;
      EXPECT_EQ(-1, read.call(m_handle, nullptr, &length));
      EXPECT_EQ(-1, read.call(m_handle, buffer.data(), nullptr));
      EXPECT_EQ(calls, FeatureCalls());
    }
  }
}

TEST_F(LumoCommandTest, SlaveListFromTheController) {
  m_controller.AddSlave(0x01);
  m_controller.AddSlave(0x07);
  unsigned char slaves[8] = {};
  unsigned char length = sizeof slaves;
  ASSERT_EQ(0, LumoGetAllSlaveID(m_handle, 0x80, slaves, &length));
  EXPECT_EQ(Bytes({0x01, 0x07}), Bytes(slaves, slaves + length));
}

TEST_F(LumoCommandTest, TestCommandEchoAndRefusals) {
  const unsigned char data[] = {1, 2, 3};
  unsigned char answer[8] = {};
  unsigned char length = sizeof answer;
  ASSERT_EQ(0, LumoGetTest(m_handle, 0x80, data, 3, answer, &length));
  EXPECT_EQ(Bytes({1, 2, 3}), Bytes(answer, answer + length));
  EXPECT_EQ(0, LumoSetTest(m_handle, 0x80, data, 3));
  EXPECT_EQ(0, LumoSetTest(m_handle, 0x80, nullptr, 0));
  const unsigned calls = FeatureCalls();
  EXPECT_EQ(-1, LumoGetTest(m_handle, 0x80, nullptr, 3, answer, &length));
  EXPECT_EQ(-1, LumoSetTest(m_handle, 0x80, nullptr, 3));
  EXPECT_EQ(calls, FeatureCalls());
}

TEST_F(LumoCommandTest, ExpiredExecuteThroughTheCache) {
  // The request carries the command and the caller's bytes; the answer must
  // repeat the command, and the bytes after it come back.
  unsigned char buffer[60] = {0x0A, 0x0B};
  unsigned char length = 2;
  AnswerWith({0x89, 0x31, 0x32, 0x33});
  ASSERT_EQ(0, LUMO_Expired_GetExeAlgorithmBufferByCache(
                   m_handle, kTarget, 0x89, buffer, &length));
  EXPECT_EQ(3, length);
  EXPECT_EQ(Bytes({0x31, 0x32, 0x33}), Bytes(buffer, buffer + 3));
  const std::vector<Bytes> sent = {
      Request(ControllerModel::kGet, kTargetByte, 0xD7, {0x89, 0x0A, 0x0B})};
  EXPECT_EQ(sent, Sent());

  length = 0;
  AnswerWith({0x88, 0x31});
  EXPECT_EQ(-1, LUMO_Expired_GetExeAlgorithmBufferByCache(
                    m_handle, kTarget, 0x89, buffer, &length));
  AnswerWith({});
  EXPECT_EQ(-1, LUMO_Expired_GetExeAlgorithmBufferByCache(
                    m_handle, kTarget, 0x89, buffer, &length));
  // The command alone: an empty result.
  AnswerWith({0x89});
  EXPECT_EQ(0, LUMO_Expired_GetExeAlgorithmBufferByCache(
                   m_handle, kTarget, 0x89, buffer, &length));
  EXPECT_EQ(0, length);

  const unsigned calls = FeatureCalls();
  length = 60;
  EXPECT_EQ(-1, LUMO_Expired_GetExeAlgorithmBufferByCache(
                    m_handle, kTarget, 0x89, buffer, &length));
  length = 2;
  EXPECT_EQ(-1, LUMO_Expired_GetExeAlgorithmBufferByCache(
                    m_handle, kTarget, 0x89, nullptr, &length));
  EXPECT_EQ(-1, LUMO_Expired_GetExeAlgorithmBufferByCache(
                    m_handle, kTarget, 0x89, buffer, nullptr));
  EXPECT_EQ(calls, FeatureCalls());
}

// Writes and actions
// -------------------------------------------------------------

struct Command {
  const char *name;
  std::function<int(void *)> call;
  uint8_t type;
  uint8_t command;
  Bytes data;
};

const _LumoRecord8 kRecord = {{1, 2, 3, 4, 5, 6, 7, 8}};
const unsigned char kBlock[] = {0xA1, 0xA2, 0xA3};
const unsigned char kEdge[] = {0xE1, 0xE2, 0xE3, 0xE4};

const Command kWrites[] = {
    {"LumoSetTest",
     [](void *h) { return LumoSetTest(h, kTarget, kBlock, 3); },
     0x2D,
     0x00,
     {0xA1, 0xA2, 0xA3}},
    {"LumoSetCacheLoadFromCcbSetting",
     [](void *h) { return LumoSetCacheLoadFromCcbSetting(h, kTarget); },
     0x2D,
     0x21,
     {}},
    {"LumoSetCacheSaveToCcbSetting",
     [](void *h) { return LumoSetCacheSaveToCcbSetting(h, kTarget); },
     0x2D,
     0x22,
     {}},
    {"LumoSetSettingLightSourcePwm",
     [](void *h) { return LumoSetSettingLightSourcePwm(h, kTarget, kRecord); },
     0x2D,
     0x23,
     {1, 2, 3, 4, 5, 6, 7, 8}},
    {"LumoSetLightSourcePwm",
     [](void *h) { return LumoSetLightSourcePwm(h, kTarget, kRecord); },
     0x2D,
     0x24,
     {1, 2, 3, 4, 5, 6, 7, 8}},
    {"LumoSetDeviceID",
     [](void *h) { return LumoSetDeviceID(h, kTarget, 0x33); },
     0x2D,
     0xA0,
     {0x33}},
    {"LumoSetDeviceMode",
     [](void *h) { return LumoSetDeviceMode(h, kTarget, 0x01); },
     0x2D,
     0xA2,
     {0x01}},
    {"LumoSetDeviceStatus",
     [](void *h) { return LumoSetDeviceStatus(h, kTarget, kRecord); },
     0x2D,
     0xA3,
     {1, 2, 3, 4, 5, 6, 7, 8}},
    {"LumoSetDeviceLight",
     [](void *h) { return LumoSetDeviceLight(h, kTarget, 0x64); },
     0x2D,
     0xA7,
     {0x64}},
    {"LumoSetSlaveID",
     [](void *h) { return LumoSetSlaveID(h, kTarget, 0x02); },
     0x2D,
     0xA8,
     {0x02}},
    {"LumoSetStorageBlock",
     [](void *h) {
       return LumoSetStorageBlock(h, kTarget, 0x00050000, kBlock, 3);
     },
     0x2D,
     0xB2,
     {0x00, 0x00, 0x05, 0x00, 0xA1, 0xA2, 0xA3}},
    {"LumoSetSettingBlock",
     [](void *h) {
       return LumoSetSettingBlock(h, kTarget, 0x01020304, kBlock, 3);
     },
     0x2D,
     0xB7,
     {0x04, 0x03, 0x02, 0x01, 0xA1, 0xA2, 0xA3}},
    {"LumoSetSwapBlock",
     [](void *h) {
       return LumoSetSwapBlock(h, kTarget, 0x001E0000, kBlock, 3);
     },
     0x2D,
     0xBB,
     {0x00, 0x00, 0x1E, 0x00, 0xA1, 0xA2, 0xA3}},
    {"LUMO_SetImageDeviceId",
     [](void *h) { return LUMO_SetImageDeviceId(h, kTarget, 0x09); },
     0x2D,
     0xC4,
     {0x09}},
    {"LumoSetExecuteImageProcessorCommand",
     [](void *h) {
       return LumoSetExecuteImageProcessorCommand(h, kTarget, 0x11);
     },
     0x2D,
     0xD1,
     {0x11}},
    {"LUMO_Expired_SetAlgorithmBufferToCache",
     [](void *h) {
       return LUMO_Expired_SetAlgorithmBufferToCache(h, kTarget, 0x0203, kBlock,
                                                     3);
     },
     0x2D,
     0xD2,
     {0x03, 0x02, 0xA1, 0xA2, 0xA3}},
    {"LumoSetCacheLoadFromImageProcessorSetting",
     [](void *h) {
       return LumoSetCacheLoadFromImageProcessorSetting(h, kTarget);
     },
     0x2D,
     0xD3,
     {}},
    {"LumoSetCacheSaveToImageProcessorSetting",
     [](void *h) {
       return LumoSetCacheSaveToImageProcessorSetting(h, kTarget);
     },
     0x2D,
     0xD4,
     {}},
    {"LumoSetCacheLoadFromImageProcessorContext",
     [](void *h) {
       return LumoSetCacheLoadFromImageProcessorContext(h, kTarget);
     },
     0x2D,
     0xD5,
     {}},
    {"LumoSetCacheSaveToImageProcessorContext",
     [](void *h) {
       return LumoSetCacheSaveToImageProcessorContext(h, kTarget);
     },
     0x2D,
     0xD6,
     {}},
    {"LumoSetImageProcessorCommandParam",
     [](void *h) {
       return LumoSetImageProcessorCommandParam(h, kTarget, 0x0001, kBlock, 3);
     },
     0x2D,
     0xD9,
     {0x01, 0x00, 0xA1, 0xA2, 0xA3}},
    {"LumoSetExecuteImageProcessorCommandByCache",
     [](void *h) {
       unsigned char length = 4;
       return LumoSetExecuteImageProcessorCommandByCache(h, kTarget, 0x89,
                                                         kEdge, &length);
     },
     0x2D,
     0xDA,
     {0x89, 0xE1, 0xE2, 0xE3, 0xE4}},
    {"LumoSetExecuteImageProcessorCommandDirect",
     [](void *h) {
       unsigned char length = 4;
       return LumoSetExecuteImageProcessorCommandDirect(h, kTarget, 0x11, kEdge,
                                                        &length);
     },
     0x2D,
     0xDB,
     {0x11, 0xE1, 0xE2, 0xE3, 0xE4}},
    {"LumoSetCacheOfImageProcessorSetting",
     [](void *h) {
       return LumoSetCacheOfImageProcessorSetting(h, kTarget, 0x0002, kBlock,
                                                  3);
     },
     0x2D,
     0xDE,
     {0x02, 0x00, 0xA1, 0xA2, 0xA3}},
    {"LumoSetCacheOfImageProcessorContext",
     [](void *h) {
       return LumoSetCacheOfImageProcessorContext(h, kTarget, 0x0003, kBlock,
                                                  3);
     },
     0x2D,
     0xDF,
     {0x03, 0x00, 0xA1, 0xA2, 0xA3}},
    {"LumoSetDriverWorkingMode",
     [](void *h) { return LumoSetDriverWorkingMode(h, kTarget, 0xF2); },
     0x2D,
     0xE1,
     {0xF2}},
    {"LumoSetDriverInputtingMode",
     [](void *h) { return LumoSetDriverInputtingMode(h, kTarget, 0x03); },
     0x2D,
     0xE2,
     {0x03}},
    {"LumoSetDriverInputtingType",
     [](void *h) { return LumoSetDriverInputtingType(h, kTarget, 0x04); },
     0x2D,
     0xE3,
     {0x04}},
};

const Command kActions[] = {
    {"LumoSetProtectFlash",
     [](void *h) { return LumoSetProtectFlash(h, kTarget); },
     0x3C,
     0xA9,
     {}},
    {"LumoSetBeep",
     [](void *h) { return LumoSetBeep(h, kTarget, 0x01020304); },
     0x3C,
     0xAA,
     {0x04, 0x03, 0x02, 0x01}},
    {"LumoSetResetDevice",
     [](void *h) { return LumoSetResetDevice(h, kTarget); },
     0x3C,
     0xAF,
     {}},
    {"LumoSetStorageErase",
     [](void *h) { return LumoSetStorageErase(h, kTarget, 0x1234); },
     0x3C,
     0xB1,
     {0x34, 0x12}},
    {"LumoSetSettingErase",
     [](void *h) { return LumoSetSettingErase(h, kTarget, 0x0001); },
     0x3C,
     0xB6,
     {0x01, 0x00}},
    {"LumoSetSwapErase",
     [](void *h) { return LumoSetSwapErase(h, kTarget, 0); },
     0x3C,
     0xBA,
     {0x00, 0x00}},
    {"LumoSetProcessImage",
     [](void *h) { return LumoSetProcessImage(h, kTarget); },
     0x3C,
     0xC3,
     {}},
    {"LumoSetDriverUpdate",
     [](void *h) { return LumoSetDriverUpdate(h, kTarget, 0x01); },
     0x3C,
     0xE5,
     {0x01}},
    {"LumoSetSetCrc",
     [](void *h) { return LumoSetSetCrc(h, kTarget); },
     0x3C,
     0xF0,
     {}},
    {"LumoSetEraseCrc",
     [](void *h) { return LumoSetEraseCrc(h, kTarget); },
     0x3C,
     0xF1,
     {}},
    {"LumoSetCheckCrc",
     [](void *h) { return LumoSetCheckCrc(h, kTarget); },
     0x3C,
     0xF2,
     {}},
    {"LumoSetUpgradeBegin",
     [](void *h) { return LumoSetUpgradeBegin(h, kTarget); },
     0x3C,
     0xFE,
     {}},
    {"LumoSetUpgradeEnd",
     [](void *h) { return LumoSetUpgradeEnd(h, kTarget); },
     0x3C,
     0xFF,
     {}},
};

TEST_F(LumoCommandTest, WritesAndActions) {
  // The commands go to slave 0x05, which the controller knows.
  m_controller.AddSlave(kTargetByte);
  std::vector<Command> commands(std::begin(kWrites), std::end(kWrites));
  commands.insert(commands.end(), std::begin(kActions), std::end(kActions));
  {
    for (const Command &command : commands) {
      SCOPED_TRACE(command.name);
      ForgetSent();
      EXPECT_EQ(0, command.call(m_handle));
      const std::vector<Bytes> sent = {
          Request(command.type, kTargetByte, command.command, command.data)};
      EXPECT_EQ(sent, Sent());
      m_controller.Reject(command.command);
      EXPECT_EQ(-1, command.call(m_handle));
      m_controller.ClearRejects();
    }
  }
}

TEST_F(LumoCommandTest, WritesChangeTheControllersState) {
  ASSERT_EQ(0, LumoSetDeviceID(m_handle, 0x80, 0x42));
  ASSERT_EQ(0, LumoSetDeviceStatus(m_handle, 0x80, kRecord));
  EXPECT_EQ(Bytes{0x42}, m_controller.Record(0x80, 0xA0));
  unsigned char status[8] = {};
  ASSERT_EQ(0, LumoGetDeviceStatus(m_handle, 0x80, status));
  EXPECT_EQ(Bytes(kRecord.bytes, kRecord.bytes + 8), Bytes(status, status + 8));
}

// Requests that cannot be sent fail before any I/O.
TEST_F(LumoCommandTest, RefusalsWithoutIo) {
  unsigned char data[64] = {};
  unsigned char length = 60;
  const struct {
    const char *name;
    std::function<int(void *)> call;
  } cases[] = {
      {"command parameters of 59 bytes",
       [&](void *h) {
         return LumoSetImageProcessorCommandParam(h, 0x80, 0, data, 59);
       }},
      {"setting cache block of 59 bytes",
       [&](void *h) {
         return LumoSetCacheOfImageProcessorSetting(h, 0x80, 0, data, 59);
       }},
      {"context cache block of 59 bytes",
       [&](void *h) {
         return LumoSetCacheOfImageProcessorContext(h, 0x80, 0, data, 59);
       }},
      {"execute by cache with 60 bytes",
       [&](void *h) {
         return LumoSetExecuteImageProcessorCommandByCache(h, 0x80, 0x89, data,
                                                           &length);
       }},
      {"execute direct without data",
       [&](void *h) {
         unsigned char n = 4;
         return LumoSetExecuteImageProcessorCommandDirect(h, 0x80, 0x11,
                                                          nullptr, &n);
       }},
      {"execute direct without length",
       [&](void *h) {
         return LumoSetExecuteImageProcessorCommandDirect(h, 0x80, 0x11, data,
                                                          nullptr);
       }},
      {"swap block of 55 bytes (59 with the address)",
       [&](void *h) { return LumoSetSwapBlock(h, 0x80, 0, data, 55); }},
      {"storage block of 254 bytes (not 2 after the address)",
       [&](void *h) { return LumoSetStorageBlock(h, 0x80, 0, data, 254); }},
      {"algorithm buffer of 57 bytes",
       [&](void *h) {
         return LUMO_Expired_SetAlgorithmBufferToCache(h, 0x80, 0, data, 57);
       }},
      {"block without data",
       [&](void *h) { return LumoSetSettingBlock(h, 0x80, 0, nullptr, 4); }},
      {"data mode 5", [](void *h) { return LumoSetTouchScreenDataMode(h, 5); }},
      {"all slave IDs without buffer",
       [](void *h) {
         unsigned char n = 4;
         return LumoGetAllSlaveID(h, 0x80, nullptr, &n);
       }},
      {"image block without buffer",
       [](void *h) { return LumoGetImageBlock(h, 0x80, 0, nullptr, 8); }},
  };
  for (const auto &c : cases)
    EXPECT_EQ(-1, c.call(m_handle)) << c.name;
  EXPECT_EQ(1, LumoSetTouchScreenWorkingMode(m_handle, 7));
  EXPECT_EQ(1, LumoSetTouchScreenWorkingMode(m_handle, 2));
  EXPECT_EQ(0u, m_bed.TotalIoctlCalls(m_screen));

  // The largest requests that fit still go out.
  m_controller.Reject(0xBB);
  m_controller.Reject(0xD9);
  EXPECT_EQ(-1, LumoSetSwapBlock(m_handle, 0x80, 0, data, 54));
  EXPECT_EQ(-1, LumoSetImageProcessorCommandParam(m_handle, 0x80, 0, data, 56));
  EXPECT_EQ(2u, SetCalls());
}

// Commands with an older form
// ------------------------------------------------------

TEST_F(LumoCommandTest, FallbackToTheOlderForm) {
  using Call = std::function<int(void *)>;
  const struct {
    const char *name;
    Call call;
    uint8_t command;
    Bytes first;    // data of the write form
    Bytes fallback; // data of the action form; none: not tried
  } cases[] = {
      {"swap load (0, 5)",
       [](void *h) { return LumoSetSwapLoadFromStorage(h, 0x80, 0, 5); },
       0xB8,
       {0x00, 0x00, 0x05, 0x00},
       {0x05, 0x00}},
      {"swap load (1, 5)",
       [](void *h) { return LumoSetSwapLoadFromStorage(h, 0x80, 1, 5); },
       0xB8,
       {0x01, 0x00, 0x05, 0x00},
       {}},
      {"swap save (0, 0x0102)",
       [](void *h) { return LumoSetSwapSaveToStorage(h, 0x80, 0, 0x0102); },
       0xB9,
       {0x00, 0x00, 0x02, 0x01},
       {0x02, 0x01}},
      {"swap save (3, 0)",
       [](void *h) { return LumoSetSwapSaveToStorage(h, 0x80, 3, 0); },
       0xB9,
       {0x03, 0x00, 0x00, 0x00},
       {}},
      {"capture image",
       [](void *h) { return LumoSetCaptureImage(h, 0x80); },
       0xC1,
       {},
       {0xFF, 0xFF}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes writeForm =
        Request(ControllerModel::kSet, 0x80, c.command, c.first);
    const Bytes actionForm =
        Request(ControllerModel::kExecute, 0x80, c.command, c.fallback);
    const bool hasFallback = !c.fallback.empty();

    // Accepted at once: one exchange.
    ForgetSent();
    EXPECT_EQ(0, c.call(m_handle));
    EXPECT_EQ(std::vector<Bytes>{writeForm}, Sent());

    // An older controller refuses the write form.
    ForgetSent();
    m_controller.Reject(c.command, ControllerModel::kSet);
    EXPECT_EQ(hasFallback ? 0 : -1, c.call(m_handle));
    std::vector<Bytes> sent = {writeForm};
    if (hasFallback)
      sent.push_back(actionForm);
    EXPECT_EQ(sent, Sent());

    // Both refused.
    m_controller.Reject(c.command, ControllerModel::kExecute);
    EXPECT_EQ(-1, c.call(m_handle));
    m_controller.ClearRejects();
  }
}

// Touch-screen operations
// ----------------------------------------------------------

TEST_F(LumoCommandTest, TouchScreenOperations) {
  m_controller.AddSlave(0x03);
  const struct {
    const char *name;
    std::function<int(void *)> call;
    Bytes request;
  } cases[] = {
      {"data mode 0",
       [](void *h) { return LumoSetTouchScreenDataMode(h, 0); },
       {0x2D, 0x80, 0xE1, 0xF0}},
      {"data mode 1",
       [](void *h) { return LumoSetTouchScreenDataMode(h, 1); },
       {0x2D, 0x80, 0xE1, 0xF1}},
      {"data mode 2",
       [](void *h) { return LumoSetTouchScreenDataMode(h, 2); },
       {0x2D, 0x80, 0xE1, 0xF2}},
      {"data mode 3",
       [](void *h) { return LumoSetTouchScreenDataMode(h, 3); },
       {0x2D, 0x80, 0xE1, 0xFE}},
      {"data mode 4",
       [](void *h) { return LumoSetTouchScreenDataMode(h, 4); },
       {0x2D, 0x80, 0xE1, 0xFF}},
      {"restart",
       [](void *h) { return LumoRestartTouchScreen(h); },
       {0x3C, 0x80, 0xAF}},
      {"CCB erase",
       [](void *h) { return LumoParameterCcbErase(h); },
       {0x3C, 0x80, 0xB1, 0x00, 0x00}},
      {"FCB erase",
       [](void *h) { return LumoParameterFcbErase(h, 0x103); },
       {0x3C, 0x03, 0xB1, 0x00, 0x00}},
      {"driver update",
       [](void *h) { return LumoParameterDriverUpdate(h, 1); },
       {0x3C, 0x80, 0xE5, 0x01}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ForgetSent();
    EXPECT_EQ(0, c.call(m_handle));
    EXPECT_EQ(std::vector<Bytes>{c.request}, Sent());
  }
  EXPECT_EQ(Bytes{0xFF}, m_controller.Record(0x80, 0xE1));
  EXPECT_EQ(Bytes{0x01}, m_controller.Record(0x80, 0xE5));
}

TEST_F(LumoCommandTest, WorkingModeGoesToTheMainModuleThenEachSlave) {
  m_controller.AddSlave(0x01);
  m_controller.AddSlave(0x02);
  const Bytes list = {ControllerModel::kGet, 0x80, 0xAE};
  auto mode = [](uint8_t target, uint8_t value) {
    return Bytes{ControllerModel::kSet, target, 0xA2, value};
  };

  EXPECT_EQ(0, LumoSetTouchScreenWorkingMode(m_handle, 1));
  EXPECT_EQ(
      (std::vector<Bytes>{list, mode(0x80, 1), mode(0x01, 1), mode(0x02, 1)}),
      Sent());
  for (uint8_t target : {0x80, 0x01, 0x02})
    EXPECT_EQ(Bytes{0x01}, m_controller.Record(target, 0xA2));

  // The first refusal ends it.
  ForgetSent();
  m_controller.Reject(0xA2, ControllerModel::kSet, 0x01);
  EXPECT_EQ(-1, LumoSetTouchScreenWorkingMode(m_handle, 0));
  EXPECT_EQ((std::vector<Bytes>{list, mode(0x80, 0), mode(0x01, 0)}), Sent());

  // Without the slave list, nothing is set.
  ForgetSent();
  m_controller.Reject(0xAE);
  EXPECT_EQ(-1, LumoSetTouchScreenWorkingMode(m_handle, 0));
  EXPECT_EQ(std::vector<Bytes>{list}, Sent());
}

} // namespace

namespace {

TEST_F(LumoCommandTest, CommandInformationFillsItsRecord) {
  static_assert(sizeof(_ImageProcessorCommandInfo) == 8, "packed record");
  m_controller.SetImageProcessorCommand(0x80, {0x10, 0x0102, 3, 0x20, 0x11});
  // The members are packed: compared as copies, never by reference.
  _ImageProcessorCommandInfo info{};
  ASSERT_EQ(0, LumoGetImageProcessorCommandInfo(m_handle, 0x80, 0x10, &info));
  EXPECT_EQ(0x10, info.command);
  EXPECT_EQ(0x0102, static_cast<unsigned>(info.parameterLength));
  EXPECT_EQ(3, static_cast<unsigned>(info.blockCount));
  EXPECT_EQ(0x20, static_cast<unsigned>(info.blockSize));
  EXPECT_EQ(0x11, info.form);
  // Older controllers: parameter length + 1, block count, block size.
  unsigned char expired[6] = {};
  ASSERT_EQ(
      0, LUMO_Expired_GetAlgorithmCommandInfo(m_handle, 0x80, 0x10, expired));
  EXPECT_EQ(Bytes({0x03, 0x01, 0x03, 0x00, 0x20, 0x00}),
            Bytes(expired, expired + 6));
}

} // namespace
