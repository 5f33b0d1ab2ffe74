// The daemon's application object inside a test process.
//
// Linking this file gives the test program one TestDaemonApp, started under
// a private Xvfb before the first test and cleaned up after the last.
// DaemonFixture runs OnInit against a fresh working directory for each test
// and OnExit after it.
#ifndef TESTS_DAEMON_DAEMONTESTAPP_H
#define TESTS_DAEMON_DAEMONTESTAPP_H

#include "CKestoBoardApp.h"
#include "RecordingWorkThread.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

// The real application with its joining points for the other services
// opened to the tests.
class TestDaemonApp : public CKestoBoardApp {
public:
  // Work threads: null -> the daemon's own factory.
  std::function<CKestoBoardWorkBase *(int type)> workFactory;
  bool hotplugResult = true;
  std::atomic<int> hotplugStarts{0};
  std::atomic<int> videoRescans{0};
  wxString softwareLauncher; // empty -> the daemon's own
  // False: no receiver can be built (NewReceiver returns null).
  std::atomic<bool> receiverAvailable{true};

  void RescanVideoDevices() override { ++videoRescans; }
  void ResetHooks();

protected:
  bool StartHotplugMonitor() override;
  CKestoBoardWorkBase *NewWorkThread(int type) override;
  wxThread *NewReceiver() override;
  wxString GetSoftwareLauncher() const override;
};

TestDaemonApp &TheApp();

// A configuration file with the IPC port and the keys the daemon writes.
std::string ConfigText(int ipcPort);

class DaemonFixture : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Attaches a board served by a RecordingWorkThread (CreateWorkThread(20)).
  std::shared_ptr<WorkRecord> AttachRecordingBoard(bool *result = nullptr);
  // Detaches it and waits until the thread has stopped.
  void DetachBoard(const std::shared_ptr<WorkRecord> &record);

  TestDaemonApp &app = TheApp();
  TempDir dir;
  unsigned short ipcPort = 0;
  std::vector<std::shared_ptr<WorkRecord>> records;
};

#endif
