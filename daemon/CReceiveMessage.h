// The daemon's client of libLumo: opens the optical touch screen, registers
// the raw-touch callback and sets the touch screen's data mode, then ends.
// From then on libLumo's dispatcher thread calls rawTouchReceived for every
// reported contact, which publishes the two contacts in g_SdkTouchState for
// the DVT work thread.
//
// A detached thread, started by the application when the board attaches.
// The opened device and callback manager are handed to CSdkSession, which
// keeps them while the board is attached.
#ifndef CRECEIVEMESSAGE_H
#define CRECEIVEMESSAGE_H

#include <wx/string.h>
#include <wx/thread.h>

#include <condition_variable>
#include <mutex>

class CReceiveMessage : public wxThread {
public:
  // The touch screen's data mode that streams raw touches (driver working
  // mode 0xF2 of the main controller).
  static constexpr unsigned char kDataMode = 2;

  CReceiveMessage();
  ~CReceiveMessage() override;

  // libLumo's raw-touch callback: record is a _TouchPoint. Dispatcher thread.
  static void rawTouchReceived(void *user, const void *record);

  // Waits until no receiver thread runs any more (each ends on its own after
  // setting the data mode). Main thread, at exit.
  static void WaitUntilAllEnded();
  // Receivers whose thread runs. Any thread.
  static int RunningCount();

protected:
  ExitCode Entry() override;
  void OnExit() override;

private:
  void *m_pDevice;  // libLumo device handle, until handed to CSdkSession
  void *m_pManager; // libLumo callback manager, likewise
  wxString m_strUnused;

  static std::mutex s_runningMutex;
  static std::condition_variable s_allEnded;
  static int s_iRunning; // under s_runningMutex
};

#endif // CRECEIVEMESSAGE_H
