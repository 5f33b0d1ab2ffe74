#include "CReceiveMessage.h"

#include "CConsoleLog.h"
#include "CSdkSession.h"
#include "SdkTouchState.h"

#include <Lumo/Lumo.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

std::mutex CReceiveMessage::s_runningMutex;
std::condition_variable CReceiveMessage::s_allEnded;
int CReceiveMessage::s_iRunning = 0;

namespace {

// Enumeration callback: collects each touch screen's sysfs path.
void CollectPath(void *user, const char *path, const wchar_t * /*serial*/) {
  if (!path)
    return;
  static_cast<std::vector<std::string> *>(user)->push_back(path);
  CConsoleLog::Line(path);
}

// Truncates toward zero. The values come from the device: one that is not a
// number or lies outside the int range (a damaged report) is clamped instead
// of being converted with an undefined result.
int32_t Truncate(float value) {
  if (std::isnan(value))
    return 0;
  if (value >= 2147483647.0f)
    return INT32_MAX;
  if (value <= -2147483648.0f)
    return INT32_MIN;
  return static_cast<int32_t>(value);
}

} // namespace

CReceiveMessage::CReceiveMessage()
    : wxThread(wxTHREAD_DETACHED), m_pDevice(nullptr), m_pManager(nullptr) {
  // Counted from construction, so that a waiter at exit also waits for a
  // receiver that has been made but not yet scheduled.
  std::lock_guard<std::mutex> lock(s_runningMutex);
  ++s_iRunning;
}

CReceiveMessage::~CReceiveMessage() {
  g_SdkTouchState.received = 0;
  std::lock_guard<std::mutex> lock(s_runningMutex);
  --s_iRunning;
  s_allEnded.notify_all();
}

void CReceiveMessage::OnExit() {}

wxThread::ExitCode CReceiveMessage::Entry() {
  CConsoleLog::Line("0.......enter message entry...................");
  CSdkSession &session = CSdkSession::Get();
  std::lock_guard<std::mutex> hold(session.Mutex());
  // Whatever an earlier attach opened is given back before the touch screen
  // is opened again.
  session.ReleaseLocked();

  std::vector<std::string> paths;
  LumoEnumTouchScreensA(CollectPath, &paths);
  if (paths.empty()) {
    CConsoleLog::Line("no device found");
    return 0;
  }
  if (LumoOpenTouchScreenA(paths.front().c_str(), &m_pDevice) != 0) {
    m_pDevice = nullptr;
    CConsoleLog::Line("open device defeat");
    return 0;
  }
  // Read as the touch screen's identity check; the number is not used.
  wchar_t serial[1024 / sizeof(wchar_t)];
  LumoGetTouchScreenSerialNumber(m_pDevice, serial, sizeof serial, nullptr);

  if (LumoCreateCallbackManager(&m_pManager, m_pDevice) != 0) {
    m_pManager = nullptr;
    LumoCloseTouchScreen(m_pDevice);
    m_pDevice = nullptr;
    return 0;
  }
  // From here the session owns both, whatever happens next.
  session.AdoptLocked(m_pDevice, m_pManager);
  if (LumoRegisterRawtouchCallback(m_pManager, rawTouchReceived, nullptr) != 0)
    return 0;
  LumoSetTouchScreenDataMode(m_pDevice, kDataMode);
  // The device and the callback stay open; this thread has nothing more to
  // do and ends, so it never keeps the daemon from exiting.
  return 0;
}

void CReceiveMessage::rawTouchReceived(void * /*user*/, const void *record) {
  SdkTouchState &state = g_SdkTouchState;
  state.received = 1;
  const _TouchPoint *point = static_cast<const _TouchPoint *>(record);
  if (point) {
    const int c = point->contactId;
    if (c == 0 || c == 1) {
      if (point->tip == 0) {
        state.down[c] = 0;
        state.x[c] = Truncate(point->x);
        state.y[c] = Truncate(point->y);
      } else if (point->tip == 1) {
        state.down[c] = 1;
        state.x[c] = Truncate(point->x);
        state.y[c] = Truncate(point->y);
        // Summed in 64 bits: two clamped halves cannot overflow the sum.
        const int64_t size =
            int64_t(Truncate(point->width)) + int64_t(Truncate(point->height));
        state.size[c] = static_cast<int32_t>(
            size > INT32_MAX ? INT32_MAX : (size < INT32_MIN ? INT32_MIN : size));
      }
    }
  }
  // Paces the dispatcher.
  std::this_thread::sleep_for(std::chrono::microseconds(100));
}

void CReceiveMessage::WaitUntilAllEnded() {
  std::unique_lock<std::mutex> lock(s_runningMutex);
  s_allEnded.wait(lock, [] { return s_iRunning == 0; });
}

int CReceiveMessage::RunningCount() {
  std::lock_guard<std::mutex> lock(s_runningMutex);
  return s_iRunning;
}
