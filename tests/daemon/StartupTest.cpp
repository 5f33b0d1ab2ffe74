// Start-up of the real Tavio_Driver program against a temporary working
// directory and a private X display: its console lines, the port it takes
// from the configuration, and the failures that end it.
#include "ChildProcess.h"
#include "DaemonEnvironment.h"
#include "ProcNet.h"
#include "TcpListener.h"
#include "XvfbDisplay.h"
#include "support/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

std::string Config(const std::string &port) {
  return "<?xml version=\"1.0\" ?>\n<BoardDriver>\n  <Global>\n"
         "    <port Karnum=\"" +
         port + "\" />\n  </Global>\n</BoardDriver>\n";
}

// A GNU message catalog (.mo, little endian) that holds only the header
// entry, as msgfmt writes it for a catalog without translations.
std::string MessageCatalog() {
  const std::string header = "Content-Type: text/plain; charset=UTF-8\n";
  std::string mo;
  auto word = [&mo](unsigned v) {
    for (int i = 0; i < 4; ++i)
      mo.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
  };
  const unsigned originals = 28, translations = 36, strings = 44;
  word(0x950412de); // magic
  word(0);          // revision
  word(1);          // one entry
  word(originals);
  word(translations);
  word(0); // no hash table
  word(0);
  word(0);                                    // original "": length 0
  word(strings);                              //   at its offset
  word(static_cast<unsigned>(header.size())); // translation: the header
  word(strings + 1);
  mo.push_back('\0');
  mo += header;
  mo.push_back('\0');
  return mo;
}

class StartupTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(display.Start()); }

  std::unique_ptr<ChildProcess> StartDaemon() {
    return std::make_unique<ChildProcess>(
        std::vector<std::string>{TAVIO_DRIVER_PATH},
        DaemonEnvironment(dir.path().string(), display.Name()));
  }

  // The daemon's lines that start with "**KestoLog**", until the line that
  // starts with last (included) or the end of its output.
  static std::vector<std::string> KestoLines(ChildProcess &daemon,
                                             const std::string &last) {
    std::vector<std::string> lines;
    std::string line;
    while (daemon.ReadLine(line, 15000)) {
      if (line.compare(0, 12, "**KestoLog**") == 0)
        lines.push_back(line);
      if (line.compare(0, last.size(), last) == 0)
        break;
    }
    return lines;
  }

  static int ExitStatus(ChildProcess &daemon) {
    int status = 0;
    if (!daemon.Wait(status, 15000))
      return -1000;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }

  XvfbDisplay display;
  TempDir dir;
};

TEST_F(StartupTest, StartsInOrderAndServesTheConfiguredPort) {
  const unsigned short port = TcpListener::FreePort();
  dir.write("Config/config.xml", Config(std::to_string(port)));
  auto daemon = StartDaemon();
  ASSERT_TRUE(daemon->Running());

  const std::string portLine =
      "**KestoLog**DriverIPCPortNum>> " + std::to_string(port);
  // No catalogs in the working directory: both languages fail.
  EXPECT_THAT(KestoLines(*daemon, portLine),
              ElementsAre("**KestoLog**Failed to set the Program language",
                          "**KestoLog**Failed to set the Program language",
                          "**KestoLog**Tavio_Driver", portLine));

  // The IPC server listens there, on the loopback address only.
  std::vector<std::string> addresses;
  for (int i = 0; i < 200 && addresses.empty(); ++i) {
    addresses = LocalAddressesOfPort("/proc/net/tcp", port);
    usleep(10000);
  }
  EXPECT_THAT(addresses, ElementsAre("127.0.0.1"));

  // SIGTERM ends the event loop and the daemon exits cleanly.
  daemon->Signal(SIGTERM);
  EXPECT_EQ(ExitStatus(*daemon), 0) << daemon->Transcript();
}

TEST_F(StartupTest, MissingConfigIsReportedAndServesPortZero) {
  auto daemon = StartDaemon();
  const std::vector<std::string> lines =
      KestoLines(*daemon, "**KestoLog**DriverIPCPortNum>> ");
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "**KestoLog**DriverIPCPortNum>> 0");
  EXPECT_THAT(lines, Contains(HasSubstr("Config/config.xml")));

  // Still running: service "0" is a port the system picks.
  int status;
  EXPECT_FALSE(daemon->Wait(status, 500));
  daemon->Signal(SIGTERM);
  EXPECT_EQ(ExitStatus(*daemon), 0) << daemon->Transcript();
}

TEST_F(StartupTest, UnusablePortEndsStartUp) {
  TcpListener taken;
  ASSERT_TRUE(taken.Listening());
  const std::string ports[] = {std::to_string(taken.Port()), "70000", "-5"};
  for (const std::string &port : ports) {
    SCOPED_TRACE(port);
    dir.write("Config/config.xml", Config(port));
    auto daemon = StartDaemon();
    const std::string portLine = "**KestoLog**DriverIPCPortNum>> " + port;
    EXPECT_THAT(KestoLines(*daemon, portLine), Contains(portLine));
    // The daemon ends by itself, with a failure status.
    const int status = ExitStatus(*daemon);
    EXPECT_NE(status, 0) << daemon->Transcript();
    EXPECT_NE(status, -1000) << "still running";
  }
}

TEST_F(StartupTest, CatalogInTheWorkingDirectorySetsTheLanguage) {
  dir.write("Config/config.xml",
            Config(std::to_string(TcpListener::FreePort())));
  const std::string catalog = MessageCatalog();
  dir.write("LANG/en_US/BoardDriver.mo", catalog);
  auto daemon = StartDaemon();
  const std::vector<std::string> lines =
      KestoLines(*daemon, "**KestoLog**DriverIPCPortNum>> ");
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "**KestoLog**Successfully set the Program language")
      << daemon->Transcript();
  daemon->Signal(SIGTERM);
  EXPECT_EQ(ExitStatus(*daemon), 0);
}

} // namespace
