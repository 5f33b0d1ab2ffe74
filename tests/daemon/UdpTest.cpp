// The UDP status channel with real sockets: the test plays the whiteboard
// software on 127.0.0.1:10000 and sends to the daemon's 127.0.0.1:9999.
#include "CKestoBoardIPCSock.h"
#include "DaemonTestApp.h"
#include "StdoutCapture.h"
#include "UdpPeer.h"
#include "WxTestApp.h"

#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "ProcNet.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

using Commands = std::vector<std::pair<int, int>>;

class UdpTest : public DaemonFixture {
protected:
  void SetUp() override {
    DaemonFixture::SetUp();
    ASSERT_TRUE(software.Bound());
  }

  // Sends text to the daemon and lets the main loop handle it.
  void Deliver(const std::string &text) {
    const std::size_t before = out ? out->Text().size() : 0;
    ASSERT_TRUE(software.SendTo(CKestoBoardIPCSock::kListenPort, text));
    // Every handled datagram prints its "OnRecv" line.
    ASSERT_TRUE(WxTestApp::PumpUntil([&] {
      return out && out->Text().find("**Mavrent**OnRecv>>", before) !=
                        std::string::npos;
    }));
  }

  // Starts a fresh capture of the console (the old one ends first, so that
  // it hands standard output back before the new one takes it).
  void Capture() {
    out.reset();
    out.reset(new StdoutCapture);
  }

  std::vector<std::string> Replies(int quietMs = 200) {
    std::vector<std::string> all;
    std::string one;
    for (;;) {
      bool got = false;
      WxTestApp::PumpUntil([&] { return got = software.Receive(one, 0); },
                           quietMs);
      if (!got)
        return all;
      all.push_back(one);
    }
  }

  UdpPeer software{CKestoBoardIPCSock::kSoftwarePort};
  std::unique_ptr<StdoutCapture> out;
};

TEST_F(UdpTest, StartWithoutBoardIsAnsweredDisConnect) {
  // No board has ever been attached: the channel comes from a send.
  app.SendToSoftware("", 0);
  Replies();
  Capture();
  Deliver("#KB@Start");
  EXPECT_THAT(Replies(), ElementsAre("#KB@DisConnect"));
  EXPECT_TRUE(g_bSoftStarted);
  EXPECT_THAT(out->Text(), HasSubstr("**Mavrent**OnRecv>>#KB@Start\n"));
}

TEST_F(UdpTest, StartIsAnsweredWithTheBoardStyleWhileABoardWorks) {
  auto record = AttachRecordingBoard();
  Replies();
  Capture();
  Deliver("#KB@Start");
  EXPECT_THAT(Replies(), ElementsAre("#KB@Connect@StyleDVT"));

  // After the detach the style is gone; a new channel answers "DisConnect".
  DetachBoard(record);
  EXPECT_THAT(Replies(), ElementsAre("#KB@DisConnect@StyleDVT"));
  app.SendToSoftware("", 0);
  Replies();
  Deliver("#KB@Start");
  EXPECT_THAT(Replies(), ElementsAre("#KB@DisConnect"));
}

TEST_F(UdpTest, ReceivedMessagesAreParsedAndDispatched) {
  auto record = AttachRecordingBoard();
  Replies();
  const struct {
    const char *text;
    Commands commands;
    const char *console; // expected after the OnRecv line
    int dualValue;       // g_iDualValue afterwards
  } cases[] = {
      {"#KB@StartDualSplit@5000", {{9, 5000}}, "hehe2\n", 5000},
      {"#KB@StartDual@5001", {{8, 5001}}, "hehe1\n", 5001},
      {"#KB@StartDual@5002junk", {{8, 5002}}, "hehe1\n", 5002},
      {"#KB@ShutDownDual", {{10, 0}}, "", 5002},
      {"#KB@ShutDownDualNow", {{10, 0}}, "", 5002},
      {"#KB@Close", {{10, 0}}, "", 5002},
      // Bytes 0 and 3 are not examined.
      {"xKBxClose", {{10, 0}}, "", 5002},
      {"#KB@WorkRect@100,50,801,600",
       {{11, 500}},
       "str=100,50,801,600  (100, 50, 801, 600) mid = 500\nhehe3\n",
       5002},
      // Half of a negative odd width rounds toward zero.
      {"#KB@WorkRect@100,0,-801,10",
       {{11, -300}},
       "str=100,0,-801,10  (100, 0, -801, 10) mid = -300\nhehe3\n",
       5002},
      // Numbers that do not scan start at 0.
      {"#KB@WorkRect@7,x",
       {{11, 7}},
       "str=7,x  (7, 0, 0, 0) mid = 7\nhehe3\n",
       5002},
      {"#KB@WorkRect", {{11, 0}}, "str=  (0, 0, 0, 0) mid = 0\nhehe3\n", 5002},
      // Extreme numbers do not overflow.
      {"#KB@WorkRect@2147483647,0,2147483647,0",
       {{11, 2147483647}},
       "str=2147483647,0,2147483647,0  (2147483647, 0, 2147483647, 0) "
       "mid = 2147483647\nhehe3\n",
       5002},
      // Dual requests without a usable port are ignored.
      {"#KB@StartDual@0", {}, "", 5002},
      {"#KB@StartDualSplit@70000", {}, "", 5002},
      {"#KB@StartDual", {}, "", 5002},
      // Names other than the prefix-matched ones must match exactly.
      {"#KB@Closed", {}, "", 5002},
      {"#KB@Earea", {}, "", 5002},
      {"#KB@Mouse", {}, "", 5002},
      {"#KB@Pen", {}, "", 5002},
      {"#KB@", {}, "", 5002},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.text);
    const std::size_t seen = record->Commands().size();
    Capture();
    Deliver(c.text);
    const Commands all = record->Commands();
    EXPECT_EQ(Commands(all.begin() + static_cast<long>(seen), all.end()),
              c.commands);
    const std::string text = out->Text();
    const std::string head = std::string("**Mavrent**OnRecv>>") + c.text + "\n";
    ASSERT_EQ(text.compare(0, head.size(), head), 0) << text;
    if (c.commands.empty() &&
        std::string(c.text).find("StartDual") != std::string::npos) {
      EXPECT_THAT(text.substr(head.size()), HasSubstr("ignored"));
    } else {
      EXPECT_EQ(text.substr(head.size()), c.console);
    }
    EXPECT_EQ(g_iDualValue, c.dualValue);
    EXPECT_THAT(Replies(50), IsEmpty());
  }
}

TEST_F(UdpTest, SoftwareAndBoardFrameFlags) {
  auto record = AttachRecordingBoard();
  Replies();
  const struct {
    const char *text;
    bool softStarted, inFrame;
  } cases[] = {
      {"#KB@Start", true, false},
      {"#KB@InBoardFrm", true, true},
      {"#KB@NotInBoardFrm", true, false},
      {"#KB@Close", false, false},
      // Other tag letters: handled as "Start".
      {"#XY@Close", true, false},
  };
  Capture();
  for (const auto &c : cases) {
    SCOPED_TRACE(c.text);
    Deliver(c.text);
    EXPECT_EQ(g_bSoftStarted, c.softStarted);
    EXPECT_EQ(g_bInBoardFrame, c.inFrame);
  }
}

TEST_F(UdpTest, LongDatagramIsCutInsideTheBuffer) {
  auto record = AttachRecordingBoard();
  Replies();
  Capture();
  const std::string text = "#KB@Close" + std::string(191, 'z');
  ASSERT_EQ(text.size(), 200u);
  Deliver(text);
  // 49 bytes reach the parser: "Close" with 40 more letters matches nothing.
  EXPECT_THAT(out->Text(),
              HasSubstr("**Mavrent**OnRecv>>" + text.substr(0, 49) + "\n"));
  EXPECT_THAT(record->Commands(), IsEmpty());

  // The next datagram is read whole again.
  Deliver("#KB@Close");
  EXPECT_THAT(record->Commands(), ElementsAre(std::make_pair(10, 0)));
}

TEST_F(UdpTest, ChannelThatCannotBindIsKeptAndSendsNothing) {
  // Another program holds the status port without sharing it.
  const int holder = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(holder, 0);
  sockaddr_in address = sockaddr_in();
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(CKestoBoardIPCSock::kListenPort);
  ASSERT_EQ(
      bind(holder, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);

  Capture();
  auto record = AttachRecordingBoard();
  const std::string text = out->Text();
  close(holder);
  EXPECT_THAT(text, HasSubstr("**Mavrent**SoftIPCSocket is not ok >>" +
                              std::to_string(EADDRINUSE) + "\n"));
  EXPECT_TRUE(app.HasSoftSocket());
  app.SendToSoftware("earh", 4);
  EXPECT_THAT(Replies(), IsEmpty());
}

TEST_F(UdpTest, HotplugThreadAttachesAndDetachesWhileTheMainLoopReads) {
  // The hotplug thread creates and deletes the channel while the main thread
  // reads from it and answers through it.
  const int kCycles = 2;
  std::vector<std::shared_ptr<WorkRecord>> boards;
  for (int i = 0; i < kCycles; ++i)
    boards.push_back(std::make_shared<WorkRecord>());
  records = boards;
  std::atomic<int> next{0};
  app.workFactory = [&boards, &next](int) -> CKestoBoardWorkBase * {
    return new RecordingWorkThread(boards[static_cast<size_t>(next++)]);
  };

  std::atomic<bool> done{false};
  std::thread hotplug([&] {
    for (int i = 0; i < kCycles; ++i) {
      app.CreateWorkThread(20);
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      app.DestroyWorkThread();
    }
    done = true;
  });
  std::vector<std::string> replies;
  while (!done) {
    software.SendTo(CKestoBoardIPCSock::kListenPort, "#KB@Start");
    WxTestApp::PumpFor(20);
    std::string one;
    while (software.Receive(one, 0))
      replies.push_back(one);
  }
  hotplug.join();

  EXPECT_THAT(replies, Contains("#KB@Connect@StyleDVT"));
  EXPECT_THAT(replies, Contains("#KB@DisConnect@StyleDVT"));
  EXPECT_FALSE(app.HasSoftSocket());
  for (const auto &board : boards)
    EXPECT_TRUE(WxTestApp::PumpUntil([&] { return board->destroyed.load(); }));
}

TEST_F(UdpTest, ChannelListensOnLoopbackOnly) {
  app.SendToSoftware("", 0);
  EXPECT_THAT(
      LocalAddressesOfPort("/proc/net/udp", CKestoBoardIPCSock::kListenPort),
      ElementsAre("127.0.0.1"));
}

} // namespace
