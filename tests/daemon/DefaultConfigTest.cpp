// The configuration installed with the daemon: every key the daemon reads
// for the optical board is there with a working value, and every element the
// daemon writes into exists (the accessor never creates elements).
#include "CConfigXML.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class DefaultConfigTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(config.Open(BOARD_DEFAULT_CONFIG)); }
  CConfigXML config;
};

TEST_F(DefaultConfigTest, HoldsTheIntegerKeys) {
  const struct {
    const char *section, *element, *attribute;
    int value;
  } keys[] = {
      {"Global", "port", "Karnum", 6677},
      {"Global", "sort", "kar", 0},
      {"KestoBoardWorkDVT", "coordinate", "dotNum", 4},
      {"KestoBoardWorkDVT", "Constants", "LIMIT_COUNT", 120},
      {"KestoBoardWorkDVT", "Constants", "LIMIT_MOVE", 3},
      {"KestoBoardWorkDVT", "Constants", "ORIENT_RECV_DATA_SIZE", 10},
      {"KestoBoardWorkDVT", "Constants", "SIDEKEY_POINT_SIZE", 0},
      {"KestoBoardWorkDVT", "Flag", "Enable_Soft_Sidekey", 0},
      {"KestoBoardWorkDVT", "Flag", "Is_Had_Hand", 0},
      {"KestoBoardWorkDVT", "Flag", "bKeyPen", 0},
      {"KestoBoardWorkDVT", "Flag", "Is_SpeedFirst", 0},
      {"KestoBoardWorkDVT", "DriverSet", "VALUE1_T", 100},
      {"KestoBoardWorkDVT", "DriverSet", "VALUE2_T", 200},
      {"KestoBoardWorkDVT", "DriverSet", "GESTURE_T", 0},
  };
  for (const auto &k : keys) {
    int value = -12345;
    EXPECT_TRUE(config.GetInt(k.section, k.element, k.attribute, value, -1))
        << k.element << "/" << k.attribute;
    EXPECT_EQ(value, k.value) << k.element << "/" << k.attribute;
  }
}

TEST_F(DefaultConfigTest, HoldsTheTextKeysAndTheDefaultCalibration) {
  char text[64];
  ASSERT_TRUE(config.GetString("KestoBoardWorkDVT", "Constants", "RC1", text,
                               sizeof text));
  EXPECT_STREQ(text, "0.4");
  ASSERT_TRUE(config.GetString("KestoBoardWorkDVT", "Constants", "RC2", text,
                               sizeof text));
  EXPECT_STREQ(text, "0.6");
  ASSERT_TRUE(
      config.GetString("Global", "CurrentRun", "TYPE", text, sizeof text));
  EXPECT_STREQ(text, "");

  double points[4][2] = {};
  ASSERT_TRUE(
      config.GetPoints("KestoBoardWorkDVT", "coordinate", "dot", 4, points));
  const double corners[4][2] = {
      {1000, 500}, {1000, 32000}, {32000, 500}, {32000, 32000}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(points[i][0], corners[i][0]) << i;
    EXPECT_EQ(points[i][1], corners[i][1]) << i;
  }
}

TEST_F(DefaultConfigTest, HasEveryElementTheDaemonWritesInto) {
  const char *const elements[][2] = {
      {"Global", "sort"},
      {"Global", "CurrentRun"},
      {"KestoBoardWorkDVT", "coordinate"},
      {"KestoBoardWorkDVT", "HOTKEY"},
      {"KestoBoardWorkDVT", "Flag"},
  };
  for (const auto &e : elements)
    EXPECT_NE(config.FindKey(e[0], e[1]), nullptr) << e[0] << "/" << e[1];
}

} // namespace
