// The input-report loop on an emulated touch screen: what it hands to the
// callback, how it stops, and that it sleeps while nothing happens, also
// after the device has gone.
#include "InterruptReader.h"
#include "ConsoleCapture.h"
#include "DeviceContext.h"
#include "ThreadEvent.h"
#include "support/EmulatedTouchScreen.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <string>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

using namespace LumoVarnok;
using testing::ElementsAre;

namespace {

using Report = std::vector<uint8_t>;

// Runs ReadInterrupts on a thread of its own and collects what it reads.
class Reader {
public:
  Reader(void *device, bool withStopEvent = true)
      : m_pStop(withStopEvent ? CreateThreadEvent() : nullptr) {
    m_thread = std::thread([this, device] {
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_tid = gettid();
      }
      m_cv.notify_all();
      ReadInterrupts(device, m_pStop, &Reader::OnReport, this);
    });
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cv.wait(lock, [this] { return m_tid != 0; });
  }
  ~Reader() {
    Stop();
    CloseThreadEvent(m_pStop);
  }

  void Stop() {
    ClickThreadEvent(m_pStop);
    if (m_thread.joinable())
      m_thread.join();
  }
  void Join() { m_thread.join(); }

  bool WaitForReports(size_t count) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::seconds(5),
                         [&] { return m_reports.size() >= count; });
  }
  std::vector<Report> Reports() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_reports;
  }

  // Times the thread has gone to sleep waiting for something.
  long Wakeups() const {
    std::ifstream status("/proc/self/task/" + std::to_string(m_tid) +
                         "/status");
    const std::string key = "voluntary_ctxt_switches:";
    for (std::string line; std::getline(status, line);)
      if (line.compare(0, key.size(), key) == 0)
        return std::stol(line.substr(key.size()));
    return -1;
  }
  // CPU time the thread has used.
  std::chrono::nanoseconds CpuTime() {
    clockid_t clock;
    timespec ts{};
    if (pthread_getcpuclockid(m_thread.native_handle(), &clock) == 0)
      clock_gettime(clock, &ts);
    return std::chrono::seconds(ts.tv_sec) +
           std::chrono::nanoseconds(ts.tv_nsec);
  }

private:
  static void OnReport(void *user, void *data, unsigned int length) {
    auto *self = static_cast<Reader *>(user);
    const auto *bytes = static_cast<const uint8_t *>(data);
    {
      std::lock_guard<std::mutex> lock(self->m_mutex);
      self->m_reports.emplace_back(bytes, bytes + length);
    }
    self->m_cv.notify_all();
  }

  void *m_pStop;
  std::thread m_thread;
  std::mutex m_mutex; // guards m_tid and m_reports
  std::condition_variable m_cv;
  pid_t m_tid = 0;
  std::vector<Report> m_reports;
};

class InterruptReaderTest : public testing::Test {
protected:
  void SetUp() override {
    screen = bed.AddTouchScreen();
    ASSERT_TRUE(OpenDeviceA(screen.sysPath.c_str(), &device));
  }
  void TearDown() override { CloseDevice(device); }

  int Fd() const { return static_cast<_DeviceContext *>(device)->fd; }

  EmulatedTouchScreen bed;
  EmulatedDevice screen;
  void *device = nullptr;
};

const Report kTouch = {0x36, 0x05, 0x01, 0x10, 0x00, 0x20, 0x00, 0x08,
                       0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                       0x00, 0x00, 0x00, 0x00, 0x00, 0x34, 0x12, 0x01};
const Report kVirtualKey = {0x38, 0x03, 0x01};

TEST_F(InterruptReaderTest, HandsEachReadToTheCallback) {
  Reader reader(device);
  ASSERT_TRUE(bed.SendInputReport(screen, kTouch));
  ASSERT_TRUE(reader.WaitForReports(1));
  ASSERT_TRUE(bed.SendInputReport(screen, kVirtualKey));
  ASSERT_TRUE(reader.WaitForReports(2));
  reader.Stop();
  EXPECT_THAT(reader.Reports(), ElementsAre(kTouch, kVirtualKey));
}

TEST_F(InterruptReaderTest, StopEventSetBeforehandReadsNothing) {
  ASSERT_TRUE(bed.SendInputReport(screen, kVirtualKey));
  void *stop = CreateThreadEvent();
  ClickThreadEvent(stop);
  int calls = 0;
  ConsoleCapture console;
  ReadInterrupts(
      device, stop,
      [](void *user, void *, unsigned int) { ++*static_cast<int *>(user); },
      &calls);
  EXPECT_THAT(console.Lines(), ElementsAre("LumoSdk: ReadInterrupts start",
                                           "LumoSdk: ReadInterrupts stop"));
  EXPECT_EQ(0, calls);
  // The report is still waiting in the node.
  pollfd p{Fd(), POLLIN, 0};
  ASSERT_EQ(1, poll(&p, 1, 1000));
  uint8_t buffer[16];
  EXPECT_EQ(static_cast<ssize_t>(kVirtualKey.size()),
            read(Fd(), buffer, sizeof buffer));
  CloseThreadEvent(stop);
}

TEST_F(InterruptReaderTest, NullDeviceReturnsAtOnceSilently) {
  void *stop = CreateThreadEvent();
  ConsoleCapture console;
  ReadInterrupts(nullptr, stop, nullptr, nullptr);
  EXPECT_TRUE(console.Lines().empty());
  CloseThreadEvent(stop);
}

TEST_F(InterruptReaderTest, WithoutCallbackReportsAreReadAndDropped) {
  void *stop = CreateThreadEvent();
  std::thread loop([&] { ReadInterrupts(device, stop, nullptr, nullptr); });
  ASSERT_TRUE(bed.SendInputReport(screen, kTouch));
  // The loop takes the report off the node.
  pollfd p{Fd(), POLLIN, 0};
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (poll(&p, 1, 0) == 1 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(0, poll(&p, 1, 0));
  ClickThreadEvent(stop);
  loop.join();
  CloseThreadEvent(stop);
}

TEST_F(InterruptReaderTest, SleepsWhileIdle) {
  Reader reader(device);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const long before = reader.Wakeups();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  // A loop that looked at its stop event every millisecond would have slept
  // and woken about 300 times.
  EXPECT_LT(reader.Wakeups() - before, 10);

  // And it still answers at once.
  ASSERT_TRUE(bed.SendInputReport(screen, kVirtualKey));
  EXPECT_TRUE(reader.WaitForReports(1));
  reader.Stop();
}

TEST_F(InterruptReaderTest, UnpluggedDeviceNeitherSpinsNorBlocksTheStop) {
  Reader reader(device);
  ASSERT_TRUE(bed.SendInputReport(screen, kVirtualKey));
  ASSERT_TRUE(reader.WaitForReports(1));

  bed.RemoveDevice(screen);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const auto cpuBefore = reader.CpuTime();
  const long wakeupsBefore = reader.Wakeups();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const auto cpu = std::chrono::duration_cast<std::chrono::milliseconds>(
      reader.CpuTime() - cpuBefore);
  EXPECT_LT(cpu.count(), 30) << "ms of CPU in 300 ms";
  EXPECT_LT(reader.Wakeups() - wakeupsBefore, 10);

  ConsoleCapture console;
  reader.Stop();
  EXPECT_THAT(console.Lines(), ElementsAre("LumoSdk: ReadInterrupts stop"));
}

TEST_F(InterruptReaderTest, WithoutStopEventEndsWhenTheDeviceHasGone) {
  Reader reader(device, /*withStopEvent=*/false);
  ASSERT_TRUE(bed.SendInputReport(screen, kVirtualKey));
  ASSERT_TRUE(reader.WaitForReports(1));
  bed.RemoveDevice(screen); // nothing else could ever end this loop
  reader.Join();
}

} // namespace
