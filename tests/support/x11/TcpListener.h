// A TCP listener on 127.0.0.1 for tests that play the server side, and a way
// to find a free TCP port.
#ifndef TESTS_SUPPORT_X11_TCPLISTENER_H
#define TESTS_SUPPORT_X11_TCPLISTENER_H

#include <string>

class TcpListener {
public:
  // Listens on 127.0.0.1:port (0: any free port).
  explicit TcpListener(unsigned short port = 0);
  ~TcpListener();
  TcpListener(const TcpListener &) = delete;
  TcpListener &operator=(const TcpListener &) = delete;

  bool Listening() const { return m_fd >= 0; }
  unsigned short Port() const { return m_port; }

  // Accepts one connection (replacing an earlier one). False on time-out.
  bool Accept(int timeoutMs);
  // Reads exactly n bytes from the accepted connection. False on time-out or
  // end of stream.
  bool Read(std::string &bytes, std::size_t n, int timeoutMs);
  // True when the accepted connection has been closed by the peer.
  bool PeerClosed(int timeoutMs);

  // A TCP port that nothing listens on right now.
  static unsigned short FreePort();

private:
  int m_fd = -1;
  int m_conn = -1;
  unsigned short m_port = 0;
};

#endif
