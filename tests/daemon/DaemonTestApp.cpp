#include "DaemonTestApp.h"

#include "CKestoBoardIPCSock.h"
#include "TcpListener.h"
#include "WxTestApp.h"

#include <cstdlib>
#include <unistd.h>

namespace {

TestDaemonApp *g_app = nullptr;

class DaemonEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    g_app = new TestDaemonApp;
    ASSERT_TRUE(WxTestApp::Start(g_app)) << "Xvfb or GTK did not start";
  }
  void TearDown() override {
    WxTestApp::Stop(); // deletes the application object
    g_app = nullptr;
  }
};

const ::testing::Environment *const g_environment =
    ::testing::AddGlobalTestEnvironment(new DaemonEnvironment);

} // namespace

void TestDaemonApp::ResetHooks() {
  workFactory = nullptr;
  hotplugResult = true;
  hotplugStarts = 0;
  videoRescans = 0;
  softwareLauncher.clear();
  receiverAvailable = true;
}

wxThread *TestDaemonApp::NewReceiver() {
  return receiverAvailable ? CKestoBoardApp::NewReceiver() : nullptr;
}

bool TestDaemonApp::StartHotplugMonitor() {
  ++hotplugStarts;
  return hotplugResult;
}

CKestoBoardWorkBase *TestDaemonApp::NewWorkThread(int type) {
  return workFactory ? workFactory(type) : CKestoBoardApp::NewWorkThread(type);
}

wxString TestDaemonApp::GetSoftwareLauncher() const {
  return softwareLauncher.empty() ? CKestoBoardApp::GetSoftwareLauncher()
                                  : softwareLauncher;
}

TestDaemonApp &TheApp() {
  return *g_app;
}

std::string ConfigText(int ipcPort) {
  return "<?xml version=\"1.0\" ?>\n"
         "<BoardDriver>\n"
         "  <Global>\n"
         "    <port Karnum=\"" +
         std::to_string(ipcPort) +
         "\" />\n"
         "    <sort kar=\"1\" />\n"
         "    <CurrentRun TYPE=\"\" />\n"
         "  </Global>\n"
         "</BoardDriver>\n";
}

void DaemonFixture::SetUp() {
  ASSERT_NE(g_app, nullptr);
  app.ResetHooks();
  ipcPort = TcpListener::FreePort();
  dir.write("Config/config.xml", ConfigText(ipcPort));
  setenv(CKestoBoardApp::kWorkDirVariable, dir.path().c_str(), 1);
  g_bSoftStarted = false;
  g_bInBoardFrame = false;
  g_iDualValue = 0;
  ASSERT_TRUE(app.OnInit());
}

void DaemonFixture::TearDown() {
  if (!g_app)
    return;
  app.OnExit();
  // Let the stopped work threads end and the framework delete the sockets
  // it scheduled for destruction.
  for (const auto &record : records)
    WxTestApp::PumpUntil([&] { return record->destroyed.load(); }, 5000);
  WxTestApp::PumpFor(20);
  app.ResetHooks();
  unsetenv(CKestoBoardApp::kWorkDirVariable);
  if (chdir("/") != 0) {
  }
}

std::shared_ptr<WorkRecord> DaemonFixture::AttachRecordingBoard(bool *result) {
  auto record = std::make_shared<WorkRecord>();
  records.push_back(record);
  app.workFactory = [record](int type) -> CKestoBoardWorkBase * {
    return type == 20 ? new RecordingWorkThread(record) : nullptr;
  };
  const bool ok = app.CreateWorkThread(20);
  if (result)
    *result = ok;
  return record;
}

void DaemonFixture::DetachBoard(const std::shared_ptr<WorkRecord> &record) {
  app.DestroyWorkThread();
  WxTestApp::PumpUntil([&] { return record->destroyed.load(); }, 5000);
}
