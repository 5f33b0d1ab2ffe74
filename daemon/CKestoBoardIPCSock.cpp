#include "CKestoBoardIPCSock.h"

#include "CConsoleLog.h"
#include "CKestoBoardApp.h"
#include "CLocaleNumbers.h"

#include <wx/evtloop.h>
#include <wx/evtloopsrc.h>

#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

std::atomic<bool> g_bSoftStarted{false};
std::atomic<bool> g_bInBoardFrame{false};
std::atomic<int> g_iDualValue{0};

namespace {

const char kFrameHead[] = "#KB@";

const char *const kOutgoing[CKestoBoardIPCSock::MSG_COUNT] = {
    "DisConnect", "Connect", "EnableGuesture", "DisableGuesture", "IsStart"};

// Incoming names in command-number order.
const char *const kIncoming[] = {"Start",      "Close",        "StartDualSplit",
                                 "StartDual",  "ShutDownDual", "WorkRect",
                                 "Earea",      "Mouse",        "Pen",
                                 "InBoardFrm", "NotInBoardFrm"};

// Board style names by board-type number.
const char *const kStyles[] = {
    "StyleET",   "StyleETD",   "StylePS",    "StylePSG",      "StylePSD",
    "StylePSDG", "StyleIR",    "StyleIRG",   "StyleIRD",      "StyleIRDG",
    "StyleIRXG", "StyleIRXDG", "StyleIRQ",   "StyleIRQ",      "StyleIRQ",
    "StyleIRQ",  "StyleUI",    "StyleLT",    "StyleLTFD",     "StyleLTTD",
    "StyleDVT",  "StyleDVT",   "StyleDVTQ",  "StyleDVTQ",     "StyleOI",
    "StyleETP",  "StyleETPD",  "StyleIRHKC", "StylePenHolder"};
constexpr int kStyleCount = sizeof(kStyles) / sizeof(kStyles[0]);

bool StartsWith(const char *text, const char *prefix) {
  return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// The text from byte offset on, or "" when the text is shorter.
const char *From(const char *text, std::size_t offset) {
  return std::strlen(text) >= offset ? text + offset : "";
}

// Decimal number at the start of text ("%d" rules, clamped to int); 0 when
// there is none.
int NumberAt(const char *text) {
  int value = 0;
  CLocaleNumbers::ScanInt(text, value);
  return value;
}

// "%d,%d,%d,%d": fills out[] until the first number or comma that does not
// scan; the values not reached stay as they were.
void ScanRect(const char *text, int out[4]) {
  const char *p = text;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      if (*p != ',')
        return;
      ++p;
    }
    char *end = nullptr;
    errno = 0;
    long v = std::strtol(p, &end, 10);
    if (end == p)
      return;
    out[i] = v > INT_MAX   ? INT_MAX
             : v < INT_MIN ? INT_MIN
                           : static_cast<int>(v);
    p = end;
  }
}

int ClampToInt(long long v) {
  return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
}

bool ValidPort(int port) {
  return port >= 1 && port <= 65535;
}

// Forwards a command to the application's work thread, if there is one.
void CommandWork(int type, int value) {
  if (CKestoBoardApp *app = CKestoBoardApp::Get())
    app->CommandWork(type, value);
}

} // namespace

CKestoBoardIPCSock::CKestoBoardIPCSock(wxEventLoopSourceHandler *inputHandler)
    : m_fd(-1), m_address(), m_iStyle(kNoStyle), m_pInputHandler(inputHandler) {
}

CKestoBoardIPCSock::~CKestoBoardIPCSock() {
  // Stop watching the descriptor before closing it, so that the event loop
  // never polls a closed (or reused) descriptor for us.
  m_pInputSource.reset();
  if (m_fd >= 0)
    close(m_fd);
}

const char *CKestoBoardIPCSock::StyleName(int index) {
  if (static_cast<unsigned>(index) >= static_cast<unsigned>(kStyleCount))
    return nullptr;
  return kStyles[index];
}

bool CKestoBoardIPCSock::Open() {
  m_pInputSource.reset();
  if (m_fd >= 0) {
    close(m_fd);
    m_fd = -1;
  }

  // Loopback only: the channel serves the software on this machine, and a
  // socket open to the network would let any host steer the daemon.
  m_address = sockaddr_in();
  m_address.sin_family = AF_INET;
  m_address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  m_address.sin_port = htons(kListenPort);

  int error = 0;
  m_fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (m_fd < 0) {
    error = errno;
  } else {
    const int on = 1;
    if (setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        bind(m_fd, reinterpret_cast<const sockaddr *>(&m_address),
             sizeof m_address) != 0) {
      error = errno;
      close(m_fd);
      m_fd = -1;
    }
  }

  if (m_fd >= 0 && m_pInputHandler) {
    m_pInputSource.reset(wxEventLoopBase::AddSourceForFD(m_fd, m_pInputHandler,
                                                         wxEVENT_SOURCE_INPUT));
  }

  if (m_fd >= 0)
    CConsoleLog::Printf("**Mavrent**SoftIPCSocket is ok >>%d\n", 0);
  else
    CConsoleLog::Printf("**Mavrent**SoftIPCSocket is not ok >>%d\n", error);

  // From now on the address is the destination of Send.
  m_address.sin_port = htons(kSoftwarePort);
  return true;
}

void CKestoBoardIPCSock::Send(const char *data, int len) {
  if (m_fd < 0 || !data || len < 0)
    return;
  sendto(m_fd, data, static_cast<std::size_t>(len), MSG_NOSIGNAL,
         reinterpret_cast<const sockaddr *>(&m_address), sizeof m_address);
}

void CKestoBoardIPCSock::SendMessage(int index) {
  // "#KB", then "@" and the name, then for the two connection reports "@"
  // and the board style when one is set.
  std::string text(kFrameHead, 3);
  if (index >= 0 && index < MSG_COUNT) {
    text.append("@").append(kOutgoing[index]);
    const char *style = StyleName(m_iStyle);
    if ((index == MSG_DISCONNECT || index == MSG_CONNECT) && style)
      text.append("@").append(style);
  }
  Send(text.data(), static_cast<int>(text.size()));
}

int CKestoBoardIPCSock::Receive(char *buffer, std::size_t size) {
  if (m_fd < 0 || !buffer || size == 0)
    return -1;
  std::memset(buffer, 0, size);
  ssize_t n;
  do {
    n = recv(m_fd, buffer, size - 1, 0);
  } while (n < 0 && errno == EINTR);
  return n < 0 ? -1 : static_cast<int>(n);
}

CKestoBoardIPCSock::Message CKestoBoardIPCSock::Parse(const char *text) {
  Message m;
  // Only the two tag letters are examined; bytes 0 and 3 may be anything.
  // A text with other tag letters counts as "Start".
  if (std::strlen(text) < 3 || text[1] != kFrameHead[1] ||
      text[2] != kFrameHead[2]) {
    m.command = CMD_START;
    return m;
  }
  const char *name = From(text, 4);
  if (StartsWith(name, "StartDualSplit")) {
    m.command = CMD_START_DUAL_SPLIT;
    m.port = NumberAt(From(text, 19));
  } else if (StartsWith(name, "StartDual")) {
    m.command = CMD_START_DUAL;
    m.port = NumberAt(From(text, 14));
  } else if (StartsWith(name, "ShutDownDual")) {
    m.command = CMD_SHUTDOWN_DUAL;
  } else if (StartsWith(name, "WorkRect")) {
    m.command = CMD_WORK_RECT;
    m.rectText = From(text, 13);
    ScanRect(m.rectText.c_str(), m.rect);
    // Integer division truncates toward zero; the sum is formed wide so that
    // extreme numbers cannot overflow.
    m.mid = ClampToInt(static_cast<long long>(m.rect[0]) + m.rect[2] / 2);
  } else {
    for (int i = 0; i < static_cast<int>(sizeof kIncoming / sizeof *kIncoming);
         ++i) {
      if (std::strcmp(name, kIncoming[i]) == 0) {
        m.command = i;
        break;
      }
    }
  }
  return m;
}

void CKestoBoardIPCSock::OnRecv(char *text) {
  if (!text)
    return;
  CConsoleLog::Printf("**Mavrent**OnRecv>>%s\n", text);
  const Message m = Parse(text);

  switch (m.command) {
  case CMD_START:
    g_bSoftStarted = true;
    SendMessage(StyleName(m_iStyle) ? MSG_CONNECT : MSG_DISCONNECT);
    break;
  case CMD_CLOSE:
    g_bSoftStarted = false;
    CommandWork(10, 0);
    break;
  case CMD_START_DUAL_SPLIT:
  case CMD_START_DUAL:
    if (!ValidPort(m.port)) {
      CConsoleLog::Printf("**Mavrent**OnRecv ignored: dual port %d is not "
                          "between 1 and 65535\n",
                          m.port);
      break;
    }
    g_iDualValue = m.port;
    if (m.command == CMD_START_DUAL_SPLIT) {
      CommandWork(9, m.port);
      CConsoleLog::Line("hehe2");
    } else {
      CommandWork(8, m.port);
      CConsoleLog::Line("hehe1");
    }
    break;
  case CMD_SHUTDOWN_DUAL:
    CommandWork(10, 0);
    break;
  case CMD_WORK_RECT:
    CConsoleLog::Printf("str=%s  (%d, %d, %d, %d) mid = %d\n",
                        m.rectText.c_str(), m.rect[0], m.rect[1], m.rect[2],
                        m.rect[3], m.mid);
    CommandWork(11, m.mid);
    CConsoleLog::Line("hehe3");
    break;
  case CMD_IN_BOARD_FRAME:
    g_bInBoardFrame = true;
    break;
  case CMD_NOT_IN_BOARD_FRAME:
    g_bInBoardFrame = false;
    break;
  default: // "Earea", "Mouse", "Pen" and unknown names: nothing to do
    break;
  }
}
