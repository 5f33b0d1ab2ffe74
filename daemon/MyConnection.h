// One connection of the whiteboard software to the IPC server. The topic the
// software connected with names a command group; its start-advise and
// stop-advise requests carry the command argument in their item string, and
// become commands to the board's work thread. The item of the last accepted
// start advise is where the daemon's own notifications go.
//
// All callbacks run on the main thread.
#ifndef MYCONNECTION_H
#define MYCONNECTION_H

#include <wx/sckipc.h>

class MyConnection : public wxTCPConnection {
public:
  MyConnection() = default;
  ~MyConnection() override;

  bool OnStartAdvise(const wxString &topic, const wxString &item) override;
  bool OnStopAdvise(const wxString &topic, const wxString &item) override;
  // Keeps the object: the server deletes it when the next client connects.
  bool OnDisconnect() override;

  const wxString &GetAdviseItem() const { return m_strAdviseItem; }

private:
  wxString m_strAdviseItem; // empty until a start advise is accepted
};

#endif // MYCONNECTION_H
