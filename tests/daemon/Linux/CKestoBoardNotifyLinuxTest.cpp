// The hotplug monitor against emulated USB devices: the real libudev
// enumerates them and its monitor receives their uevents.
#include "CBoardAttachTarget.h"
#include "Linux/CKestoBoardNotifyLinux.h"
#include "support/EmulatedTouchScreen.h"
#include "support/BoardMark.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>
#include <wx/init.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Stands in for the application: records what the monitor asks of it.
class RecordingApp : public CBoardAttachTarget {
public:
  std::atomic<bool> createSucceeds{true};

  bool StartReceiver() override { return Record("StartReceiver"); }
  bool CreateWorkThread(int type) override {
    Record("CreateWorkThread(" + std::to_string(type) + ")");
    return createSucceeds;
  }
  bool DestroyWorkThread() override { return Record("DestroyWorkThread"); }

  std::vector<std::string> Calls() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls;
  }
  size_t Count(const std::string &call) const {
    size_t n = 0;
    for (const std::string &c : Calls())
      n += c == call;
    return n;
  }

private:
  bool Record(const std::string &call) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back(call);
    return true;
  }
  mutable std::mutex m_mutex;
  std::vector<std::string> m_calls;
};

const char kConfig[] = "<?xml version=\"1.0\" ?>\n<Config><Global>"
                       "<port Karnum=\"5000\" /><sort kar=\"0\" />"
                       "</Global></Config>\n";

class HotplugTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir.write("Config/config.xml", kConfig);
    ASSERT_EQ(0, chdir(dir.path().c_str()));
    ::testing::internal::CaptureStdout();
  }
  void TearDown() override {
    Stop();
    chdir("/");
  }

  // Creates, registers and runs the monitor as the application does.
  void Start() {
    monitor = new CKestoBoardNotifyLinux(app);
    ASSERT_EQ(wxTHREAD_NO_ERROR, monitor->Create());
    ASSERT_TRUE(monitor->RegisterDevice(0x2621, 0x2211, 1, 20, 0));
    ASSERT_EQ(wxTHREAD_NO_ERROR, monitor->Run());
  }
  void Stop() {
    if (monitor) {
      monitor->DeleteAndWait(); // deletes itself
      monitor = nullptr;
    }
    if (!capturedOutput)
      output = ::testing::internal::GetCapturedStdout(), capturedOutput = true;
  }
  // Stops the monitor and returns what it printed.
  std::string Output() {
    Stop();
    return output;
  }
  int Kar() const { return BoardMark(dir.file("Config/config.xml")); }
  bool Attached() const { return monitor && monitor->IsBoardAttached(); }

  wxInitializer wx;
  TempDir dir;
  EmulatedTouchScreen bed;
  RecordingApp app;
  CKestoBoardNotifyLinux *monitor = nullptr;
  std::string output;
  bool capturedOutput = false;
};

size_t Occurrences(const std::string &text, const std::string &what) {
  size_t n = 0;
  for (size_t pos = text.find(what); pos != std::string::npos;
       pos = text.find(what, pos + 1))
    ++n;
  return n;
}

TEST_F(HotplugTest, BoardPresentAtStartIsAttachedByEnumeration) {
  bed.AddTouchScreen();
  Start();
  ASSERT_TRUE(WaitFor([&] { return Attached(); }, 5000ms));
  EXPECT_EQ((std::vector<std::string>{"StartReceiver", "CreateWorkThread(20)"}),
            app.Calls());
  EXPECT_EQ(1, Kar());

  const std::string out = Output();
  const std::string attach =
      "m_brun:0bEnum:1\n"
      "CKestoBoardNotifyLinux::processAdd------\n"
      "CKestoBoardNotifyLinux::processAdd iPid:2211,ivid:2621\n"
      "**KestoLog**processAdd>>20\n"
      "have dev insert.......\n"
      "deviceInfo.pDevPath != NULL && OnAdd(deviceInfo)\n";
  EXPECT_NE(std::string::npos, out.find(attach)) << out;
  // Enumeration stops at the board: no device is looked at after it.
  EXPECT_EQ(std::string::npos, out.find("m_brun:1bEnum:1")) << out;
}

TEST_F(HotplugTest, AddEventAttachesAndAnyRemoveEventDetaches) {
  const EmulatedUsbDevice mouse = bed.AddUsbDevice();
  Start();
  // The board arrives once the monitor listens.
  ASSERT_TRUE(WaitFor([&] { return monitor->IsListening(); }));
  std::this_thread::sleep_for(100ms);
  EXPECT_TRUE(app.Calls().empty());

  bed.AddTouchScreen();
  ASSERT_TRUE(WaitFor([&] { return Attached(); }, 5000ms));
  EXPECT_EQ(1, Kar());

  // The board stays attached through events that are not removals ...
  bed.SendUevent(mouse.interfaceSysPath, "change");
  std::this_thread::sleep_for(100ms);
  EXPECT_TRUE(Attached());
  // ... and any removal detaches it, whichever device it was.
  bed.SendUevent(mouse.interfaceSysPath, "remove");
  ASSERT_TRUE(WaitFor([&] { return !Attached(); }));
  EXPECT_EQ(1u, app.Count("DestroyWorkThread"));

  const std::string out = Output();
  EXPECT_NE(std::string::npos,
            out.find("m_brun:1bEnum:0\n"
                     "CKestoBoardNotifyLinux::processRemove----\n"
                     "pDevInfo->devPath----------\n"
                     " dev out.........\n"))
      << out;
}

TEST_F(HotplugTest, BoardWithTwoInterfacesAttachesOnce) {
  TouchScreenSpec wanted;
  wanted.extraInterfaces = 1;
  const EmulatedDevice screen = bed.AddTouchScreen(wanted);
  Start();
  ASSERT_TRUE(WaitFor([&] { return Attached(); }, 5000ms));
  // An add event of the second interface while attached changes nothing.
  bed.SendUevent(EmulatedTouchScreen::InterfaceSysPath(screen, 1), "add");
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(1u, app.Count("CreateWorkThread(20)"));
  EXPECT_EQ(1u, app.Count("StartReceiver"));
}

TEST_F(HotplugTest, FailedWorkThreadKeepsWaitingAndTheNextAddTriesAgain) {
  app.createSucceeds = false;
  const EmulatedDevice screen = bed.AddTouchScreen();
  Start();
  ASSERT_TRUE(WaitFor([&] { return app.Count("CreateWorkThread(20)") == 1; }));
  std::this_thread::sleep_for(100ms);
  EXPECT_FALSE(Attached());

  app.createSucceeds = true;
  bed.SendUevent(EmulatedTouchScreen::InterfaceSysPath(screen), "add");
  ASSERT_TRUE(WaitFor([&] { return Attached(); }, 5000ms));
  EXPECT_EQ(2u, app.Count("CreateWorkThread(20)"));
  EXPECT_EQ(2u, app.Count("StartReceiver"));
}

TEST_F(HotplugTest, OtherDevicesAreIgnored) {
  UsbDeviceSpec other;                 // another vendor's device
  UsbDeviceSpec anonymous;             // no identifiers at all
  anonymous.vendorId.reset();
  anonymous.productId.reset();
  UsbDeviceSpec camera;                // a camera of a vendor we do not serve
  camera.product = "USB 2.0 Camera";
  camera.withVideoNode = true;
  bed.AddUsbDevice(other);
  bed.AddUsbDevice(anonymous);
  bed.AddUsbDevice(camera);
  // The same identifiers without a HID interface's path are still a board;
  // a touch screen of another product is not.
  bed.AddTouchScreen(0x2621, 0x2212, std::string("X"));
  Start();
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(app.Calls().empty());
  EXPECT_EQ(0, Kar());

  const std::string out = Output();
  EXPECT_NE(std::string::npos,
            out.find("CKestoBoardNotifyLinux::processAdd iPid:c077,ivid:46d\n"))
      << out;
  EXPECT_NE(std::string::npos,
            out.find("CKestoBoardNotifyLinux::processAdd iPid:2212,ivid:2621\n"))
      << out;
  // The device without identifiers stops right after the first line: one
  // more processAdd start than identifier lines.
  EXPECT_EQ(Occurrences(out, "CKestoBoardNotifyLinux::processAdd iPid:") + 1,
            Occurrences(out, "CKestoBoardNotifyLinux::processAdd------\n"))
      << out;
  EXPECT_EQ(std::string::npos, out.find("have dev insert")) << out;
}

struct HubCase {
  uint16_t vid, pid;
  bool flagged; // "driver_flag=false" expected
};

class HubTest : public HotplugTest,
                public ::testing::WithParamInterface<HubCase> {};

// Only the board's own hub model passes the check, and the check is only
// reported: the board attaches behind any hub.
TEST_P(HubTest, HubIdentifiersAreOnlyReported) {
  const HubCase c = GetParam();
  TouchScreenSpec wanted;
  wanted.hub = TouchScreenSpec::Hub{c.vid, c.pid};
  bed.AddTouchScreen(wanted);
  Start();
  ASSERT_TRUE(WaitFor([&] { return Attached(); }, 5000ms));
  const std::string out = Output();
  char hub[64];
  std::snprintf(hub, sizeof hub, "HUB:  iPid:%04x,ivid:%04x\n", c.pid, c.vid);
  EXPECT_NE(std::string::npos, out.find(hub)) << out;
  EXPECT_EQ(c.flagged, out.find("driver_flag=false\n") != std::string::npos)
      << out;
}

INSTANTIATE_TEST_SUITE_P(Hubs, HubTest,
                         ::testing::Values(HubCase{0x1314, 0x1055, false},
                                           HubCase{0x05e3, 0x0608, true},
                                           HubCase{0x1314, 0x0608, true}),
                         [](const ::testing::TestParamInfo<HubCase> &info) {
                           char name[32];
                           std::snprintf(name, sizeof name, "Hub%04x_%04x",
                                         info.param.vid, info.param.pid);
                           return std::string(name);
                         });

TEST_F(HotplugTest, MonitorStopsPromptlyWhenAsked) {
  Start();
  ASSERT_TRUE(WaitFor([&] { return monitor->IsListening(); }));
  std::this_thread::sleep_for(50ms);
  const auto start = std::chrono::steady_clock::now();
  Stop();
  // One wait of the monitor loop at most (about a second), with slack for
  // slow sanitizer builds.
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
}

TEST_F(HotplugTest, RemoveWhileWaitingDoesNothing) {
  const EmulatedUsbDevice mouse = bed.AddUsbDevice();
  Start();
  ASSERT_TRUE(WaitFor([&] { return monitor->IsListening(); }));
  bed.SendUevent(mouse.interfaceSysPath, "remove");
  std::this_thread::sleep_for(200ms);
  EXPECT_TRUE(app.Calls().empty());
  EXPECT_EQ(std::string::npos, Output().find("processRemove"));
}

} // namespace
