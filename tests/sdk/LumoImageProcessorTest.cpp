// The image-processor algorithm operations (the edge values) in every form
// the controller may name, against the controller model.
#include "ControllerFixture.h"

#include <Lumo/LumoCommand.h>

namespace {

using Info = ControllerModel::ImageProcessorCommand;
using Edge = std::pair<int16_t, int16_t>;
constexpr uint8_t kMain = ControllerModel::kMain;
constexpr uint8_t G = ControllerModel::kGet;
constexpr uint8_t S = ControllerModel::kSet;

class LumoImageProcessorTest : public ControllerFixture {
protected:
  // The command codes of the requests sent, in order.
  Bytes Codes() const {
    Bytes codes;
    for (const Bytes &request : Sent())
      codes.push_back(request[2]);
    return codes;
  }
};

TEST_F(LumoImageProcessorTest, GetEdgeInEachForm) {
  const struct {
    const char *name;
    Info info;
    std::vector<uint8_t> rejected; // commands the controller refuses
    bool failAlgorithm;
    int result;
    Bytes codes;
  } cases[] = {
      {"direct form, one exchange",
       {0x10, 4, 1, 8, 0x11},
       {},
       false,
       0,
       {0xD8, 0xDB}},
      {"direct form, block by block when the one exchange is refused",
       {0x10, 4, 2, 8, 0x11},
       {0xDB},
       false,
       0,
       {0xD8, 0xDB, 0xD1, 0xD9, 0xD9}},
      {"direct form, block by block for a result longer than an answer",
       {0x10, 64, 2, 32, 0x11},
       {},
       false,
       0,
       {0xD8, 0xD1, 0xD9, 0xD9}},
      {"cache form",
       {0x10, 4, 2, 4, 0x00},
       {},
       false,
       0,
       {0xD8, 0xD2, 0xD2, 0xD1, 0xD2, 0xD2}},
      {"cache form from the expired information",
       {0x10, 4, 1, 8, 0x00},
       {0xD8},
       false,
       0,
       {0xD8, 0xD0, 0xD2, 0xD1, 0xD2}},
      {"cache form, status byte 0",
       {0x10, 4, 1, 8, 0x00},
       {},
       true,
       -1,
       {0xD8, 0xD2, 0xD1, 0xD2}},
      {"a failing block read",
       {0x10, 4, 2, 8, 0x11},
       {0xDB, 0xD9},
       false,
       -1,
       {0xD8, 0xDB, 0xD1, 0xD9}},
      {"no information at all",
       {0x10, 4, 1, 8, 0x11},
       {0xD8, 0xD0},
       false,
       -1,
       {0xD8, 0xD0}},
      {"unknown form", {0x10, 4, 1, 8, 0x33}, {}, false, -1, {0xD8}},
      {"result shorter than the two values",
       {0x10, 3, 1, 8, 0x11},
       {},
       false,
       -1,
       {0xD8}},
      {"work area too small for status and result",
       {0x10, 4, 1, 4, 0x00},
       {},
       false,
       -1,
       {0xD8}},
      {"block larger than an answer",
       {0x10, 4, 1, 61, 0x11},
       {},
       false,
       -1,
       {0xD8}},
  };
  m_controller.SetEdge(kMain, -3, 1200);
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ForgetSent();
    m_controller.SetImageProcessorCommand(kMain, c.info);
    for (uint8_t command : c.rejected)
      m_controller.Reject(command);
    m_controller.FailAlgorithm(0x10, c.failAlgorithm);
    short a = 0, b = 0;
    EXPECT_EQ(c.result, LUMO_Alg_GetEdge(m_handle, kMain, &a, &b));
    EXPECT_EQ(c.codes, Codes());
    if (c.result == 0) {
      EXPECT_EQ(-3, a);
      EXPECT_EQ(1200, b);
    }
    m_controller.ClearRejects();
  }
}

TEST_F(LumoImageProcessorTest, CacheFormExchangesByteForByte) {
  m_controller.SetEdge(kMain, 0x0102, -2);
  m_controller.SetImageProcessorCommand(kMain, {0x10, 4, 2, 4, 0x00});
  short a = 0, b = 0;
  ASSERT_EQ(0, LUMO_Alg_GetEdge(m_handle, kMain, &a, &b));
  const std::vector<Bytes> sent = {
      {G, kMain, 0xD8, 0x10},
      {S, kMain, 0xD2, 0x00, 0x00, 0, 0, 0, 0}, // zeroed work area, block 0
      {S, kMain, 0xD2, 0x01, 0x00, 0, 0, 0, 0}, // block 1
      {S, kMain, 0xD1, 0x10},                   // run
      {G, kMain, 0xD2, 0x00, 0x00},             // read back block 0
      {G, kMain, 0xD2, 0x01, 0x00},             // block 1
  };
  EXPECT_EQ(sent, Sent());
  EXPECT_EQ(0x0102, a);
  EXPECT_EQ(-2, b);
}

TEST_F(LumoImageProcessorTest, GetEdgeSettingRunsItsOwnCommand) {
  m_controller.SetEdgeSetting(kMain, 7, -7);
  m_controller.SetImageProcessorCommand(kMain, {0x88, 4, 1, 8, 0x11});
  short a = 0, b = 0;
  ASSERT_EQ(0, LUMO_Alg_GetEdge_Setting(m_handle, kMain, &a, &b));
  EXPECT_EQ(7, a);
  EXPECT_EQ(-7, b);
  const std::vector<Bytes> sent = {{G, kMain, 0xD8, 0x88},
                                   {G, kMain, 0xDB, 0x88}};
  EXPECT_EQ(sent, Sent());
  EXPECT_EQ(-1, LUMO_Alg_GetEdge_Setting(m_handle, kMain, nullptr, &b));
}

TEST_F(LumoImageProcessorTest, SetEdgeInEachForm) {
  const struct {
    const char *name;
    Info info;
    std::vector<uint8_t> rejected;
    int result;
    std::vector<Bytes> sent;
  } cases[] = {
      {"direct form for writing",
       {0x11, 4, 1, 8, 0x22},
       {},
       0,
       {{G, kMain, 0xD8, 0x11},
        {S, kMain, 0xD9, 0x00, 0x00, 0xFE, 0xFF, 0x2C, 0x01, 0, 0, 0, 0},
        {S, kMain, 0xD1, 0x11}}},
      {"cache form: status byte, then the values",
       {0x11, 4, 2, 4, 0x00},
       {},
       0,
       {{G, kMain, 0xD8, 0x11},
        {S, kMain, 0xD2, 0x00, 0x00, 0x00, 0xFE, 0xFF, 0x2C},
        {S, kMain, 0xD2, 0x01, 0x00, 0x01, 0, 0, 0},
        {S, kMain, 0xD1, 0x11}}},
      {"the run refused",
       {0x11, 4, 1, 8, 0x22},
       {0xD1},
       -1,
       {{G, kMain, 0xD8, 0x11},
        {S, kMain, 0xD9, 0x00, 0x00, 0xFE, 0xFF, 0x2C, 0x01, 0, 0, 0, 0},
        {S, kMain, 0xD1, 0x11}}},
      {"the form for reading",
       {0x11, 4, 1, 8, 0x11},
       {},
       -1,
       {{G, kMain, 0xD8, 0x11}}},
      {"parameters longer than the work area",
       {0x11, 8, 1, 4, 0x22},
       {},
       -1,
       {{G, kMain, 0xD8, 0x11}}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ForgetSent();
    m_controller.SetEdge(kMain, 0, 0);
    m_controller.SetImageProcessorCommand(kMain, c.info);
    for (uint8_t command : c.rejected)
      m_controller.Reject(command);
    EXPECT_EQ(c.result, LUMO_Alg_SetEdge(m_handle, kMain, -2, 300));
    EXPECT_EQ(c.sent, Sent());
    if (c.result == 0) {
      EXPECT_EQ(Edge(-2, 300), m_controller.Edge(kMain));
    }
    m_controller.ClearRejects();
  }
}

TEST_F(LumoImageProcessorTest, SetEdgeSettingThroughTheSettingCache) {
  const struct {
    const char *name;
    std::pair<int16_t, int16_t> stored; // the setting before the call
    std::vector<std::pair<uint8_t, uint8_t>> rejected; // command, frame type
    int result;
    Bytes codes;
  } cases[] = {
      {"load, change, save", {0, 0}, {}, 0, {0xD3, 0xDA, 0xD4}},
      {"change in the expired form",
       {0, 0},
       {{0xDA, S}},
       0,
       {0xD3, 0xDA, 0xD7, 0xD4}},
      {"loading refused", {0, 0}, {{0xD3, S}}, -1, {0xD3}},
      {"change refused in both forms",
       {0, 0},
       {{0xDA, S}, {0xD7, G}},
       -1,
       {0xD3, 0xDA, 0xD7}},
      {"save refused, the setting reads back otherwise",
       {0, 0},
       {{0xD4, S}},
       -1,
       {0xD3, 0xDA, 0xD4, 0xD3, 0xDA}},
      {"save refused, the setting reads back the values",
       {-5, 9},
       {{0xD4, S}},
       0,
       {0xD3, 0xDA, 0xD4, 0xD3, 0xDA}},
      {"save refused, read back in the expired form",
       {-5, 9},
       {{0xD4, S}, {0xDA, G}},
       0,
       {0xD3, 0xDA, 0xD4, 0xD3, 0xDA, 0xD7}},
      {"save refused, no read back",
       {-5, 9},
       {{0xD4, S}, {0xDA, G}, {0xD7, G}},
       -1,
       {0xD3, 0xDA, 0xD4, 0xD3, 0xDA, 0xD7}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ForgetSent();
    m_controller.SetEdgeSetting(kMain, c.stored.first, c.stored.second);
    for (const auto &rule : c.rejected)
      m_controller.Reject(rule.first, rule.second);
    EXPECT_EQ(c.result, LUMO_Alg_SetEdge_Setting(m_handle, kMain, -5, 9));
    EXPECT_EQ(c.codes, Codes());
    m_controller.ClearRejects();
  }
  // The change itself: the 4 value bytes after the command.
  ForgetSent();
  m_controller.SetEdgeSetting(kMain, 0, 0);
  ASSERT_EQ(0, LUMO_Alg_SetEdge_Setting(m_handle, kMain, -5, 9));
  EXPECT_EQ((Bytes{S, kMain, 0xDA, 0x89, 0xFB, 0xFF, 0x09, 0x00}), Sent()[1]);
  EXPECT_EQ(Edge(-5, 9), m_controller.EdgeSetting(kMain));
}

} // namespace
