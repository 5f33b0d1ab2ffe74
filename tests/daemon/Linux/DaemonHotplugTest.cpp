// The real Tavio_Driver inside the umockdev testbed of this test: the daemon
// enumerates and monitors the emulated devices with the real libudev, and
// its libLumo talks to the emulated touch screen, whose controller model
// answers in this process.
#include "ChildProcess.h"
#include "DaemonEnvironment.h"
#include "TcpListener.h"
#include "XvfbDisplay.h"
#include "support/ControllerModel.h"
#include "support/EmulatedTouchScreen.h"
#include "support/BoardMark.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

long Entries(const std::string &dir) {
  std::error_code ec;
  long n = 0;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end;
       it.increment(ec))
    ++n;
  return n;
}

class DaemonHotplugTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(display.Start());
    const std::string port = std::to_string(TcpListener::FreePort());
    dir.write("Config/config.xml",
              "<?xml version=\"1.0\" ?>\n<BoardDriver>\n  <Global>\n"
              "    <port Karnum=\"" + port + "\" />\n"
              "    <sort kar=\"0\" />\n  </Global>\n</BoardDriver>\n");
  }

  // Starts the daemon; it inherits the testbed (umockdev's preload and
  // directory) from this process's environment.
  void StartDaemon() {
    auto env = DaemonEnvironment(dir.path().string(), display.Name());
    env["LSAN_OPTIONS"] =
        "suppressions=" LSAN_GTK_SUPPRESSIONS ":print_suppressions=0";
    daemon = std::make_unique<ChildProcess>(
        std::vector<std::string>{TAVIO_DRIVER_PATH}, env);
    ASSERT_TRUE(daemon->Running());
  }

  // Reads the daemon's lines until one equal to `line`.
  bool ReadUntil(const std::string &line) {
    std::string got;
    while (daemon->ReadLine(got, 15000))
      if (got == line)
        return true;
    return false;
  }

  int Kar() const { return BoardMark(dir.file("Config/config.xml")); }

  size_t DataModeRequests() const {
    size_t n = 0;
    for (const ControllerModel::Request &r : controller.Commands())
      n += r.command == 0xE1 && r.data == std::vector<uint8_t>{0xF2};
    return n;
  }

  int StopDaemon() {
    daemon->Signal(SIGTERM);
    int status = 0;
    if (!daemon->Wait(status, 20000))
      return -1000;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }

  XvfbDisplay display;
  TempDir dir;
  EmulatedTouchScreen bed;
  ControllerModel controller;
  std::unique_ptr<ChildProcess> daemon;
};

TEST_F(DaemonHotplugTest, BoardPluggedInAtStartIsAttached) {
  const EmulatedDevice screen = bed.AddTouchScreen();
  controller.AttachTo(bed, screen);
  StartDaemon();

  // The attach, in order, as the daemon prints it.
  const char *lines[] = {"m_brun:0bEnum:1",
                         "CKestoBoardNotifyLinux::processAdd------",
                         "CKestoBoardNotifyLinux::processAdd iPid:2211,ivid:2621",
                         "**KestoLog**processAdd>>20",
                         "have dev insert.......",
                         "0.......enter message entry..................."};
  for (const char *line : lines)
    ASSERT_TRUE(ReadUntil(line)) << "missing: " << line << "\n"
                                 << daemon->Transcript();
  EXPECT_TRUE(WaitFor([&] { return Kar() == 1; }));
  // The receiver opened the touch screen and set its data mode.
  EXPECT_TRUE(WaitFor([&] { return DataModeRequests() == 1; }))
      << daemon->Transcript();

  EXPECT_EQ(0, StopDaemon()) << daemon->Transcript();
}

TEST_F(DaemonHotplugTest, RepeatedPlugsCostTheSame) {
  // One emulated board, present at start (so its node exists when the first
  // receiver looks), then unplugged and plugged in again from udev's view:
  // each "add" starts a receiver that opens the touch screen anew.
  const EmulatedDevice screen = bed.AddTouchScreen();
  controller.AttachTo(bed, screen);
  const std::string interface = EmulatedTouchScreen::InterfaceSysPath(screen);
  StartDaemon();
  const std::string proc = "/proc/" + std::to_string(daemon->Pid());
  constexpr int kCycles = 200;
  long tasksAfterFirst = 0, fdsAfterFirst = 0;
  for (int cycle = 1; cycle <= kCycles; ++cycle) {
    if (cycle > 1) {
      bed.SendUevent(interface, "remove");
      bed.SendUevent(interface, "add");
    }
    ASSERT_TRUE(WaitFor([&] { return DataModeRequests() == size_t(cycle); }))
        << "cycle " << cycle << "\n" << daemon->Transcript();
    if (cycle == 1) {
      // The receiver thread ends right after the data mode: let it go.
      std::this_thread::sleep_for(500ms);
      tasksAfterFirst = Entries(proc + "/task");
      fdsAfterFirst = Entries(proc + "/fd");
    }
    // Keep the daemon's console pipe drained.
    std::string line;
    while (daemon->TryReadLine(line)) {
    }
  }
  // One session open, as after the first plug.
  EXPECT_TRUE(WaitFor([&] { return Entries(proc + "/task") == tasksAfterFirst; },
                      5000ms))
      << Entries(proc + "/task") << " threads, after the first plug "
      << tasksAfterFirst;
  EXPECT_TRUE(WaitFor([&] { return Entries(proc + "/fd") == fdsAfterFirst; },
                      5000ms))
      << Entries(proc + "/fd") << " descriptors, after the first plug "
      << fdsAfterFirst;
  RecordProperty("threads_after_first_plug", std::to_string(tasksAfterFirst));
  RecordProperty("descriptors_after_first_plug", std::to_string(fdsAfterFirst));
  RecordProperty("threads_after_last_plug", std::to_string(Entries(proc + "/task")));
  RecordProperty("descriptors_after_last_plug", std::to_string(Entries(proc + "/fd")));
  std::printf("threads: %ld after the first plug, %ld after %d plugs; "
              "descriptors: %ld, %ld\n",
              tasksAfterFirst, Entries(proc + "/task"), kCycles, fdsAfterFirst,
              Entries(proc + "/fd"));
  EXPECT_EQ(0, StopDaemon()) << daemon->Transcript();
}

} // namespace
