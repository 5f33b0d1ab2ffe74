// board_ipc_peer: a client of the daemon's IPC server, as the whiteboard
// software is one, driven line by line through standard input. It runs in a
// process of its own because the library's client calls block until the
// server answers, and the server answers from the test's event loop.
//
// Commands (one per line) and their answers:
//   connect <port> <topic>  -> "connect ok" | "connect refused"
//   start <item>            -> "start true" | "start false"
//   stop <item>             -> "stop true" | "stop false"
//   disconnect              -> "disconnect ok"
//   quit                    -> (ends)
// Unprompted lines:
//   advise <item> <format> <size> <hex bytes>   an advise arrived
//   lost                                        the server dropped us
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/sckipc.h>
#include <wx/unix/evtloop.h>

#include <cstdio>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace {

void Say(const std::string &line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

class PeerConnection : public wxTCPConnection {
public:
  bool OnAdvise(const wxString &, const wxString &item, const void *data,
                size_t size, wxIPCFormat format) override {
    std::string hex;
    const unsigned char *bytes = static_cast<const unsigned char *>(data);
    char two[3];
    for (size_t i = 0; i < size; ++i) {
      std::snprintf(two, sizeof two, "%02x", bytes[i]);
      hex += two;
    }
    Say("advise " + item.ToStdString() + " " + std::to_string(format) + " " +
        std::to_string(size) + " " + hex);
    return true;
  }
  bool OnDisconnect() override {
    Say("lost");
    return true; // the object stays; "disconnect" or the next connect ends it
  }
};

class PeerClient : public wxTCPClient {
public:
  wxConnectionBase *OnMakeConnection() override { return new PeerConnection; }
};

bool ReadCommand(std::string &pending, std::string &line) {
  pollfd p = {0, POLLIN, 0};
  if (poll(&p, 1, 0) > 0) {
    char buffer[512];
    const ssize_t n = read(0, buffer, sizeof buffer);
    if (n <= 0)
      pending += "\nquit\n";
    else
      pending.append(buffer, static_cast<size_t>(n));
  }
  const size_t nl = pending.find('\n');
  if (nl == std::string::npos)
    return false;
  line = pending.substr(0, nl);
  pending.erase(0, nl + 1);
  return true;
}

} // namespace

int main(int argc, char **argv) {
  wxInitializer init(argc, argv);
  if (!init.IsOk())
    return 1;
  // The console loop: it watches the descriptors of the console socket
  // manager that a wxInitializer application uses (a GUI loop would not).
  wxConsoleEventLoop loop;
  wxEventLoopBase::SetActive(&loop);

  PeerClient client;
  PeerConnection *connection = nullptr;
  std::string pending, line;
  for (;;) {
    loop.DispatchTimeout(5);
    // Socket notifications arrive as pending events of the library's
    // handler: advises and the loss of the connection.
    if (wxAppConsole *app = wxAppConsole::GetInstance())
      app->ProcessPendingEvents();
    if (!ReadCommand(pending, line))
      continue;
    const size_t space = line.find(' ');
    const std::string verb = line.substr(0, space);
    const std::string rest =
        space == std::string::npos ? "" : line.substr(space + 1);
    if (verb == "connect") {
      const size_t gap = rest.find(' ');
      const std::string port = rest.substr(0, gap);
      const std::string topic =
          gap == std::string::npos ? "" : rest.substr(gap + 1);
      delete connection;
      connection = static_cast<PeerConnection *>(
          client.MakeConnection("127.0.0.1", port, topic));
      Say(connection ? "connect ok" : "connect refused");
    } else if (verb == "start") {
      Say(std::string("start ") +
          (connection && connection->StartAdvise(rest) ? "true" : "false"));
    } else if (verb == "stop") {
      Say(std::string("stop ") +
          (connection && connection->StopAdvise(rest) ? "true" : "false"));
    } else if (verb == "disconnect") {
      if (connection)
        connection->Disconnect();
      delete connection;
      connection = nullptr;
      Say("disconnect ok");
    } else if (verb == "quit") {
      break;
    }
  }
  delete connection;
  wxEventLoopBase::SetActive(nullptr);
  return 0;
}
