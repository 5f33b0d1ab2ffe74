// The daemon's application object: a wxWidgets GUI application without
// windows.
//
// It starts the services in a fixed order (working directory, language,
// banner, log target, IPC server, hotplug monitor), owns every long-lived
// object (IPC server, hotplug monitor, the one work thread, the UDP channel
// to the whiteboard software, the dual-mode client, the SDK receiver, the
// locale), runs the event loop and tears everything down on exit. Work
// threads, the hotplug thread and the SDK receiver reach the whiteboard
// software and the main thread through its operations.
//
// Threads: OnInit, OnExit, the event handlers and the IPC callbacks run on
// the main thread. CreateWorkThread, DestroyWorkThread and StartReceiver run
// on the hotplug thread. The send, advise, dual and log operations and
// PostAppEvent may be called from any thread.
#ifndef CKESTOBOARDAPP_H
#define CKESTOBOARDAPP_H

#include "CBoardAttachTarget.h"

#include <wx/app.h>
#include <wx/evtloopsrc.h>
#include <wx/intl.h>
#include <wx/timer.h>

#include <atomic>
#include <mutex>

class CKestoBoardDriverIPC;
class CKestoBoardNotifyLinux;
class CKestoBoardDualSock;
class CKestoBoardIPCSock;
class CKestoBoardWorkBase;
class wxSocketEvent;

class CKestoBoardApp : public wxApp,
                       public CBoardAttachTarget,
                       private wxEventLoopSourceHandler {
public:
  // Event identifiers of the application's event table.
  enum {
    ID_SOFT_SOCKET = 2000,    // UDP input from the whiteboard software
    ID_START_SOFTWARE = 6001, // start the whiteboard software
    ID_RUN_ORIENT = 6002,     // run "Orient_Run"
    ID_RELEASE_TIMER = 6004,  // release timer expired
    ID_SIDEKEY_TIMER = 6005,  // side-key timer expired
    ID_START_RELEASE = 6007,  // start the release timer
    ID_START_SIDEKEY = 6008,  // start the side-key timer
    ID_RUN_NOTTOUCH = 6010,   // run "NotTouch_Run"
  };
  static constexpr int kReleaseTimerMs = 100;
  static constexpr int kSidekeyTimerMs = 500;
  static constexpr int kBoardStyleDVT = 20;
  // The optical touch screen: the one device the hotplug monitor attaches.
  static constexpr int kBoardVendorId = 0x2621;
  static constexpr int kBoardProductId = 0x2211;

  CKestoBoardApp();
  ~CKestoBoardApp() override;

  // The process's application object; null before it is built and after it
  // is destroyed. Any thread.
  static CKestoBoardApp *Get();

  bool OnInit() override;
  int OnExit() override;
  int OnRun() override;
  void OnAssertFailure(const wxChar *file, int line, const wxChar *func,
                       const wxChar *cond, const wxChar *msg) override;

  // --- Start-up steps (main thread) ---------------------------------------
  bool SetLanguage(int language);
  bool SetupLog();
  bool StartIpcServer();

  // --- Board attach and detach (hotplug thread) ---------------------------
  bool CreateWorkThread(int type) override;
  // Also gives the touch screen opened through libLumo back (CSdkSession).
  bool DestroyWorkThread() override;
  bool StartReceiver() override;

  // --- Services for the other threads --------------------------------------
  // kind 0..4 -> event 6001, 6002, 6007, 6008, 6010, handled later on the
  // main thread; other kinds are ignored.
  void PostAppEvent(int kind);
  void SendConnectToSoft(bool attached);
  bool EnsureSoftSocket();
  void SendToSoftware(const char *data, int len);
  // Sends up to three characters of text to the software's advise item.
  // Called off the main thread, the advise is handed to the main thread,
  // which owns the IPC connection.
  void AdviseSoftware(const wxString &text);
  void OpenDualSocket(unsigned short port);
  void CloseDualSocket();
  void SendDualPoint(int action, int x, int y);
  void SendDualTouch(int a, int b, int c, int d);
  // Work thread only (the orientation process of the running thread).
  void ReloadConversion();
  void LogLine(int kind, const wxString &text, int value);
  bool IsBoardWorking() const { return m_bWorking; }
  CKestoBoardWorkBase *GetWork() const { return m_pWork; }
  // OnCommand of the work thread, when there is one; false otherwise. The
  // thread cannot be stopped while the command runs.
  bool CommandWork(int type, int value);

  // Hotplug monitor: rescans the "video4linux" subsystem. Main thread (the
  // IPC server, when the software disconnects while no board works).
  virtual void RescanVideoDevices();

  // --- Process scan ---------------------------------------------------------
  // pid of the first process whose program name (argv[0] without its path)
  // is name; -1 when there is none, -2 when /proc cannot be read.
  static long FindProcessByName(const char *name, bool exact);
  static bool IsSoftwareRunning();

  // --- Accessors
  // --------------------------------------------------------------
  CKestoBoardDriverIPC *GetIpcServer() const { return m_pIpcServer; } // main
  const wxString &GetWorkDir() const { return m_strWorkDir; }
  int GetSocketTimes() const { return m_iSocketTimes; }
  // Whether a UDP channel exists, and its board style (-1: none). Any thread.
  bool HasSoftSocket();
  int GetSoftSocketStyle();
  bool HasDualSocket();

  // The default working directory and the variable that overrides it.
  static const char *DefaultWorkDir();
  static constexpr const char *kWorkDirVariable = "BOARD_DRIVER_HOME";

protected:
  // Where the other services join. Each default is what the daemon does
  // while that service is not built in.
  //
  // Hotplug monitor: creates CKestoBoardNotifyLinux, stores it in m_pNotify,
  // creates its thread, registers the supported device and runs it. False
  // ends start-up.
  virtual bool StartHotplugMonitor();
  // SDK receiver: a new CReceiveMessage, not yet created.
  virtual wxThread *NewReceiver();
  // Work-thread factory.
  virtual CKestoBoardWorkBase *NewWorkThread(int type);
  // The program that starts the whiteboard software.
  virtual wxString GetSoftwareLauncher() const;

  CKestoBoardNotifyLinux *m_pNotify; // hotplug monitor thread; main thread

private:
  void OnStartSoftware(wxCommandEvent &event);
  void OnRunOrient(wxCommandEvent &event);
  void OnRunNotTouch(wxCommandEvent &event);
  void OnStartReleaseTimer(wxCommandEvent &event);
  void OnStartSidekeyTimer(wxCommandEvent &event);
  void OnReleaseTimer(wxTimerEvent &event);
  void OnSidekeyTimer(wxTimerEvent &event);
  void OnSoftSocket(wxSocketEvent &event);

  // wxEventLoopSourceHandler: the UDP channel's descriptor is readable.
  void OnReadWaiting() override;
  void OnWriteWaiting() override {}
  void OnExceptionWaiting() override {}

  // The OnExit steps; each skips a member that is already null.
  void ReleaseServices();
  // Runs the auxiliary program name of the working directory, if present.
  void RunWorkDirProgram(const char *name);
  static void Launch(const wxString &program);
  static void OnQuitSignal(int signal);

  wxTimer m_releaseTimer; // id 6004, one-shot
  wxTimer m_sidekeyTimer; // id 6005, one-shot
  // The last SDK receiver started; hotplug and main thread. Receivers end
  // and free themselves once the touch screen is set up, so this is only a
  // record: exit waits for running receivers through CReceiveMessage.
  // Atomic: the hotplug thread may start one while the main thread exits.
  std::atomic<wxThread *> m_pReceiver;
  CKestoBoardDriverIPC *m_pIpcServer; // main thread

  // The work thread: set and cleared under m_workLock (hotplug thread);
  // read without the lock by its own thread, used under the lock by the
  // main thread so that it cannot be stopped in the middle of a command.
  std::atomic<CKestoBoardWorkBase *> m_pWork;
  std::mutex m_workLock;

  // UDP channel: created, replaced, deleted and used under m_udpLock (any
  // thread; recursive because a received message may lead to a send).
  CKestoBoardIPCSock *m_pIPCSocket;
  std::recursive_mutex m_udpLock;

  // Dual-mode client: under m_dualLock (main and work thread).
  CKestoBoardDualSock *m_pDualSock;
  std::mutex m_dualLock;

  std::atomic<bool> m_bWorking;    // a board is attached
  wxLocale *m_pLocale;             // main thread
  std::atomic<int> m_iSocketTimes; // channels made by EnsureSoftSocket
  wxString m_strWorkDir;           // set by OnInit
  bool m_bQuitRequested;           // SIGTERM or SIGINT seen; main thread

  static std::atomic<CKestoBoardApp *> s_pApp;

  wxDECLARE_EVENT_TABLE();
};

#endif // CKESTOBOARDAPP_H
