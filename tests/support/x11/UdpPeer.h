// A UDP socket on 127.0.0.1 that plays the other side of a datagram channel.
#ifndef TESTS_SUPPORT_X11_UDPPEER_H
#define TESTS_SUPPORT_X11_UDPPEER_H

#include <string>

class UdpPeer {
public:
  // Binds 127.0.0.1:port (0: any free port), address reuse allowed.
  explicit UdpPeer(unsigned short port = 0);
  ~UdpPeer();
  UdpPeer(const UdpPeer &) = delete;
  UdpPeer &operator=(const UdpPeer &) = delete;

  bool Bound() const { return m_fd >= 0; }
  unsigned short Port() const { return m_port; }

  // One datagram with exactly these bytes to 127.0.0.1:port.
  bool SendTo(unsigned short port, const std::string &bytes);
  // One datagram, waiting up to timeoutMs (0: only what is there).
  bool Receive(std::string &bytes, int timeoutMs);
  // Drops everything received so far.
  void Drain();

private:
  int m_fd = -1;
  unsigned short m_port = 0;
};

#endif
