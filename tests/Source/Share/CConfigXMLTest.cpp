#include "CConfigXML.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <tinyxml.h>

namespace {

const char kConfig[] = R"XML(<?xml version="1.0" ?>
<Config>
  <Global>
    <port Karnum="4321" />
    <sort kar="0" />
  </Global>
  <KestoBoardWorkDVT>
    <Constants LIMIT_COUNT="12abc" LIMIT_MOVE="abc" RC1="0.35" RC2=" 7" />
    <coordinate dotNum="2" dot0="(10.500000,20.250000)" dot1="(bad)" />
    <Flag />
    <Constants LIMIT_COUNT="99" />
  </KestoBoardWorkDVT>
  <KestoBoardWorkDVT>
    <Second only="1" />
  </KestoBoardWorkDVT>
</Config>
)XML";

class ConfigTest : public ::testing::Test {
protected:
  void SetUp() override {
    path = dir.write("Config/config.xml", kConfig);
    ASSERT_TRUE(cfg.Open(path.c_str()));
  }
  TempDir dir;
  std::string path;
  CConfigXML cfg;
};

struct IntCase {
  const char *section, *element, *attribute;
  int before, def;
  bool result;
  int after;
};

TEST_F(ConfigTest, GetIntFollowsTheKeyTable) {
  const IntCase cases[] = {
      {"Global", "port", "Karnum", 5, 0, true, 4321},
      // Leading integer of a longer text.
      {"KestoBoardWorkDVT", "Constants", "LIMIT_COUNT", 5, 0, true, 12},
      // Text that does not scan leaves the caller's value.
      {"KestoBoardWorkDVT", "Constants", "LIMIT_MOVE", 5, 0, true, 5},
      {"KestoBoardWorkDVT", "Constants", "RC2", 5, 0, true, 7},
      // Element present, attribute absent: value kept, default not applied.
      {"KestoBoardWorkDVT", "Flag", "Enable_Soft_Sidekey", 5, 0, true, 5},
      // Element missing: default applied.
      {"KestoBoardWorkDVT", "DriverSet", "VALUE1_T", 5, 0, false, 0},
      // Section missing: default applied.
      {"KestoBoardWorkLT", "CAMERSET", "BkUpV", 5, 150, false, 150},
      // Only the first section of a name is searched.
      {"KestoBoardWorkDVT", "Second", "only", 5, -1, false, -1},
      // Empty names find nothing.
      {"", "port", "Karnum", 5, 3, false, 3},
      {"Global", "", "Karnum", 5, 3, false, 3},
  };
  for (const IntCase &c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.element + "/" + c.attribute);
    int v = c.before;
    EXPECT_EQ(c.result, cfg.GetInt(c.section, c.element, c.attribute, v, c.def));
    EXPECT_EQ(c.after, v);
  }
}

TEST_F(ConfigTest, FirstElementOfANameWins) {
  int v = 0;
  EXPECT_TRUE(cfg.GetInt("KestoBoardWorkDVT", "Constants", "LIMIT_COUNT", v, 0));
  EXPECT_EQ(12, v);
}

TEST_F(ConfigTest, GetStringCopiesOnlyWhatFits) {
  char buf[8];
  std::strcpy(buf, "keep");
  EXPECT_TRUE(cfg.GetString("KestoBoardWorkDVT", "Constants", "RC1", buf, sizeof buf));
  EXPECT_STREQ("0.35", buf);

  // Missing attribute, missing element: false, buffer untouched.
  std::strcpy(buf, "keep");
  EXPECT_FALSE(cfg.GetString("KestoBoardWorkDVT", "Constants", "NONE", buf, sizeof buf));
  EXPECT_STREQ("keep", buf);
  EXPECT_FALSE(cfg.GetString("KestoBoardWorkDVT", "Nothing", "RC1", buf, sizeof buf));
  EXPECT_STREQ("keep", buf);

  // "0.35" needs five bytes: four are refused and nothing is written past them.
  char small[6] = {'x', 'x', 'x', 'x', '#', '#'};
  EXPECT_FALSE(cfg.GetString("KestoBoardWorkDVT", "Constants", "RC1", small, 4));
  EXPECT_EQ(0, std::memcmp(small, "xxxx##", 6));
  EXPECT_TRUE(cfg.GetString("KestoBoardWorkDVT", "Constants", "RC1", small, 5));
  EXPECT_STREQ("0.35", small);
}

TEST_F(ConfigTest, SetOperationsNeverCreateSectionsOrElements) {
  const double pts[1][2] = {{1, 2}};
  EXPECT_FALSE(cfg.SetInt("Global", "missing", "x", 1));
  EXPECT_FALSE(cfg.SetInt("NoSection", "port", "Karnum", 1));
  EXPECT_FALSE(cfg.SetString("Global", "missing", "x", "v"));
  EXPECT_FALSE(cfg.SetPoints("Global", "missing", "dot", 1, pts));
  EXPECT_TRUE(cfg.Save());
  cfg.Close();

  CConfigXML again;
  ASSERT_TRUE(again.Open(path.c_str()));
  EXPECT_EQ(nullptr, again.FindKey("Global", "missing"));
  EXPECT_EQ(nullptr, again.FindKey("NoSection", "port"));
  int port = 0;
  again.GetInt("Global", "port", "Karnum", port, 0);
  EXPECT_EQ(4321, port);
}

TEST_F(ConfigTest, SetCreatesMissingAttributesAndSaveRoundTrips) {
  EXPECT_TRUE(cfg.SetInt("Global", "sort", "kar", 1));
  EXPECT_TRUE(cfg.SetInt("KestoBoardWorkDVT", "Flag", "Is_Had_Hand", -3));
  EXPECT_TRUE(cfg.SetString("KestoBoardWorkDVT", "Flag", "Name", "a b<&>"));
  EXPECT_TRUE(cfg.Save());
  cfg.Close();

  CConfigXML again;
  ASSERT_TRUE(again.Open(path.c_str()));
  int kar = 0, hand = 0;
  char name[32] = "";
  EXPECT_TRUE(again.GetInt("Global", "sort", "kar", kar, 0));
  EXPECT_TRUE(again.GetInt("KestoBoardWorkDVT", "Flag", "Is_Had_Hand", hand, 0));
  EXPECT_TRUE(again.GetString("KestoBoardWorkDVT", "Flag", "Name", name, sizeof name));
  EXPECT_EQ(1, kar);
  EXPECT_EQ(-3, hand);
  EXPECT_STREQ("a b<&>", name);
}

TEST_F(ConfigTest, PointsAreWrittenWithSixDecimalsAndReadBack) {
  const double in[4][2] = {{0, 0}, {1000, 500}, {-1.25, 2.5}, {1e6, 0.000001}};
  EXPECT_TRUE(cfg.SetPoints("KestoBoardWorkDVT", "coordinate", "dot", 4, in));
  TiXmlElement *key = cfg.FindKey("KestoBoardWorkDVT", "coordinate");
  ASSERT_NE(nullptr, key);
  EXPECT_STREQ("(0.000000,0.000000)", key->Attribute("dot0"));
  EXPECT_STREQ("(1000.000000,500.000000)", key->Attribute("dot1"));
  EXPECT_STREQ("(-1.250000,2.500000)", key->Attribute("dot2"));
  EXPECT_STREQ("(1000000.000000,0.000001)", key->Attribute("dot3"));

  double out[4][2] = {};
  EXPECT_TRUE(cfg.GetPoints("KestoBoardWorkDVT", "coordinate", "dot", 4, out));
  for (int i = 0; i < 4; ++i) {
    EXPECT_DOUBLE_EQ(in[i][0], out[i][0]);
    EXPECT_DOUBLE_EQ(in[i][1], out[i][1]);
  }
}

TEST_F(ConfigTest, UnreadablePointsLeaveTheirSlot) {
  double out[3][2] = {{7, 7}, {8, 8}, {9, 9}};
  EXPECT_TRUE(cfg.GetPoints("KestoBoardWorkDVT", "coordinate", "dot", 3, out));
  EXPECT_DOUBLE_EQ(10.5, out[0][0]);
  EXPECT_DOUBLE_EQ(20.25, out[0][1]);
  EXPECT_DOUBLE_EQ(8, out[1][0]); // "(bad)"
  EXPECT_DOUBLE_EQ(9, out[2][0]); // missing
  EXPECT_FALSE(cfg.GetPoints("KestoBoardWorkDVT", "none", "dot", 3, out));
}

TEST_F(ConfigTest, PointNamesLongerThanFourteenCharactersAreRefused) {
  const double in[11][2] = {};
  double out[11][2] = {};
  // "abcdefghijklm" + "9" is 14 characters: accepted.
  EXPECT_TRUE(cfg.SetPoints("KestoBoardWorkDVT", "coordinate", "abcdefghijklm", 10, in));
  // Index 10 would make 15 characters: refused before anything is written.
  EXPECT_FALSE(cfg.SetPoints("KestoBoardWorkDVT", "Flag", "abcdefghijklm", 11, in));
  EXPECT_EQ(nullptr, cfg.FindKey("KestoBoardWorkDVT", "Flag")->Attribute("abcdefghijklm0"));
  EXPECT_FALSE(cfg.GetPoints("KestoBoardWorkDVT", "coordinate", "abcdefghijklm", 11, out));
}

// Builds the German locale (decimal comma) into a private folder, so the test
// does not depend on the locales the machine happens to have generated.
bool UseDecimalCommaLocale(const TempDir &dir) {
  const std::string cmd = "localedef -i de_DE -f UTF-8 " + dir.file("de_DE.UTF-8") +
                          " >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0)
    return false;
  setenv("LOCPATH", dir.path().c_str(), 1);
  return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr &&
         std::string(std::localeconv()->decimal_point) == ",";
}

TEST_F(ConfigTest, NumbersUseADecimalPointWhateverTheLocale) {
  TempDir locales;
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  ASSERT_TRUE(UseDecimalCommaLocale(locales));

  const double in[1][2] = {{1.5, -2.75}};
  EXPECT_TRUE(cfg.SetPoints("KestoBoardWorkDVT", "coordinate", "dot", 1, in));
  EXPECT_STREQ("(1.500000,-2.750000)",
               cfg.FindKey("KestoBoardWorkDVT", "coordinate")->Attribute("dot0"));
  double out[2][2] = {};
  EXPECT_TRUE(cfg.GetPoints("KestoBoardWorkDVT", "coordinate", "dot", 2, out));
  EXPECT_DOUBLE_EQ(1.5, out[0][0]);
  EXPECT_DOUBLE_EQ(-2.75, out[0][1]);

  std::setlocale(LC_ALL, previous.c_str());
  unsetenv("LOCPATH");
}

TEST(ConfigLifecycle, EmptyInstanceFindsNothing) {
  CConfigXML cfg;
  int v = 9;
  EXPECT_FALSE(cfg.GetInt("Global", "port", "Karnum", v, 3));
  EXPECT_EQ(3, v);
  EXPECT_FALSE(cfg.SetInt("Global", "port", "Karnum", 1));
  EXPECT_FALSE(cfg.Save());
}

TEST(ConfigLifecycle, MissingOrBrokenFileFailsAfterAllAttempts) {
  TempDir dir;
  const std::string broken = dir.write("broken.xml", "<Config><Global>");
  for (const std::string &path : {dir.file("absent.xml"), broken}) {
    CConfigXML cfg;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(cfg.Open(path.c_str()));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    // Fourteen pauses of 20 ms: the retries really happened.
    EXPECT_GE(elapsed, std::chrono::milliseconds(14 * CConfigXML::kOpenRetryMs));
    int v = 1;
    EXPECT_FALSE(cfg.GetInt("Global", "port", "Karnum", v, 0));
    EXPECT_EQ(0, v);
  }
  // The broken file is left as it was.
  EXPECT_EQ("<Config><Global>", TempDir::read(broken));
}

TEST(ConfigLifecycle, OpenWaitsForTheLockHeldByAnotherThread) {
  TempDir dir;
  const std::string path = dir.write("config.xml", kConfig);
  std::unique_lock<std::mutex> held(CConfigXML::FileLock());
  std::thread releaser([&held] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    held.unlock();
  });
  CConfigXML cfg;
  EXPECT_TRUE(cfg.Open(path.c_str()));
  releaser.join();
}

TEST(ConfigLifecycle, FileThatAppearsDuringTheRetriesIsLoaded) {
  TempDir dir;
  const std::string path = dir.file("config.xml");
  std::thread writer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    dir.write("config.xml.tmp", kConfig);
    std::rename(dir.file("config.xml.tmp").c_str(), path.c_str());
  });
  CConfigXML cfg;
  EXPECT_TRUE(cfg.Open(path.c_str()));
  writer.join();
  int port = 0;
  EXPECT_TRUE(cfg.GetInt("Global", "port", "Karnum", port, 0));
  EXPECT_EQ(4321, port);
}

TEST(ConfigLifecycle, FailedSaveIsReportedAndLeavesNoTemporaryFile) {
  TempDir dir;
  const std::string path = dir.write("Config/config.xml", kConfig);
  CConfigXML cfg;
  ASSERT_TRUE(cfg.Open(path.c_str()));
  ASSERT_TRUE(cfg.SetInt("Global", "sort", "kar", 1));
  ASSERT_TRUE(cfg.Save());
  // A destination that has become a folder cannot be replaced: the rename
  // fails after the temporary file was written, the save reports it, and no
  // temporary file is left behind.
  CConfigXML intoDir;
  ASSERT_TRUE(intoDir.Open(path.c_str()));
  std::filesystem::remove(path);
  std::filesystem::create_directory(path);
  std::filesystem::create_directory(path + "/keep");
  EXPECT_FALSE(intoDir.Save());
  size_t entries = 0;
  for (auto &e : std::filesystem::directory_iterator(dir.path() / "Config")) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(1u, entries);
}

} // namespace
