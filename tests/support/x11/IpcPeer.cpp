#include "IpcPeer.h"

#include "WxTestApp.h"

IpcPeer::IpcPeer() : m_process({BOARD_IPC_PEER_PATH}) {}

bool IpcPeer::WaitFor(const std::string &prefix, std::string &line,
                      int timeoutMs) {
  for (auto it = m_unprompted.begin(); it != m_unprompted.end(); ++it) {
    if (it->compare(0, prefix.size(), prefix) == 0) {
      line = *it;
      m_unprompted.erase(it);
      return true;
    }
  }
  bool found = false;
  WxTestApp::PumpUntil(
      [&] {
        std::string next;
        while (!found && m_process.TryReadLine(next)) {
          if (next.compare(0, prefix.size(), prefix) == 0) {
            line = next;
            found = true;
          } else {
            m_unprompted.push_back(next);
          }
        }
        return found || m_process.Eof();
      },
      timeoutMs);
  return found;
}

std::string IpcPeer::Ask(const std::string &command,
                         const std::string &prefix) {
  std::string line;
  if (!m_process.WriteLine(command) || !WaitFor(prefix, line, 10000))
    return "";
  return line.substr(prefix.size());
}

bool IpcPeer::Connect(unsigned short port, const std::string &topic) {
  return Ask("connect " + std::to_string(port) + " " + topic, "connect ") ==
         "ok";
}

bool IpcPeer::StartAdvise(const std::string &item) {
  return Ask("start " + item, "start ") == "true";
}

bool IpcPeer::StopAdvise(const std::string &item) {
  return Ask("stop " + item, "stop ") == "true";
}

void IpcPeer::Disconnect() {
  Ask("disconnect", "disconnect ");
}

bool IpcPeer::NextAdvise(std::string &advise, int timeoutMs) {
  std::string line;
  if (!WaitFor("advise ", line, timeoutMs))
    return false;
  advise = line.substr(7);
  return true;
}

bool IpcPeer::WasDropped(int timeoutMs) {
  std::string line;
  return WaitFor("lost", line, timeoutMs);
}
