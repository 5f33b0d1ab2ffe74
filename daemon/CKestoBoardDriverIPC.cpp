#include "CKestoBoardDriverIPC.h"

#include "MyConnection.h"

#include <wx/socket.h>
#include <wx/utils.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Topics that open a command connection.
const char *const kCommandTopics[] = {"Orient",     "SideKey",    "PENSET",
                                      "PENTRAYSET", "DriversSet", "SetSpeed"};
const char kCamViewerTopic[] = "CAMVIEWER";
constexpr unsigned long kCamViewerPauseMs = 2000;

bool BoundAddress(int fd, sockaddr_in &address) {
  socklen_t length = sizeof address;
  return fd >= 0 &&
         getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) ==
             0 &&
         address.sin_family == AF_INET;
}

} // namespace

CKestoBoardDriverIPC::CKestoBoardDriverIPC() : m_pConnection(nullptr) {}

CKestoBoardDriverIPC::~CKestoBoardDriverIPC() {
  DropConnection();
}

void CKestoBoardDriverIPC::DropConnection() {
  if (m_pConnection) {
    m_pConnection->Disconnect();
    delete m_pConnection;
    m_pConnection = nullptr;
  }
}

bool CKestoBoardDriverIPC::IsAcceptedTopic(const wxString &topic) {
  for (const char *name : kCommandTopics)
    if (topic == name)
      return true;
  return topic == kCamViewerTopic;
}

bool CKestoBoardDriverIPC::Create(const wxString &serverName) {
  if (!wxTCPServer::Create(serverName))
    return false;
  if (!RestrictToLoopback()) {
    m_server->Destroy();
    m_server = nullptr;
    return false;
  }
  return true;
}

// The library binds its server socket to every local address and offers no
// way to name one. The software runs on this machine, and a listener open to
// the network would let any host steer the daemon and hold its main loop in
// the library's blocking handshake. So the listening descriptor is replaced,
// under the same number, by a socket bound to 127.0.0.1 on the same port: the
// library's watch and accept work on the descriptor number and go on as
// before, and the wire protocol is untouched.
bool CKestoBoardDriverIPC::RestrictToLoopback() {
  if (!m_server)
    return false;
  const int fd = static_cast<int>(m_server->GetSocket());
  sockaddr_in address;
  if (!BoundAddress(fd, address))
    return false;

  const int fresh =
      socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fresh < 0)
    return false;
  const int on = 1;
  setsockopt(fresh, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  // Closes the listener on every address; the port is ours again at once.
  const bool swapped = dup2(fresh, fd) == fd;
  close(fresh);
  if (!swapped)
    return false;

  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return bind(fd, reinterpret_cast<const sockaddr *>(&address),
              sizeof address) == 0 &&
         listen(fd, 5) == 0;
}

unsigned short CKestoBoardDriverIPC::GetListenPort() const {
  sockaddr_in address;
  if (!m_server ||
      !BoundAddress(static_cast<int>(m_server->GetSocket()), address))
    return 0;
  return ntohs(address.sin_port);
}

bool CKestoBoardDriverIPC::ListensOnLoopbackOnly() const {
  sockaddr_in address;
  return m_server &&
         BoundAddress(static_cast<int>(m_server->GetSocket()), address) &&
         address.sin_addr.s_addr == htonl(INADDR_LOOPBACK);
}

wxConnectionBase *
CKestoBoardDriverIPC::OnAcceptConnection(const wxString &topic) {
  // One connection at a time: any new request ends the current one, also
  // when its own topic is then refused.
  DropConnection();

  for (const char *name : kCommandTopics) {
    if (topic == name) {
      m_pConnection = new MyConnection;
      return m_pConnection;
    }
  }
  if (topic == kCamViewerTopic) {
    m_pConnection = new MyConnection;
    // The camera viewer expects the daemon to hold still for a moment after
    // it connects.
    wxMilliSleep(kCamViewerPauseMs);
    return m_pConnection;
  }
  return nullptr; // the library refuses the client
}
