// The daemon's scan of /proc for a program by name, against real processes
// whose argv[0] the test chooses.
#include "CKestoBoardApp.h"
#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <unistd.h>

namespace {

// A process whose argv[0] is argv0, running until the object goes.
class NamedProcess {
public:
  explicit NamedProcess(const std::string &argv0)
      : m_process({"/bin/bash", "-c", "exec -a '" + argv0 + "' sleep 60"}) {
    // bash replaces itself by the named program; wait until it has.
    const std::string self =
        "/proc/" + std::to_string(m_process.Pid()) + "/cmdline";
    for (int i = 0; i < 500; ++i) {
      std::FILE *f = std::fopen(self.c_str(), "r");
      char text[256] = {0};
      if (f) {
        std::fgets(text, sizeof text, f);
        std::fclose(f);
      }
      if (argv0 == text)
        break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  pid_t Pid() const { return m_process.Pid(); }

private:
  ChildProcess m_process;
};

TEST(ProcessScanTest, MatchesTheProgramNameWithoutItsDirectory) {
  // A name no other process on the machine has.
  const std::string name = "BoardScanProbe" + std::to_string(getpid());
  NamedProcess probe("/opt/some-dir/" + name);
  ASSERT_GT(probe.Pid(), 0);

  std::string lower = name;
  for (char &c : lower)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

  const struct {
    std::string name;
    bool exact;
    bool found;
  } cases[] = {
      {name, true, true},
      {name, false, true},
      {lower, true, false},                   // exact: letter case counts
      {lower, false, true},                   // otherwise it does not
      {"/opt/some-dir/" + name, true, false}, // only the name is compared
      {name.substr(0, name.size() - 1), true, false},
      {name + "x", false, false},
  };
  for (const auto &c : cases) {
    const long pid = CKestoBoardApp::FindProcessByName(c.name.c_str(), c.exact);
    EXPECT_EQ(pid, c.found ? probe.Pid() : -1)
        << c.name << (c.exact ? " exact" : " any case");
  }
}

TEST(ProcessScanTest, ArgumentsAreNotPartOfTheName) {
  // "sleep 60": argv[0] alone is the name, even when an argument looks like
  // one.
  const std::string name = "BoardScanArgs" + std::to_string(getpid());
  NamedProcess probe(name);
  EXPECT_EQ(CKestoBoardApp::FindProcessByName(name.c_str(), true), probe.Pid());
  EXPECT_EQ(CKestoBoardApp::FindProcessByName("60", true), -1);
}

} // namespace
