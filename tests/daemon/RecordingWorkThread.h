// A work thread for the application's tests: the board framework's threads
// are not part of the daemon yet, so this one stands in for them. It runs
// until it is told to stop and records what the application asks of it.
#ifndef TESTS_DAEMON_RECORDINGWORKTHREAD_H
#define TESTS_DAEMON_RECORDINGWORKTHREAD_H

#include "CKestoBoardWorkBase.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// What a RecordingWorkThread saw; shared with the test, because the thread
// object destroys itself when it stops.
struct WorkRecord {
  std::vector<std::pair<int, int>> Commands() {
    std::lock_guard<std::mutex> hold(lock);
    return commands;
  }
  std::vector<int> Timers() {
    std::lock_guard<std::mutex> hold(lock);
    return timers;
  }

  std::mutex lock;
  std::vector<std::pair<int, int>> commands; // (type, value)
  std::vector<int> timers;                   // OnAppTimer arguments
  std::vector<std::thread::id> commandThreads;
  std::atomic<int> reloads{0};
  std::atomic<bool> attached{false};
  std::atomic<bool> running{false};
  std::atomic<bool> destroyed{false};
};

class RecordingWorkThread : public CKestoBoardWorkBase {
public:
  explicit RecordingWorkThread(std::shared_ptr<WorkRecord> record,
                               bool attachResult = true)
      : m_record(std::move(record)), m_attachResult(attachResult) {}
  ~RecordingWorkThread() override { m_record->destroyed = true; }

  bool AttachDevice(CDeviceBase *device) override;
  bool OnCommand(int type, int value) override;
  void OnAppTimer(int which) override;
  void ReloadConversion() override { ++m_record->reloads; }

protected:
  ExitCode Entry() override;

private:
  std::shared_ptr<WorkRecord> m_record;
  bool m_attachResult;
};

#endif
