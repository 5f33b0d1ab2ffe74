// The work thread of an attached board, as the application drives it.
//
// The application asks the work-thread factory (WorkThreadFactory.h) for the
// thread of a board type, then calls wxThread::Create, AttachDevice (with no
// device when the board's data arrive through the SDK receiver) and
// wxThread::Run. It stops the thread with wxThread::Delete; a stopped thread
// destroys itself. Other threads steer a running thread through OnCommand;
// the application's two one-shot timers call OnAppTimer on the main thread.
//
// This header declares only what the application, the IPC server and the UDP
// channel call. The board framework derives every board family from it and
// supplies the read loop, the companions and the command table.
#ifndef CKESTOBOARDWORKBASE_H
#define CKESTOBOARDWORKBASE_H

#include <wx/thread.h>

class CDeviceBase;

class CKestoBoardWorkBase : public wxThread {
public:
  CKestoBoardWorkBase() : wxThread(wxTHREAD_DETACHED) {}
  ~CKestoBoardWorkBase() override = default;

  // Takes ownership of device (may be null). False when the thread cannot
  // work with it; the creator then deletes the thread object.
  virtual bool AttachDevice(CDeviceBase *device) = 0;
  // Command entry; runs on the caller's thread (IPC and UDP: main thread).
  virtual bool OnCommand(int type, int value) = 0;
  // which 0: the release timer expired; 1: the side-key timer expired.
  // Main thread.
  virtual void OnAppTimer(int which) = 0;
  // Rebuilds the coordinate conversion from the stored calibration.
  virtual void ReloadConversion() = 0;
};

#endif // CKESTOBOARDWORKBASE_H
