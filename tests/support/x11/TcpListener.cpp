#include "TcpListener.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int Remaining(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
  return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

TcpListener::TcpListener(unsigned short port) {
  m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (m_fd < 0)
    return;
  const int on = 1;
  setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in a = sockaddr_in();
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(port);
  socklen_t len = sizeof a;
  if (bind(m_fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 ||
      listen(m_fd, 4) != 0 ||
      getsockname(m_fd, reinterpret_cast<sockaddr *>(&a), &len) != 0) {
    close(m_fd);
    m_fd = -1;
    return;
  }
  m_port = ntohs(a.sin_port);
}

TcpListener::~TcpListener() {
  if (m_conn >= 0)
    close(m_conn);
  if (m_fd >= 0)
    close(m_fd);
}

bool TcpListener::Accept(int timeoutMs) {
  if (m_fd < 0)
    return false;
  pollfd p = {m_fd, POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0)
    return false;
  const int c = accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
  if (c < 0)
    return false;
  if (m_conn >= 0)
    close(m_conn);
  m_conn = c;
  return true;
}

bool TcpListener::Read(std::string &bytes, std::size_t n, int timeoutMs) {
  bytes.clear();
  if (m_conn < 0)
    return false;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (bytes.size() < n) {
    pollfd p = {m_conn, POLLIN, 0};
    if (poll(&p, 1, Remaining(deadline)) <= 0)
      return false;
    char buffer[256];
    const std::size_t want = std::min(sizeof buffer, n - bytes.size());
    const ssize_t got = recv(m_conn, buffer, want, 0);
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0)
      return false;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return true;
}

bool TcpListener::PeerClosed(int timeoutMs) {
  if (m_conn < 0)
    return false;
  pollfd p = {m_conn, POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0)
    return false;
  char c;
  return recv(m_conn, &c, 1, MSG_PEEK) == 0;
}

unsigned short TcpListener::FreePort() {
  TcpListener probe;
  return probe.Port();
}
