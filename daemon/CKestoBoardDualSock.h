// The two-user ("dual") channel: a TCP client to 127.0.0.1 on the port the
// whiteboard software names in "StartDual" / "StartDualSplit". The work
// thread streams the second user's touches through it as 20-byte records of
// five 32-bit integers in host byte order.
#ifndef CKESTOBOARDDUALSOCK_H
#define CKESTOBOARDDUALSOCK_H

#include <cstdint>

class CKestoBoardDualSock {
public:
  static constexpr int kRecordWords = 5;
  static constexpr int kRecordBytes = kRecordWords * 4;

  CKestoBoardDualSock();
  virtual ~CKestoBoardDualSock();
  CKestoBoardDualSock(const CKestoBoardDualSock &) = delete;
  CKestoBoardDualSock &operator=(const CKestoBoardDualSock &) = delete;

  // Connects to 127.0.0.1:port, blocking until the connection is made or
  // refused. False leaves the channel closed.
  bool Connect(unsigned short port);
  void Close();
  bool IsConnected() const { return m_fd >= 0; }

  // Record (-1, -1, action, x, y).
  void SendPoint(int action, int x, int y);
  // Record (-1, a, b, c, d).
  void SendTouch(int a, int b, int c, int d);

private:
  // Writes one whole record; a failed write closes the channel. Writes on a
  // closed channel are skipped.
  void SendRecord(const std::int32_t (&words)[kRecordWords]);

  int m_fd; // stream socket; -1 when not connected
};

#endif // CKESTOBOARDDUALSOCK_H
