// The application object inside a real wxWidgets event loop: attaching and
// detaching a board, the reports to the whiteboard software, posted events,
// timers, child programs, the dual-mode client and the console lines.
#include "support/BoardMark.h"
#include "CKestoBoardIPCSock.h"
#include "ChildProcess.h"
#include "DaemonTestApp.h"
#include "StdoutCapture.h"
#include "TcpListener.h"
#include "UdpPeer.h"
#include "WxTestApp.h"

#include <gmock/gmock.h>

#include <chrono>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <sys/stat.h>
#include <thread>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Pair;

namespace {

using Clock = std::chrono::steady_clock;

// Everything the daemon sends to the software's port until none arrives for
// quietMs.
std::vector<std::string> Datagrams(UdpPeer &peer, int quietMs = 300) {
  std::vector<std::string> all;
  std::string one;
  for (;;) {
    bool got = false;
    WxTestApp::PumpUntil([&] { return got = peer.Receive(one, 0); }, quietMs);
    if (!got)
      return all;
    all.push_back(one);
  }
}

// A shell script that records that it ran by creating marker.
void WriteScript(TempDir &dir, const std::string &name,
                 const std::string &marker) {
  const std::string path =
      dir.write(name, "#!/bin/sh\ntouch '" + marker + "'\n");
  chmod(path.c_str(), 0755);
}

bool Exists(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// A process whose program name (argv[0]) is name.
std::unique_ptr<ChildProcess> ProcessNamed(const std::string &name) {
  auto process = std::make_unique<ChildProcess>(std::vector<std::string>{
      "/bin/bash", "-c", "exec -a '" + name + "' sleep 60"});
  // Wait until bash has turned into the named program.
  const std::string program = name.substr(name.rfind('/') + 1);
  WxTestApp::PumpUntil(
      [&] {
        return CKestoBoardApp::FindProcessByName(program.c_str(), true) ==
               process->Pid();
      },
      5000);
  return process;
}

using AppTest = DaemonFixture;

TEST_F(AppTest, AttachWithoutBoardClassSetsWorkingButKeepsNoThread) {
  StdoutCapture out;
  g_bSoftStarted = true;
  EXPECT_FALSE(app.CreateWorkThread(20));

  EXPECT_EQ(out.Text(), "CreateWorkThread\n"
                        "**KestoLog**CreateWorkThread>>20\n"
                        "**pwork =null \n"
                        "**error \n"
                        "SendConnectToSoft: 1--m_pIPCSocket: (nil)\n");
  EXPECT_TRUE(app.IsBoardWorking());
  EXPECT_EQ(app.GetWork(), nullptr);
  EXPECT_FALSE(app.HasSoftSocket());
  EXPECT_FALSE(g_bSoftStarted);
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  // Nothing to detach.
  EXPECT_FALSE(app.DestroyWorkThread());
  EXPECT_TRUE(app.IsBoardWorking());
}

TEST_F(AppTest, AttachAndDetachReportTheBoardToTheSoftware) {
  UdpPeer software(CKestoBoardIPCSock::kSoftwarePort);
  ASSERT_TRUE(software.Bound());
  StdoutCapture out;

  bool created = false;
  auto record = AttachRecordingBoard(&created);
  EXPECT_TRUE(created);
  EXPECT_TRUE(record->attached); // AttachDevice(nullptr)
  ASSERT_TRUE(WxTestApp::PumpUntil([&] { return record->running.load(); }));
  EXPECT_TRUE(app.IsBoardWorking());
  EXPECT_NE(app.GetWork(), nullptr);
  EXPECT_EQ(app.GetSoftSocketStyle(), 20);
  EXPECT_THAT(Datagrams(software),
              ElementsAre("#KB@Connect@StyleDVT", "#KB@IsStart"));
  EXPECT_THAT(out.Text(), HasSubstr("**Mavrent**SoftIPCSocket is ok >>0\n"));
  // The orientation process has the conversion rebuilt through the
  // application.
  app.ReloadConversion();
  EXPECT_EQ(record->reloads, 1);

  DetachBoard(record);
  EXPECT_THAT(Datagrams(software), ElementsAre("#KB@DisConnect@StyleDVT"));
  EXPECT_THAT(out.Text(), HasSubstr("**KestoLog**DestoryWorkThread\n"));
  EXPECT_TRUE(record->destroyed);
  EXPECT_FALSE(app.IsBoardWorking());
  EXPECT_EQ(app.GetWork(), nullptr);
  EXPECT_FALSE(app.HasSoftSocket());
  EXPECT_EQ(BoardMark(dir.file("Config/config.xml")), 0);
}

TEST_F(AppTest, WorkThreadThatCannotAttachIsDropped) {
  auto record = std::make_shared<WorkRecord>();
  records.push_back(record);
  app.workFactory = [record](int) {
    return new RecordingWorkThread(record, /*attachResult=*/false);
  };
  StdoutCapture out;
  EXPECT_FALSE(app.CreateWorkThread(20));
  EXPECT_THAT(out.Text(), HasSubstr("**init  error \n**error \n"));
  EXPECT_TRUE(WxTestApp::PumpUntil([&] { return record->destroyed.load(); }));
  EXPECT_FALSE(record->running);
  EXPECT_EQ(app.GetWork(), nullptr);
  EXPECT_TRUE(app.IsBoardWorking());
}

TEST_F(AppTest, SecondAttachReplacesThreadAndChannel) {
  UdpPeer software(CKestoBoardIPCSock::kSoftwarePort);
  auto first = AttachRecordingBoard();
  auto second = AttachRecordingBoard();
  // Only one work thread at a time: the first one stops.
  EXPECT_TRUE(WxTestApp::PumpUntil([&] { return first->destroyed.load(); }));
  EXPECT_FALSE(second->destroyed);
  software.Drain();

  // The one channel left still answers.
  UdpPeer other;
  ASSERT_TRUE(other.SendTo(CKestoBoardIPCSock::kListenPort, "#KB@Start"));
  EXPECT_THAT(Datagrams(software), ElementsAre("#KB@Connect@StyleDVT"));
}

TEST_F(AppTest, PostedEventsRunOnTheMainThreadInOrder) {
  auto record = AttachRecordingBoard();
  const std::string orientMarker = dir.file("orient-ran");
  const std::string notTouchMarker = dir.file("nottouch-ran");
  WriteScript(dir, "Orient_Run", orientMarker);
  WriteScript(dir, "NotTouch_Run", notTouchMarker);

  // Kinds outside 0..4 post nothing.
  app.PostAppEvent(5);
  app.PostAppEvent(-1);
  WxTestApp::PumpFor(700);
  EXPECT_TRUE(record->Timers().empty());
  EXPECT_FALSE(Exists(orientMarker));
  EXPECT_FALSE(Exists(notTouchMarker));

  // Posted from another thread, as work threads do.
  const auto posted = Clock::now();
  std::thread([this] {
    app.PostAppEvent(3); // side-key timer, 500 ms
    app.PostAppEvent(2); // release timer, 100 ms
    app.PostAppEvent(1); // Orient_Run
    app.PostAppEvent(4); // NotTouch_Run
  }).join();

  ASSERT_TRUE(
      WxTestApp::PumpUntil([&] { return record->Timers().size() == 2; }));
  const auto elapsed = Clock::now() - posted;
  EXPECT_THAT(record->Timers(), ElementsAre(0, 1));
  EXPECT_GE(elapsed, std::chrono::milliseconds(500));
  EXPECT_TRUE(WxTestApp::PumpUntil(
      [&] { return Exists(orientMarker) && Exists(notTouchMarker); }));
}

TEST_F(AppTest, AuxiliaryProgramMissingFromWorkDirIsNotRun) {
  StdoutCapture out;
  app.PostAppEvent(1);
  app.PostAppEvent(4);
  WxTestApp::PumpFor(200);
  // Nothing is started and nothing goes wrong.
  EXPECT_EQ(out.Text(), "");
}

TEST_F(AppTest, WhiteboardSoftwareStartsOnlyWhenNotRunning) {
  const std::string marker = dir.file("software-ran");
  WriteScript(dir, "software-run", marker);
  app.softwareLauncher = dir.file("software-run");

  {
    auto running = ProcessNamed("/opt/Tavio/KestoWBSW");
    ASSERT_TRUE(CKestoBoardApp::IsSoftwareRunning());
    app.PostAppEvent(0);
    WxTestApp::PumpFor(500);
    EXPECT_FALSE(Exists(marker));
  }
  {
    // A name that differs in letter case is another program.
    auto other = ProcessNamed("kestowbsw");
    ASSERT_FALSE(CKestoBoardApp::IsSoftwareRunning());
    app.PostAppEvent(0);
    EXPECT_TRUE(WxTestApp::PumpUntil([&] { return Exists(marker); }));
  }
}

TEST_F(AppTest, LauncherThatDoesNotExistIsNotRun) {
  app.softwareLauncher = dir.file("no-such-launcher");
  StdoutCapture out;
  app.PostAppEvent(0);
  WxTestApp::PumpFor(200);
  EXPECT_EQ(out.Text(), "");
}

TEST_F(AppTest, LogLineKinds) {
  struct Case {
    int kind;
    const char *text;
    int value;
    const char *line;
  } const cases[] = {
      {0, "Tavio_Driver", 7, "**KestoLog**Tavio_Driver\n"},
      {1, "count", -42, "**KestoLog**count----->  :-42\n"},
      {2, "flag", 3, "**KestoLog**flag----->  :True\n"},
      {2, "flag", 0, "**KestoLog**flag----->  :False\n"},
      {9, "other", 1, "**KestoLog**other\n"},
  };
  for (const Case &c : cases) {
    StdoutCapture out;
    app.LogLine(c.kind, c.text, c.value);
    EXPECT_EQ(out.Text(), c.line) << "kind " << c.kind;
  }
}

TEST_F(AppTest, SendToSoftwareOpensTheChannelOnce) {
  UdpPeer software(CKestoBoardIPCSock::kSoftwarePort);
  const int times = app.GetSocketTimes() + 1;
  StdoutCapture out;

  // Not terminated after the three bytes that are sent.
  const char data[] = {'e', 'a', 'r', 'h', 'X'};
  app.SendToSoftware(data, 4);
  app.SendToSoftware(data, 3);

  // No board works, so the new channel reports nothing of its own.
  EXPECT_THAT(Datagrams(software), ElementsAre("earh", "ear"));
  EXPECT_EQ(app.GetSocketTimes(), times);
  const std::string text = out.Text();
  const std::string count = "----->  :" + std::to_string(times) + "\n";
  EXPECT_THAT(text, HasSubstr("SendConnectToSoft: 1--m_pIPCSocket: 0x"));
  EXPECT_THAT(text, HasSubstr("**KestoLog**CKestoBoardApp:OnSend>>earh"
                              "........IPCSocketTimes" +
                              count));
  EXPECT_THAT(text, HasSubstr("**KestoLog**CKestoBoardApp:OnSend>>ear"
                              "........IPCSocketTimes" +
                              count));
}

TEST_F(AppTest, StartReceiverWithoutReceiverReportsIt) {
  app.receiverAvailable = false;
  StdoutCapture out;
  EXPECT_FALSE(app.StartReceiver());
  EXPECT_EQ(out.Text(), "**preceive =null \n**preceive error \n");
}

// Decodes 20 bytes into the five host-order words of a dual record.
std::vector<std::int32_t> Words(const std::string &bytes) {
  std::vector<std::int32_t> words(bytes.size() / 4);
  std::memcpy(words.data(), bytes.data(), words.size() * 4);
  return words;
}

TEST_F(AppTest, DualChannelStreamsRecords) {
  TcpListener first, second;
  ASSERT_TRUE(first.Listening() && second.Listening());

  app.OpenDualSocket(first.Port());
  ASSERT_TRUE(first.Accept(3000));
  app.SendDualPoint(1, 640, -20);
  app.SendDualTouch(2, 3, 4, 5);
  std::string bytes;
  ASSERT_TRUE(first.Read(bytes, 40, 3000));
  EXPECT_THAT(Words(bytes), ElementsAre(-1, -1, 1, 640, -20, -1, 2, 3, 4, 5));

  // A new channel replaces the old one, which is closed.
  app.OpenDualSocket(second.Port());
  ASSERT_TRUE(second.Accept(3000));
  EXPECT_TRUE(first.PeerClosed(3000));
  app.SendDualTouch(9, 8, 7, 6);
  ASSERT_TRUE(second.Read(bytes, 20, 3000));
  EXPECT_THAT(Words(bytes), ElementsAre(-1, 9, 8, 7, 6));

  app.CloseDualSocket();
  EXPECT_FALSE(app.HasDualSocket());
  EXPECT_TRUE(second.PeerClosed(3000));
  app.SendDualPoint(0, 1, 2); // nothing to write to: skipped
}

TEST_F(AppTest, DualChannelToNobodyDropsRecords) {
  app.OpenDualSocket(TcpListener::FreePort());
  EXPECT_TRUE(app.HasDualSocket());
  app.SendDualPoint(1, 2, 3);
  app.SendDualTouch(1, 2, 3, 4);
  app.CloseDualSocket();
}

TEST_F(AppTest, DualChannelClosesSafelyWhileTheWorkThreadSends) {
  TcpListener software;
  std::atomic<bool> stop{false};
  std::thread work([&] {
    while (!stop)
      app.SendDualTouch(1, 2, 3, 4);
  });
  for (int i = 0; i < 20; ++i) {
    app.OpenDualSocket(software.Port());
    ASSERT_TRUE(software.Accept(3000));
    app.CloseDualSocket();
  }
  stop = true;
  work.join();
}

TEST_F(AppTest, ExitAfterFailedStartHandlesMissingServices) {
  app.OnExit();
  app.hotplugResult = false;
  app.hotplugStarts = 0;
  EXPECT_FALSE(app.OnInit());
  EXPECT_EQ(app.hotplugStarts, 1);
  EXPECT_NE(app.GetIpcServer(), nullptr);
  EXPECT_EQ(app.OnExit(), 0);
  EXPECT_EQ(app.GetIpcServer(), nullptr);
  EXPECT_EQ(app.OnExit(), 0);
  // And the application starts again afterwards.
  app.hotplugResult = true;
  EXPECT_TRUE(app.OnInit());
}

} // namespace
