// The framework's log target of the daemon: every wxLog message becomes one
// console line (with the framework's time stamp), written through CConsoleLog
// like the daemon's own lines.
#ifndef CCONSOLELOGTARGET_H
#define CCONSOLELOGTARGET_H

#include <wx/log.h>

class CConsoleLogTarget : public wxLog {
protected:
  void DoLogText(const wxString &msg) override;
};

#endif // CCONSOLELOGTARGET_H
