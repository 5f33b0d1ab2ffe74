// The IPC server through which the whiteboard software controls the driver
// (wxWidgets' TCP inter-process connection service). It listens on the TCP
// port configured in Config/config.xml, on the loopback address only, and
// keeps at most one connection: every new connection request, accepted or
// not, ends the previous one.
//
// Main thread only.
#ifndef CKESTOBOARDDRIVERIPC_H
#define CKESTOBOARDDRIVERIPC_H

#include <wx/sckipc.h>

class MyConnection;

class CKestoBoardDriverIPC : public wxTCPServer {
public:
  CKestoBoardDriverIPC();
  ~CKestoBoardDriverIPC() override;

  // serverName is the decimal port number. Listens on 127.0.0.1 only.
  bool Create(const wxString &serverName) override;
  wxConnectionBase *OnAcceptConnection(const wxString &topic) override;

  MyConnection *GetConnection() const { return m_pConnection; }
  // The TCP port the server listens on; 0 when it does not listen.
  unsigned short GetListenPort() const;
  // True when the listening socket is bound to the loopback address.
  bool ListensOnLoopbackOnly() const;

  static bool IsAcceptedTopic(const wxString &topic);

private:
  bool RestrictToLoopback();
  void DropConnection();

  MyConnection *m_pConnection; // owned; null when none
};

#endif // CKESTOBOARDDRIVERIPC_H
