// The UDP status channel between the daemon and the whiteboard software.
//
// The daemon listens on 127.0.0.1:9999 and sends to 127.0.0.1:10000. Both
// directions carry short 8-bit texts without terminator: "#KB@" followed by a
// message name, optionally "@" and one argument. The daemon reports whether a
// board is attached and which board style it is; the software reports that it
// started or closed, switches the two-user modes and says whether the pointer
// is inside its board frame.
#ifndef CKESTOBOARDIPCSOCK_H
#define CKESTOBOARDIPCSOCK_H

#include <atomic>
#include <cstddef>
#include <memory>
#include <netinet/in.h>
#include <string>

class wxEventLoopSource;
class wxEventLoopSourceHandler;

// Process-wide flags shared with the work threads. Written on the main thread
// (received messages) and the hotplug thread (CreateWorkThread); read by work
// threads. Atomic, no lock.
extern std::atomic<bool> g_bSoftStarted;  // the software said "Start"
extern std::atomic<bool> g_bInBoardFrame; // the pointer is in its board frame
extern std::atomic<int> g_iDualValue;     // port of the last dual request

class CKestoBoardIPCSock {
public:
  static constexpr unsigned short kListenPort = 9999;
  static constexpr unsigned short kSoftwarePort = 10000;
  // Size of the receive buffer; a datagram is cut to one byte less so that
  // the text always ends inside the buffer.
  static constexpr std::size_t kReceiveBufferSize = 50;
  static constexpr int kNoStyle = -1;

  // Outgoing message indices.
  enum {
    MSG_DISCONNECT = 0,
    MSG_CONNECT,
    MSG_ENABLE_GESTURE,
    MSG_DISABLE_GESTURE,
    MSG_IS_START,
    MSG_COUNT
  };
  // Incoming command numbers (-1: not a known message).
  enum {
    CMD_NONE = -1,
    CMD_START = 0,
    CMD_CLOSE,
    CMD_START_DUAL_SPLIT,
    CMD_START_DUAL,
    CMD_SHUTDOWN_DUAL,
    CMD_WORK_RECT,
    CMD_EAREA,
    CMD_MOUSE,
    CMD_PEN,
    CMD_IN_BOARD_FRAME,
    CMD_NOT_IN_BOARD_FRAME
  };

  // A received text taken apart (Parse).
  struct Message {
    int command = CMD_NONE;
    int port = 0;               // "StartDual", "StartDualSplit"
    int rect[4] = {0, 0, 0, 0}; // "WorkRect": x, y, width, height
    int mid = 0;                // "WorkRect": x + width / 2
    std::string rectText;       // "WorkRect": the text after "WorkRect@"
  };

  // inputHandler (may be null) is told on the main thread whenever a
  // datagram is waiting; it then calls Receive.
  explicit CKestoBoardIPCSock(wxEventLoopSourceHandler *inputHandler);
  virtual ~CKestoBoardIPCSock();
  CKestoBoardIPCSock(const CKestoBoardIPCSock &) = delete;
  CKestoBoardIPCSock &operator=(const CKestoBoardIPCSock &) = delete;

  // Binds the listening socket and reports the result on the console. A
  // socket that cannot bind is dropped: its sends are skipped. Returns true
  // whenever the object could be set up.
  virtual bool Open();
  // Handles one received text (terminated): prints it, parses it and acts.
  // Main thread.
  virtual void OnRecv(char *text);
  // One datagram of len bytes to the software. Any thread.
  virtual void Send(const char *data, int len);

  // Builds and sends outgoing message index ("#KB@Connect@StyleDVT", ...).
  void SendMessage(int index);
  void SetStyle(int index) { m_iStyle = index; }
  int GetStyle() const { return m_iStyle; }
  // The name of style index, or null when index names no style.
  static const char *StyleName(int index);

  // Reads one waiting datagram into buffer (size bytes, terminator
  // included); returns the byte count, or -1 when nothing could be read.
  int Receive(char *buffer, std::size_t size);
  bool IsUsable() const { return m_fd >= 0; }

  static Message Parse(const char *text);

private:
  int m_fd;              // datagram socket; -1 when not usable
  sockaddr_in m_address; // port 9999 while binding, then the destination
  std::atomic<int> m_iStyle;
  wxEventLoopSourceHandler *m_pInputHandler; // borrowed
  std::unique_ptr<wxEventLoopSource> m_pInputSource;
};

#endif // CKESTOBOARDIPCSOCK_H
