#include "CSdkSession.h"

#include "SdkTouchState.h"

#include <Lumo/Lumo.h>

CSdkSession &CSdkSession::Get() {
  static CSdkSession session;
  return session;
}

void CSdkSession::AdoptLocked(void *device, void *manager) {
  ReleaseLocked();
  m_pDevice = device;
  m_pManager = manager;
}

void CSdkSession::ReleaseLocked() {
  // The manager first: its reader thread uses the device until it stops.
  if (m_pManager) {
    LumoDeleteCallbackManager(m_pManager);
    m_pManager = nullptr;
  }
  if (m_pDevice) {
    LumoCloseTouchScreen(m_pDevice);
    m_pDevice = nullptr;
  }
  g_SdkTouchState.Clear();
}

void CSdkSession::Release() {
  std::lock_guard<std::mutex> lock(m_mutex);
  ReleaseLocked();
}

bool CSdkSession::IsOpen() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_pDevice != nullptr;
}
