// Two writers and a reader on one config.xml: the file on disk is always one
// writer's whole document, never a torn or interleaved one.
#include "CConfigXML.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace {

constexpr int kKeys = 200;

std::string MakeConfig() {
  std::string xml = "<?xml version=\"1.0\" ?>\n<Config>\n<Global>\n";
  for (int i = 0; i < kKeys; ++i)
    xml += "<k" + std::to_string(i) + " writer=\"none\" round=\"0\" />\n";
  return xml + "</Global>\n</Config>\n";
}

// Opens, rewrites every key with this writer's name and saves, in a loop.
void Writer(const std::string &path, const char *name,
            const std::atomic<bool> &stop, int &rounds) {
  for (rounds = 0; !stop; ++rounds) {
    CConfigXML cfg;
    ASSERT_TRUE(cfg.Open(path.c_str()));
    for (int i = 0; i < kKeys; ++i) {
      const std::string key = "k" + std::to_string(i);
      ASSERT_TRUE(cfg.SetString("Global", key.c_str(), "writer", name));
      ASSERT_TRUE(cfg.SetInt("Global", key.c_str(), "round", rounds));
    }
    ASSERT_TRUE(cfg.Save());
    cfg.Close();
  }
}

TEST(ConfigConcurrency, ReadersAlwaysSeeOneWritersWholeDocument) {
  TempDir dir;
  const std::string path = dir.write("config.xml", MakeConfig());
  std::atomic<bool> stop{false};
  int roundsA = 0, roundsB = 0;
  std::thread a(Writer, std::cref(path), "A", std::cref(stop), std::ref(roundsA));
  std::thread b(Writer, std::cref(path), "B", std::cref(stop), std::ref(roundsB));

  int reads = 0, torn = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (std::chrono::steady_clock::now() < end) {
    // Read the file as any other program would: no lock, straight from disk.
    TiXmlDocument doc(path.c_str());
    ++reads;
    if (!doc.LoadFile()) {
      ++torn;
      continue;
    }
    TiXmlElement *global = doc.FirstChildElement()->FirstChildElement("Global");
    std::string first, firstRound;
    int count = 0;
    for (TiXmlElement *k = global->FirstChildElement(); k; k = k->NextSiblingElement()) {
      const std::string w = k->Attribute("writer"), r = k->Attribute("round");
      if (count == 0) {
        first = w;
        firstRound = r;
      }
      if (w != first || r != firstRound)
        ++torn;
      ++count;
    }
    if (count != kKeys)
      ++torn;
  }
  stop = true;
  a.join();
  b.join();
  EXPECT_EQ(0, torn) << "of " << reads << " reads";
  EXPECT_GT(roundsA, 0);
  EXPECT_GT(roundsB, 0);
  // No temporary file is left beside config.xml.
  int entries = 0;
  for (auto &e : std::filesystem::directory_iterator(dir.path())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(1, entries);
}

} // namespace
