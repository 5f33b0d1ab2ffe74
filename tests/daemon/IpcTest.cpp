// The IPC server against a real wxWidgets IPC client in another process, as
// the whiteboard software connects to it.
#include "CKestoBoardDriverIPC.h"
#include "DaemonTestApp.h"
#include "IpcPeer.h"
#include "MyConnection.h"
#include "ProcNet.h"
#include "StdoutCapture.h"
#include "WxTestApp.h"

#include <gmock/gmock.h>

#include <chrono>
#include <thread>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Pair;

namespace {

using Commands = std::vector<std::pair<int, int>>;

class IpcTest : public DaemonFixture {
protected:
  // The commands the work thread received since the last call.
  Commands NewCommands(const std::shared_ptr<WorkRecord> &record) {
    const Commands all = record->Commands();
    Commands fresh(all.begin() + static_cast<long>(seen), all.end());
    seen = all.size();
    return fresh;
  }
  // Ends the peer's connection and drops the two commands the disconnect
  // sends to a working board (checked on their own below).
  void DisconnectAndForget(IpcPeer &peer,
                           const std::shared_ptr<WorkRecord> &record) {
    peer.Disconnect();
    WxTestApp::PumpUntil([&] { return record->Commands().size() >= seen + 2; });
    NewCommands(record);
  }

  std::size_t seen = 0;
};

TEST_F(IpcTest, ListensOnTheConfiguredPortOfTheLoopbackOnly) {
  ASSERT_NE(app.GetIpcServer(), nullptr);
  EXPECT_EQ(app.GetIpcServer()->GetListenPort(), ipcPort);
  EXPECT_TRUE(app.GetIpcServer()->ListensOnLoopbackOnly());
  EXPECT_THAT(LocalAddressesOfPort("/proc/net/tcp", ipcPort),
              ElementsAre("127.0.0.1"));
}

TEST_F(IpcTest, AcceptsTheCommandTopicsOnly) {
  const struct {
    const char *topic;
    bool accepted;
  } cases[] = {
      {"Orient", true},     {"SideKey", true},    {"PENSET", true},
      {"PENTRAYSET", true}, {"DriversSet", true}, {"SetSpeed", true},
      {"orient", false},    {"Orient2", false},   {"", false},
      {"Calibrate", false},
  };
  for (const auto &c : cases) {
    IpcPeer peer;
    EXPECT_EQ(peer.Connect(ipcPort, c.topic), c.accepted) << c.topic;
    EXPECT_EQ(app.GetIpcServer()->GetConnection() != nullptr, c.accepted)
        << c.topic;
  }
}

TEST_F(IpcTest, RefusedTopicAlsoDropsTheCurrentClient) {
  IpcPeer software, intruder;
  ASSERT_TRUE(software.Connect(ipcPort, "Orient"));
  EXPECT_FALSE(intruder.Connect(ipcPort, "Unknown"));
  EXPECT_TRUE(software.WasDropped());
  EXPECT_EQ(app.GetIpcServer()->GetConnection(), nullptr);
}

TEST_F(IpcTest, NewClientReplacesTheCurrentOne) {
  IpcPeer first, second;
  ASSERT_TRUE(first.Connect(ipcPort, "Orient"));
  ASSERT_TRUE(second.Connect(ipcPort, "SideKey"));
  EXPECT_TRUE(first.WasDropped());
  EXPECT_NE(app.GetIpcServer()->GetConnection(), nullptr);
}

TEST_F(IpcTest, StartAdviseWithoutWorkingBoardIsRefusedAndKeepsTheItem) {
  IpcPeer software;
  ASSERT_TRUE(software.Connect(ipcPort, "Orient"));
  EXPECT_FALSE(software.StartAdvise("4"));
  EXPECT_EQ(app.GetIpcServer()->GetConnection()->GetAdviseItem(), "");

  auto record = AttachRecordingBoard();
  ASSERT_TRUE(software.StartAdvise("4"));
  EXPECT_EQ(app.GetIpcServer()->GetConnection()->GetAdviseItem(), "4");

  DetachBoard(record);
  EXPECT_FALSE(software.StartAdvise("9"));
  EXPECT_EQ(app.GetIpcServer()->GetConnection()->GetAdviseItem(), "4");
  // Stop advise is always answered, but reaches no work thread.
  EXPECT_TRUE(software.StopAdvise("4"));
  EXPECT_THAT(NewCommands(record), ElementsAre(Pair(1, 4)));
}

TEST_F(IpcTest, StartAdviseBecomesWorkCommands) {
  auto record = AttachRecordingBoard();
  const struct {
    const char *topic;
    const char *item;
    Commands commands;
    const char *console; // printed line, or ""
  } cases[] = {
      {"Orient", "4", {{1, 4}}, ""},
      {"Orient", "12 points", {{1, 12}}, ""},
      {"SideKey", "2", {{2, 2}}, ""},
      {"SideKey", "0", {{3, 0}}, ""},
      {"SideKey", "keys", {{3, 0}}, ""},
      {"PENSET", "anything", {{4, 0}}, "PENSET\n"},
      {"PENTRAYSET", "", {{13, 0}}, "PENTRAYSET\n"},
      {"SetSpeed", "1", {{12, 1}}, ""},
      {"DriversSet", "save", {{5, 0}}, ""},
      {"DriversSet", "SAVE", {}, ""},
      {"DriversSet", "data", {{6, 1}}, ""},
      {"DriversSet", "auto0", {{7, 0}}, ""},
      {"DriversSet", "auto1", {{7, 1}}, "auto1\n"},
      {"DriversSet", "auto2", {{7, 2}}, ""},
      {"DriversSet", "auto3", {{7, 3}}, ""},
      {"DriversSet", "auto4", {}, ""},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.topic) + " / " + c.item);
    IpcPeer software;
    ASSERT_TRUE(software.Connect(ipcPort, c.topic));
    std::string console;
    bool started;
    {
      StdoutCapture out;
      started = software.StartAdvise(c.item);
      console = out.Text();
    }
    EXPECT_TRUE(started);
    EXPECT_EQ(NewCommands(record), c.commands);
    EXPECT_EQ(console, c.console);
    EXPECT_EQ(app.GetIpcServer()->GetConnection()->GetAdviseItem(), c.item);
    DisconnectAndForget(software, record);
  }
  // Commands arrive on the main thread, where the IPC callbacks run.
  std::lock_guard<std::mutex> hold(record->lock);
  for (const auto &id : record->commandThreads)
    EXPECT_EQ(id, std::this_thread::get_id());
}

TEST_F(IpcTest, StopAdviseAndDisconnectEndCalibrationAndSizeReports) {
  auto record = AttachRecordingBoard();
  const struct {
    const char *topic;
    const char *item;
    Commands commands;
  } cases[] = {
      {"Orient", "4", {{0, 0}}},
      {"SideKey", "x", {{0, 0}}},
      {"DriversSet", "data", {{6, 0}}},
      {"DriversSet", "save", {}},
      {"PENSET", "1", {}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.topic) + " / " + c.item);
    IpcPeer software;
    ASSERT_TRUE(software.Connect(ipcPort, c.topic));
    EXPECT_TRUE(software.StopAdvise(c.item));
    EXPECT_EQ(NewCommands(record), c.commands);
    DisconnectAndForget(software, record);
  }

  IpcPeer software;
  ASSERT_TRUE(software.Connect(ipcPort, "Orient"));
  software.Disconnect();
  EXPECT_TRUE(WxTestApp::PumpUntil(
      [&] { return record->Commands().size() >= seen + 2; }));
  EXPECT_THAT(NewCommands(record), ElementsAre(Pair(0, 0), Pair(6, 0)));
  EXPECT_EQ(app.videoRescans, 0);
}

TEST_F(IpcTest, DisconnectWithoutWorkingBoardRescansVideoDevices) {
  IpcPeer software;
  ASSERT_TRUE(software.Connect(ipcPort, "DriversSet"));
  software.Disconnect();
  EXPECT_TRUE(WxTestApp::PumpUntil([&] { return app.videoRescans == 1; }));
  // The connection object stays until the next client comes.
  EXPECT_NE(app.GetIpcServer()->GetConnection(), nullptr);
}

TEST_F(IpcTest, AdviseSendsThreeCharactersAndZeroBytes) {
  auto record = AttachRecordingBoard();
  IpcPeer software;
  ASSERT_TRUE(software.Connect(ipcPort, "Orient"));

  // No advise item yet: nothing is sent.
  app.AdviseSoftware("Orient");
  ASSERT_TRUE(software.StartAdvise("4"));

  // wxIPC_PRIVATE is format 20.
  const struct {
    const char *text;
    const char *advise;
  } cases[] = {
      {"Orient", "4 20 4 4f726900"}, // "Ori" and a zero byte
      {"O", "4 20 4 4f000000"},
      {"", "4 20 4 00000000"},
  };
  for (const auto &c : cases) {
    app.AdviseSoftware(c.text);
    std::string advise;
    ASSERT_TRUE(software.NextAdvise(advise)) << c.text;
    EXPECT_EQ(advise, c.advise) << c.text;
  }
}

TEST_F(IpcTest, AdviseFromAWorkThreadIsSentByTheMainThread) {
  auto record = AttachRecordingBoard();
  IpcPeer software;
  ASSERT_TRUE(software.Connect(ipcPort, "SideKey"));
  ASSERT_TRUE(software.StartAdvise("7"));

  std::thread([this] {
    for (int i = 0; i < 5; ++i)
      app.AdviseSoftware("Key");
  }).join();
  for (int i = 0; i < 5; ++i) {
    std::string advise;
    ASSERT_TRUE(software.NextAdvise(advise));
    EXPECT_EQ(advise, "7 20 4 4b657900");
  }
}

TEST_F(IpcTest, CamViewerHoldsTheDaemonForTwoSeconds) {
  IpcPeer viewer;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(viewer.Connect(ipcPort, "CAMVIEWER"));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  auto record = AttachRecordingBoard();
  // Accepted, stored, and no command.
  EXPECT_TRUE(viewer.StartAdvise("cam"));
  EXPECT_THAT(record->Commands(), IsEmpty());
  EXPECT_EQ(app.GetIpcServer()->GetConnection()->GetAdviseItem(), "cam");
}

} // namespace
