#include "CKestoBoardNotifyBase.h"

#include "CBoardAttachTarget.h"
#include "CConfigXML.h"
#include "CConsoleLog.h"

#include <chrono>
#include <thread>

namespace {

const char kConfigPath[] = "Config/config.xml";

// Global/sort/kar tells the whiteboard software whether a board is attached.
void MarkBoardInConfig(int value) {
  CConfigXML cfg;
  if (cfg.Open(kConfigPath)) {
    cfg.SetInt("Global", "sort", "kar", value);
    cfg.Save();
  }
  cfg.Close();
}

} // namespace

CKestoBoardNotifyBase::CKestoBoardNotifyBase(CBoardAttachTarget &target)
    : wxThread(wxTHREAD_DETACHED), m_iDeviceCount(0), m_brun(false),
      m_target(target), m_pEnded(std::make_shared<EndLatch>()) {}

CKestoBoardNotifyBase::~CKestoBoardNotifyBase() {
  std::lock_guard<std::mutex> lock(m_pEnded->mutex);
  m_pEnded->ended = true;
  m_pEnded->cv.notify_all();
}

void CKestoBoardNotifyBase::DeleteAndWait() {
  // The object may be gone as soon as Delete has been called: keep the latch.
  std::shared_ptr<EndLatch> latch = m_pEnded;
  if (Delete() != wxTHREAD_NO_ERROR)
    return;
  std::unique_lock<std::mutex> lock(latch->mutex);
  latch->cv.wait(lock, [&] { return latch->ended; });
}

bool CKestoBoardNotifyBase::RegisterDevice(int vid, int pid, int kind, int type,
                                           int baud) {
  DeviceInfo info;
  info.vid = vid;
  info.pid = pid;
  info.kind = kind;
  info.type = type;
  info.baud = baud;
  m_devices.push_back(info);
  ++m_iDeviceCount;
  return true;
}

const DeviceInfo *CKestoBoardNotifyBase::FindSupported(int pid, int vid) const {
  for (const DeviceInfo &d : m_devices)
    if (d.pid == pid && d.vid == vid)
      return &d;
  return nullptr;
}

bool CKestoBoardNotifyBase::OnAdd(DeviceInfo &deviceInfo) {
  std::lock_guard<std::mutex> lock(m_attachMutex);
  CConsoleLog::Line("have dev insert.......");
  if (deviceInfo.type == kAttachedBoardType) {
    MarkBoardInConfig(1);
    m_target.StartReceiver();
    // Give the receiver a head start before the work thread polls its state.
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (m_target.CreateWorkThread(kAttachedBoardType))
      m_brun = true;
  }
  return m_brun;
}

int CKestoBoardNotifyBase::OnRemove(DeviceInfo & /*deviceInfo*/) {
  CConsoleLog::Line(" dev out.........");
  {
    std::lock_guard<std::mutex> lock(m_attachMutex);
    m_target.DestroyWorkThread();
  }
  m_brun = false;
  return 0;
}

void CKestoBoardNotifyBase::Enumerate(const char * /*subsystem*/) {}
