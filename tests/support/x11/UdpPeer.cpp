#include "UdpPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in Loopback(unsigned short port) {
  sockaddr_in a = sockaddr_in();
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(port);
  return a;
}

} // namespace

UdpPeer::UdpPeer(unsigned short port) {
  m_fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (m_fd < 0)
    return;
  const int on = 1;
  setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in a = Loopback(port);
  socklen_t len = sizeof a;
  if (bind(m_fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 ||
      getsockname(m_fd, reinterpret_cast<sockaddr *>(&a), &len) != 0) {
    close(m_fd);
    m_fd = -1;
    return;
  }
  m_port = ntohs(a.sin_port);
}

UdpPeer::~UdpPeer() {
  if (m_fd >= 0)
    close(m_fd);
}

bool UdpPeer::SendTo(unsigned short port, const std::string &bytes) {
  const sockaddr_in a = Loopback(port);
  return m_fd >= 0 && sendto(m_fd, bytes.data(), bytes.size(), 0,
                             reinterpret_cast<const sockaddr *>(&a),
                             sizeof a) == static_cast<ssize_t>(bytes.size());
}

bool UdpPeer::Receive(std::string &bytes, int timeoutMs) {
  if (m_fd < 0)
    return false;
  pollfd p = {m_fd, POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0)
    return false;
  char buffer[65536];
  const ssize_t n = recv(m_fd, buffer, sizeof buffer, 0);
  if (n < 0)
    return false;
  bytes.assign(buffer, static_cast<size_t>(n));
  return true;
}

void UdpPeer::Drain() {
  std::string ignored;
  while (Receive(ignored, 0)) {
  }
}
