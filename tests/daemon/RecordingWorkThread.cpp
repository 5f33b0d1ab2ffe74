#include "RecordingWorkThread.h"

#include <wx/utils.h>

bool RecordingWorkThread::AttachDevice(CDeviceBase *device) {
  m_record->attached = device == nullptr;
  return m_attachResult;
}

bool RecordingWorkThread::OnCommand(int type, int value) {
  std::lock_guard<std::mutex> hold(m_record->lock);
  m_record->commands.emplace_back(type, value);
  m_record->commandThreads.push_back(std::this_thread::get_id());
  return true;
}

void RecordingWorkThread::OnAppTimer(int which) {
  std::lock_guard<std::mutex> hold(m_record->lock);
  m_record->timers.push_back(which);
}

wxThread::ExitCode RecordingWorkThread::Entry() {
  m_record->running = true;
  while (!TestDestroy())
    wxMilliSleep(2);
  return nullptr;
}
