#include "CKestoBoardDualSock.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

// A software that stops reading must not hold the work thread for ever: a
// record that cannot be written within this time closes the channel.
constexpr int kSendTimeoutSeconds = 1;

} // namespace

CKestoBoardDualSock::CKestoBoardDualSock() : m_fd(-1) {}

CKestoBoardDualSock::~CKestoBoardDualSock() {
  Close();
}

bool CKestoBoardDualSock::Connect(unsigned short port) {
  Close();
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return false;

  sockaddr_in peer = sockaddr_in();
  peer.sin_family = AF_INET;
  peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  peer.sin_port = htons(port);
  int rc;
  do {
    rc = connect(fd, reinterpret_cast<const sockaddr *>(&peer), sizeof peer);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    close(fd);
    return false;
  }

  // Records are small and time-critical: send each at once.
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  timeval timeout = {kSendTimeoutSeconds, 0};
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  m_fd = fd;
  return true;
}

void CKestoBoardDualSock::Close() {
  if (m_fd >= 0) {
    close(m_fd);
    m_fd = -1;
  }
}

void CKestoBoardDualSock::SendPoint(int action, int x, int y) {
  const std::int32_t words[kRecordWords] = {-1, -1, action, x, y};
  SendRecord(words);
}

void CKestoBoardDualSock::SendTouch(int a, int b, int c, int d) {
  const std::int32_t words[kRecordWords] = {-1, a, b, c, d};
  SendRecord(words);
}

void CKestoBoardDualSock::SendRecord(
    const std::int32_t (&words)[kRecordWords]) {
  if (m_fd < 0)
    return;
  unsigned char record[kRecordBytes];
  std::memcpy(record, words, sizeof record);
  std::size_t sent = 0;
  while (sent < sizeof record) {
    const ssize_t n =
        send(m_fd, record + sent, sizeof record - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      // Peer gone or not reading: stop here rather than send a torn record
      // later.
      Close();
      return;
    }
    sent += static_cast<std::size_t>(n);
  }
}
