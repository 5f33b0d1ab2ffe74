#include "CKestoBoardApp.h"

#include "CConfigXML.h"
#include "CConsoleLog.h"
#include "CConsoleLogTarget.h"
#include "CKestoBoardDriverIPC.h"
#include "CKestoBoardDualSock.h"
#include "CKestoBoardIPCSock.h"
#include "CKestoBoardWorkBase.h"
#include "CReceiveMessage.h"
#include "CSdkSession.h"
#include "DeviceInfo.h"
#include "Linux/CKestoBoardNotifyLinux.h"
#include "MyConnection.h"
#include "WorkThreadFactory.h"

#include <wx/filefn.h>
#include <wx/socket.h>
#include <wx/utils.h>

#include <cctype>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#ifndef BOARD_WORKDIR
#define BOARD_WORKDIR "/usr/share/BoardDriver/DVT"
#endif

namespace {

const char kConfigPath[] = "Config/config.xml";
const char kBanner[] = "Tavio_Driver";
const char kCatalogPrefix[] = "LANG";
const char kCatalog[] = "BoardDriver";
const char kFallbackCatalog[] = "en_US/BoardDriver";
const char kSoftwareProcess[] = "KestoWBSW";
const char kSoftwareLauncher[] = "/usr/share/TavioBoard_Software/run";
const char kOrientProgram[] = "Orient_Run";
const char kNotTouchProgram[] = "NotTouch_Run";
const char *const kTraceMasks[] = {"LogInfo", "LTWork",     "IPC",
                                   "Event",   "workThread", "DevNotify",
                                   "Orient",  "Sidekey",    "CConversion"};
constexpr int kLogLevelTrace = 7;
constexpr int kCmdlineLineMax = 98;

// Event ids posted by PostAppEvent, by kind.
const int kPostedEvents[] = {
    CKestoBoardApp::ID_START_SOFTWARE, CKestoBoardApp::ID_RUN_ORIENT,
    CKestoBoardApp::ID_START_RELEASE, CKestoBoardApp::ID_START_SIDEKEY,
    CKestoBoardApp::ID_RUN_NOTTOUCH};

// Reports, once per process, that the configuration file could not be read.
// Every reader then falls back to its own defaults.
void ReportConfigUnreadable() {
  static std::atomic<bool> reported{false};
  if (!reported.exchange(true))
    CConsoleLog::Line("**KestoLog**Cannot read Config/config.xml (missing or "
                      "not valid XML): built-in defaults apply");
}

std::string LocalText(const wxString &text) {
  const wxScopedCharBuffer bytes = text.mb_str();
  return bytes.data() ? std::string(bytes.data()) : std::string();
}

bool AllDigits(const char *text) {
  if (!*text)
    return false;
  for (; *text; ++text)
    if (!std::isdigit(static_cast<unsigned char>(*text)))
      return false;
  return true;
}

bool IsDirectory(const dirent *entry) {
  if (entry->d_type == DT_DIR)
    return true;
  if (entry->d_type != DT_UNKNOWN)
    return false;
  struct stat st;
  const std::string path = std::string("/proc/") + entry->d_name;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

std::atomic<CKestoBoardApp *> CKestoBoardApp::s_pApp{nullptr};

CKestoBoardApp::CKestoBoardApp()
    : m_pNotify(nullptr), m_releaseTimer(this, ID_RELEASE_TIMER),
      m_sidekeyTimer(this, ID_SIDEKEY_TIMER), m_pReceiver(nullptr),
      m_pIpcServer(nullptr), m_pWork(nullptr), m_pIPCSocket(nullptr),
      m_pDualSock(nullptr), m_bWorking(false), m_pLocale(nullptr),
      m_iSocketTimes(0), m_bQuitRequested(false) {
  s_pApp = this;
}

CKestoBoardApp::~CKestoBoardApp() {
  delete m_pLocale;
  m_pLocale = nullptr;
  ReleaseServices();
  CKestoBoardApp *self = this;
  s_pApp.compare_exchange_strong(self, nullptr);
}

CKestoBoardApp *CKestoBoardApp::Get() {
  return s_pApp;
}

const char *CKestoBoardApp::DefaultWorkDir() {
  return BOARD_WORKDIR;
}

// --- Start-up ---------------------------------------------------------------

bool CKestoBoardApp::OnInit() {
  // Until SetupLog installs the daemon's log target, messages the framework
  // logs (a locale it cannot set, say) also go to the console instead of a
  // dialog on a desktop nobody watches.
  delete wxLog::SetActiveTarget(new CConsoleLogTarget);

  // A service manager or a terminal stops the daemon with SIGTERM or SIGINT:
  // leave the event loop so that OnExit stops the threads and closes the
  // sockets.
  m_bQuitRequested = false;
  SetSignalHandler(SIGTERM, &CKestoBoardApp::OnQuitSignal);
  SetSignalHandler(SIGINT, &CKestoBoardApp::OnQuitSignal);

  // 1. Working directory (a failure is ignored: relative files then fail to
  // open where they are used).
  const char *home = std::getenv(kWorkDirVariable);
  m_strWorkDir = home && *home ? home : DefaultWorkDir();
  if (chdir(m_strWorkDir.fn_str()) != 0) {
    // Nothing to do: start-up goes on.
  }

  // 2. Language and message catalogs.
  if (!SetLanguage(wxLANGUAGE_DEFAULT))
    SetLanguage(wxLANGUAGE_ENGLISH_US);

  // 3. Banner.
  LogLine(0, kBanner, 0);

  // 4. Log target, IPC server, hotplug monitor; the first failure ends
  // start-up.
  return SetupLog() && StartIpcServer() && StartHotplugMonitor();
}

int CKestoBoardApp::OnRun() {
  // A stop request that arrived during start-up ends the daemon now.
  if (m_bQuitRequested)
    return 0;
  return wxApp::OnRun();
}

void CKestoBoardApp::OnQuitSignal(int) {
  // Runs on the main thread, from the event loop, not in signal context.
  if (CKestoBoardApp *app = Get()) {
    app->m_bQuitRequested = true;
    app->ExitMainLoop();
  }
}

void CKestoBoardApp::OnAssertFailure(const wxChar *file, int line,
                                     const wxChar *func, const wxChar *cond,
                                     const wxChar *msg) {
  // A daemon has no one to click away an assertion dialog: print it.
  CConsoleLog::Printf("**KestoLog**wxWidgets assertion \"%s\" failed in %s "
                      "(%s:%d): %s\n",
                      LocalText(cond ? cond : wxT("")).c_str(),
                      LocalText(func ? func : wxT("")).c_str(),
                      LocalText(file ? file : wxT("")).c_str(), line,
                      LocalText(msg ? msg : wxT("")).c_str());
}

bool CKestoBoardApp::SetLanguage(int language) {
  delete m_pLocale;
  m_pLocale = new wxLocale;
  // A language the system cannot set is not fatal: the catalogs decide.
  m_pLocale->Init(language, wxLOCALE_LOAD_DEFAULT);

  wxLocale::AddCatalogLookupPathPrefix(kCatalogPrefix);
  m_pLocale->AddCatalog(kCatalog);
  if (m_pLocale->IsLoaded(kCatalog)) {
    CConsoleLog::Line("**KestoLog**Successfully set the Program language");
    return true;
  }
  CConsoleLog::Line("**KestoLog**Failed to set the Program language");
  m_pLocale->AddCatalog(kFallbackCatalog);
  return m_pLocale->IsLoaded(kFallbackCatalog);
}

bool CKestoBoardApp::SetupLog() {
  delete wxLog::SetActiveTarget(new CConsoleLogTarget);
  wxLog::SetTimestamp("%Y-%m-%d %H:%M:%S");
  wxLog::SetLogLevel(kLogLevelTrace);
  for (const char *mask : kTraceMasks)
    wxLog::AddTraceMask(mask);
  return true;
}

bool CKestoBoardApp::StartIpcServer() {
  int port = 0;
  CConfigXML config;
  if (config.Open(kConfigPath)) {
    config.GetInt("Global", "port", "Karnum", port, 0);
    config.Close();
  } else {
    ReportConfigUnreadable();
  }

  m_pIpcServer = new CKestoBoardDriverIPC;
  CConsoleLog::Printf("**KestoLog**DriverIPCPortNum>> %d\n", port);

  // A number that is no TCP port must not turn into some other port.
  const bool validPort = port >= 0 && port <= 65535;
  if (!validPort) {
    CConsoleLog::Printf("**KestoLog**Global/port/Karnum %d is not a TCP port\n",
                        port);
  }
  if (!validPort || !m_pIpcServer->Create(wxString::Format("%d", port))) {
    delete m_pIpcServer;
    m_pIpcServer = nullptr;
    return false;
  }
  return true;
}

bool CKestoBoardApp::StartHotplugMonitor() {
  m_pNotify = new CKestoBoardNotifyLinux(*this);
  bool ok = m_pNotify->Create() == wxTHREAD_NO_ERROR;
  ok = ok && m_pNotify->RegisterDevice(kBoardVendorId, kBoardProductId,
                                       kDeviceKindHid, kBoardStyleDVT, 0);
  ok = ok && m_pNotify->Run() == wxTHREAD_NO_ERROR;
  if (!ok) {
    // Never run: the object is ours to delete.
    delete m_pNotify;
    m_pNotify = nullptr;
  }
  return ok;
}

void CKestoBoardApp::RescanVideoDevices() {
  if (m_pNotify)
    m_pNotify->Enumerate("video4linux");
}

wxThread *CKestoBoardApp::NewReceiver() { return new CReceiveMessage(); }

CKestoBoardWorkBase *CKestoBoardApp::NewWorkThread(int type) {
  return ::CreateWorkThread(type);
}

wxString CKestoBoardApp::GetSoftwareLauncher() const {
  return kSoftwareLauncher;
}

// --- Exit -------------------------------------------------------------------

int CKestoBoardApp::OnExit() {
  ReleaseServices();
  wxApp::OnExit();
  return 0;
}

void CKestoBoardApp::ReleaseServices() {
  m_releaseTimer.Stop();
  m_sidekeyTimer.Stop();

  // 1. SDK receiver: each ends by itself once the touch screen is set up.
  CReceiveMessage::WaitUntilAllEnded();
  m_pReceiver = nullptr;
  // 2. Work thread.
  CKestoBoardWorkBase *work;
  {
    std::lock_guard<std::mutex> hold(m_workLock);
    work = m_pWork.exchange(nullptr);
  }
  if (work)
    work->Delete();
  m_bWorking = false;
  // 3. IPC server.
  delete m_pIpcServer;
  m_pIpcServer = nullptr;
  // 4. UDP channel.
  {
    std::lock_guard<std::recursive_mutex> hold(m_udpLock);
    delete m_pIPCSocket;
    m_pIPCSocket = nullptr;
  }
  // 5. Hotplug monitor.
  if (m_pNotify) {
    m_pNotify->DeleteAndWait();
    m_pNotify = nullptr;
  }
  // With the monitor gone no receiver can start any more: give the touch
  // screen back, so libLumo's threads end before the process does.
  CReceiveMessage::WaitUntilAllEnded();
  CSdkSession::Get().Release();
  // The dual-mode client is the application's too.
  CloseDualSocket();
}

// --- Board attach and detach ------------------------------------------------

bool CKestoBoardApp::StartReceiver() {
  wxThread *receiver = NewReceiver();
  bool started = false;
  if (!receiver) {
    CConsoleLog::Line("**preceive =null ");
  } else if (receiver->Create() != wxTHREAD_NO_ERROR) {
    CConsoleLog::Line("**creat preceive error ");
    delete receiver; // no thread behind it yet
    receiver = nullptr;
  } else if (receiver->Run() != wxTHREAD_NO_ERROR) {
    CConsoleLog::Line("**Run preceive error ");
    // A created detached thread ends and frees itself once told to stop.
    receiver->Delete();
    receiver = nullptr;
  } else {
    started = true;
  }
  if (!started) {
    CConsoleLog::Line("**preceive error ");
    m_pReceiver = nullptr;
    return false;
  }
  // An earlier receiver is not stopped: it keeps serving the touch screen it
  // opened.
  m_pReceiver = receiver;
  return true;
}

bool CKestoBoardApp::CreateWorkThread(int type) {
  g_bSoftStarted = false;
  // Numbers in the configuration file use a decimal point.
  std::setlocale(LC_NUMERIC, "C");

  CKestoBoardWorkBase *work = NewWorkThread(type);
  CConsoleLog::Printf("**KestoLog**CreateWorkThread>>%d\n", type);

  bool running = false;
  if (!work) {
    CConsoleLog::Line("**pwork =null ");
  } else if (work->Create() != wxTHREAD_NO_ERROR) {
    CConsoleLog::Line("**creat  error ");
    delete work; // no thread behind it yet
    work = nullptr;
  } else if (!work->AttachDevice(nullptr)) {
    CConsoleLog::Line("**init  error ");
    work->Delete(); // the created thread ends without running and frees itself
    work = nullptr;
  } else if (work->Run() != wxTHREAD_NO_ERROR) {
    CConsoleLog::Line("**Run error ");
    work->Delete();
    work = nullptr;
  } else {
    running = true;
  }

  bool ok = false;
  if (running) {
    std::lock_guard<std::recursive_mutex> hold(m_udpLock);
    // A channel left from an earlier attach is replaced, not leaked: it is
    // bound to the same port and would go on raising input events.
    delete m_pIPCSocket;
    m_pIPCSocket = new CKestoBoardIPCSock(this);
    ok = m_pIPCSocket->Open();
    if (!ok) {
      delete m_pIPCSocket;
      m_pIPCSocket = nullptr;
    }
  }
  if (!ok)
    CConsoleLog::Line("**error ");

  CKestoBoardWorkBase *previous;
  {
    std::lock_guard<std::mutex> hold(m_workLock);
    previous = m_pWork.exchange(work);
  }
  // At most one work thread: one left from an attach without detach stops.
  if (previous && previous != work)
    previous->Delete();

  m_bWorking = true;
  SendConnectToSoft(true);
  return ok;
}

bool CKestoBoardApp::DestroyWorkThread() {
  // The board is gone: the touch screen opened for it is given back, with
  // the callback threads that served it.
  CSdkSession::Get().Release();
  if (!m_pWork)
    return false;

  m_bWorking = false;
  SendConnectToSoft(false);
  CConsoleLog::Line("**KestoLog**DestoryWorkThread");

  CKestoBoardWorkBase *work;
  {
    std::lock_guard<std::mutex> hold(m_workLock);
    work = m_pWork.exchange(nullptr);
  }
  if (work)
    work->Delete();

  CConfigXML config;
  if (config.Open(kConfigPath)) {
    config.SetInt("Global", "sort", "kar", 0);
    config.Save();
    config.Close();
  } else {
    ReportConfigUnreadable();
  }

  // Give the stopping thread time to detach its device before the channel
  // it reports through goes away.
  std::this_thread::sleep_for(std::chrono::seconds(1));

  std::lock_guard<std::recursive_mutex> hold(m_udpLock);
  delete m_pIPCSocket;
  m_pIPCSocket = nullptr;
  return true;
}

bool CKestoBoardApp::CommandWork(int type, int value) {
  std::lock_guard<std::mutex> hold(m_workLock);
  CKestoBoardWorkBase *work = m_pWork;
  return work ? work->OnCommand(type, value) : false;
}

void CKestoBoardApp::ReloadConversion() {
  // Called by the work thread itself, which cannot be gone while it runs.
  if (CKestoBoardWorkBase *work = m_pWork)
    work->ReloadConversion();
}

// --- The whiteboard software -------------------------------------------------

void CKestoBoardApp::PostAppEvent(int kind) {
  if (kind < 0 ||
      kind >= static_cast<int>(sizeof kPostedEvents / sizeof *kPostedEvents))
    return;
  wxQueueEvent(this, new wxCommandEvent(wxEVT_MENU, kPostedEvents[kind]));
}

void CKestoBoardApp::SendConnectToSoft(bool attached) {
  std::lock_guard<std::recursive_mutex> hold(m_udpLock);
  CConsoleLog::Printf("SendConnectToSoft: %d--m_pIPCSocket: %p\n",
                      attached ? 1 : 0, static_cast<void *>(m_pIPCSocket));
  if (!m_pIPCSocket)
    return;
  if (!attached) {
    m_pIPCSocket->SendMessage(CKestoBoardIPCSock::MSG_DISCONNECT);
    m_pIPCSocket->SetStyle(CKestoBoardIPCSock::kNoStyle);
  } else if (m_bWorking) {
    m_pIPCSocket->SetStyle(kBoardStyleDVT);
    m_pIPCSocket->SendMessage(CKestoBoardIPCSock::MSG_CONNECT);
    m_pIPCSocket->SendMessage(CKestoBoardIPCSock::MSG_IS_START);
  }
}

bool CKestoBoardApp::EnsureSoftSocket() {
  std::lock_guard<std::recursive_mutex> hold(m_udpLock);
  if (m_pIPCSocket)
    return true;
  CKestoBoardIPCSock *channel = new CKestoBoardIPCSock(this);
  if (!channel->Open()) {
    delete channel;
    return false;
  }
  m_pIPCSocket = channel;
  SendConnectToSoft(true);
  ++m_iSocketTimes;
  return true;
}

void CKestoBoardApp::SendToSoftware(const char *data, int len) {
  if (!data || len < 0)
    return;
  {
    std::lock_guard<std::recursive_mutex> hold(m_udpLock);
    EnsureSoftSocket();
    if (m_pIPCSocket)
      m_pIPCSocket->Send(data, len);
  }
  // The data need not be terminated: only its len bytes are logged.
  LogLine(1,
          wxString("CKestoBoardApp:OnSend>>") +
              wxString(data, wxConvLibc, static_cast<size_t>(len)) +
              "........IPCSocketTimes",
          m_iSocketTimes);
}

bool CKestoBoardApp::HasSoftSocket() {
  std::lock_guard<std::recursive_mutex> hold(m_udpLock);
  return m_pIPCSocket != nullptr;
}

int CKestoBoardApp::GetSoftSocketStyle() {
  std::lock_guard<std::recursive_mutex> hold(m_udpLock);
  return m_pIPCSocket ? m_pIPCSocket->GetStyle() : CKestoBoardIPCSock::kNoStyle;
}

void CKestoBoardApp::AdviseSoftware(const wxString &text) {
  if (!wxThread::IsMain()) {
    // The IPC connection belongs to the main thread, which may replace or
    // delete it at any moment: advise from there.
    const wxString copy(text.c_str());
    CallAfter([this, copy]() { AdviseSoftware(copy); });
    return;
  }
  MyConnection *connection =
      m_pIpcServer ? m_pIpcServer->GetConnection() : nullptr;
  if (!connection || connection->GetAdviseItem().empty())
    return;
  // Up to three characters, then zero bytes: 4 bytes in all.
  char data[4] = {0, 0, 0, 0};
  const std::string local = LocalText(text);
  std::memcpy(data, local.data(), std::min<size_t>(local.size(), 3));
  connection->Advise(connection->GetAdviseItem(), data, sizeof data,
                     wxIPC_PRIVATE);
}

// --- Dual-mode client --------------------------------------------------------

void CKestoBoardApp::OpenDualSocket(unsigned short port) {
  // Connect outside the lock: a connect may take a moment, and the work
  // thread's records must not wait for it.
  CKestoBoardDualSock *channel = new CKestoBoardDualSock;
  channel->Connect(port);
  CKestoBoardDualSock *previous;
  {
    std::lock_guard<std::mutex> hold(m_dualLock);
    previous = m_pDualSock;
    m_pDualSock = channel;
  }
  // An earlier channel is closed rather than left connected for ever.
  delete previous;
}

void CKestoBoardApp::CloseDualSocket() {
  CKestoBoardDualSock *channel;
  {
    std::lock_guard<std::mutex> hold(m_dualLock);
    channel = m_pDualSock;
    m_pDualSock = nullptr;
  }
  delete channel;
}

void CKestoBoardApp::SendDualPoint(int action, int x, int y) {
  std::lock_guard<std::mutex> hold(m_dualLock);
  if (m_pDualSock)
    m_pDualSock->SendPoint(action, x, y);
}

void CKestoBoardApp::SendDualTouch(int a, int b, int c, int d) {
  std::lock_guard<std::mutex> hold(m_dualLock);
  if (m_pDualSock)
    m_pDualSock->SendTouch(a, b, c, d);
}

bool CKestoBoardApp::HasDualSocket() {
  std::lock_guard<std::mutex> hold(m_dualLock);
  return m_pDualSock != nullptr;
}

// --- Console -----------------------------------------------------------------

void CKestoBoardApp::LogLine(int kind, const wxString &text, int value) {
  std::string line = "**KestoLog**";
  line += LocalText(text);
  if (kind == 1) {
    line += "----->  :";
    line += std::to_string(value);
  } else if (kind == 2) {
    line += "----->  :";
    line += value ? "True" : "False";
  }
  CConsoleLog::Line(line);
}

// --- Event handlers (main thread) --------------------------------------------

void CKestoBoardApp::Launch(const wxString &program) {
  // No arguments; the daemon does not wait for the program.
  const wxCharBuffer path = program.fn_str();
  const char *argv[] = {path.data(), nullptr};
  wxExecute(argv, wxEXEC_ASYNC);
}

void CKestoBoardApp::OnStartSoftware(wxCommandEvent &) {
  const wxString launcher = GetSoftwareLauncher();
  if (!IsSoftwareRunning() && wxFileExists(launcher))
    Launch(launcher);
}

void CKestoBoardApp::RunWorkDirProgram(const char *name) {
  if (wxFileExists(name))
    Launch(m_strWorkDir + "/" + name);
}

void CKestoBoardApp::OnRunOrient(wxCommandEvent &) {
  RunWorkDirProgram(kOrientProgram);
}

void CKestoBoardApp::OnRunNotTouch(wxCommandEvent &) {
  RunWorkDirProgram(kNotTouchProgram);
}

void CKestoBoardApp::OnStartReleaseTimer(wxCommandEvent &) {
  m_releaseTimer.StartOnce(kReleaseTimerMs);
}

void CKestoBoardApp::OnStartSidekeyTimer(wxCommandEvent &) {
  m_sidekeyTimer.StartOnce(kSidekeyTimerMs);
}

void CKestoBoardApp::OnReleaseTimer(wxTimerEvent &) {
  std::lock_guard<std::mutex> hold(m_workLock);
  if (CKestoBoardWorkBase *work = m_pWork)
    work->OnAppTimer(0);
}

void CKestoBoardApp::OnSidekeyTimer(wxTimerEvent &) {
  std::lock_guard<std::mutex> hold(m_workLock);
  if (CKestoBoardWorkBase *work = m_pWork)
    work->OnAppTimer(1);
}

void CKestoBoardApp::OnReadWaiting() {
  wxSocketEvent event(ID_SOFT_SOCKET);
  event.m_event = wxSOCKET_INPUT;
  event.m_clientData = nullptr;
  ProcessEvent(event);
}

void CKestoBoardApp::OnSoftSocket(wxSocketEvent &event) {
  if (event.GetSocketEvent() != wxSOCKET_INPUT)
    return;
  std::lock_guard<std::recursive_mutex> hold(m_udpLock);
  if (!m_pIPCSocket)
    return;
  char text[CKestoBoardIPCSock::kReceiveBufferSize];
  if (m_pIPCSocket->Receive(text, sizeof text) < 0)
    return;
  m_pIPCSocket->OnRecv(text);
}

// --- Process scan
// --------------------------------------------------------------

long CKestoBoardApp::FindProcessByName(const char *name, bool exact) {
  DIR *proc = opendir("/proc/");
  if (!proc) {
    std::perror("Couldn't open the /proc/ directory");
    return -2;
  }
  while (const dirent *entry = readdir(proc)) {
    if (!AllDigits(entry->d_name) || !IsDirectory(entry))
      continue;
    const std::string path = std::string("/proc/") + entry->d_name + "/cmdline";
    FILE *file = std::fopen(path.c_str(), "r");
    if (!file)
      continue;
    char line[kCmdlineLineMax + 1] = {0};
    const bool read = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    if (!read)
      continue;
    // The arguments are separated by zero bytes, so the text is argv[0];
    // its first word without the directory is the program name.
    char word[kCmdlineLineMax + 1];
    if (std::sscanf(line, "%98s", word) != 1)
      continue;
    const char *slash = std::strrchr(word, '/');
    const char *program = slash ? slash + 1 : word;
    const bool match = exact ? std::strcmp(program, name) == 0
                             : strcasecmp(program, name) == 0;
    if (match) {
      const long pid = std::strtol(entry->d_name, nullptr, 10);
      closedir(proc);
      return pid;
    }
  }
  closedir(proc);
  return -1;
}

bool CKestoBoardApp::IsSoftwareRunning() {
  return FindProcessByName(kSoftwareProcess, true) >= 0;
}

// --- Event table ------------------------------------------------------------

// clang-format off
wxBEGIN_EVENT_TABLE(CKestoBoardApp, wxApp)
  EVT_SOCKET(CKestoBoardApp::ID_SOFT_SOCKET, CKestoBoardApp::OnSoftSocket)
  EVT_MENU(CKestoBoardApp::ID_START_SOFTWARE, CKestoBoardApp::OnStartSoftware)
  EVT_MENU(CKestoBoardApp::ID_RUN_ORIENT, CKestoBoardApp::OnRunOrient)
  EVT_MENU(CKestoBoardApp::ID_RUN_NOTTOUCH, CKestoBoardApp::OnRunNotTouch)
  EVT_MENU(CKestoBoardApp::ID_START_RELEASE, CKestoBoardApp::OnStartReleaseTimer)
  EVT_MENU(CKestoBoardApp::ID_START_SIDEKEY, CKestoBoardApp::OnStartSidekeyTimer)
  EVT_TIMER(CKestoBoardApp::ID_RELEASE_TIMER, CKestoBoardApp::OnReleaseTimer)
  EVT_TIMER(CKestoBoardApp::ID_SIDEKEY_TIMER, CKestoBoardApp::OnSidekeyTimer)
wxEND_EVENT_TABLE()
