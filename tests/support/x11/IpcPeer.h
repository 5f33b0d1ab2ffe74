// Drives a board_ipc_peer process (a wxWidgets IPC client in a process of its
// own) from a test whose own event loop serves the IPC server: every wait
// pumps that loop through WxTestApp.
#ifndef TESTS_SUPPORT_X11_IPCPEER_H
#define TESTS_SUPPORT_X11_IPCPEER_H

#include "ChildProcess.h"

#include <deque>
#include <string>

class IpcPeer {
public:
  IpcPeer();
  bool Running() const { return m_process.Running(); }

  bool Connect(unsigned short port, const std::string &topic);
  bool StartAdvise(const std::string &item);
  bool StopAdvise(const std::string &item);
  void Disconnect();

  // The next unprompted "advise ..." line (its text after "advise "), or
  // false when none arrives within timeoutMs.
  bool NextAdvise(std::string &advise, int timeoutMs = 3000);
  // True when the peer reported that the server dropped it.
  bool WasDropped(int timeoutMs = 3000);

private:
  // Sends a command and waits for the answer that starts with prefix;
  // unprompted lines are kept for NextAdvise and WasDropped.
  std::string Ask(const std::string &command, const std::string &prefix);
  bool WaitFor(const std::string &prefix, std::string &line, int timeoutMs);

  ChildProcess m_process;
  std::deque<std::string> m_unprompted;
};

#endif
