#include "CConsoleLogTarget.h"

#include "CConsoleLog.h"

void CConsoleLogTarget::DoLogText(const wxString &msg) {
  const wxScopedCharBuffer text = msg.mb_str();
  CConsoleLog::Line(text.data() ? text.data() : "");
}
