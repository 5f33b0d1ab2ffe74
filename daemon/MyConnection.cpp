#include "MyConnection.h"

#include "CConsoleLog.h"
#include "CKestoBoardApp.h"
#include "CLocaleNumbers.h"

namespace {

// Item numbers: decimal, read in the local 8-bit encoding; text that is not a
// number reads as 0 and trailing text is ignored.
int ItemNumber(const wxString &item) {
  int value = 0;
  CLocaleNumbers::ScanInt(item.mb_str(), value);
  return value;
}

void Command(CKestoBoardApp *app, int type, int value) {
  app->CommandWork(type, value);
}

} // namespace

MyConnection::~MyConnection() = default;

bool MyConnection::OnStartAdvise(const wxString &topic, const wxString &item) {
  CKestoBoardApp *app = CKestoBoardApp::Get();
  // Commands need a working board; without one the request is refused and
  // the previous item stays.
  if (!app || !app->IsBoardWorking())
    return false;

  if (topic == "Orient") {
    Command(app, 1, ItemNumber(item));
  } else if (topic == "SideKey") {
    const int n = ItemNumber(item);
    if (n >= 1)
      Command(app, 2, n);
    else
      Command(app, 3, 0);
  } else if (topic == "PENSET") {
    CConsoleLog::Line("PENSET");
    Command(app, 4, 0);
  } else if (topic == "PENTRAYSET") {
    CConsoleLog::Line("PENTRAYSET");
    Command(app, 13, 0);
  } else if (topic == "SetSpeed") {
    Command(app, 12, ItemNumber(item));
  } else if (topic == "DriversSet") {
    if (item == "save") {
      Command(app, 5, 0);
    } else if (item == "data") {
      Command(app, 6, 1);
    } else if (item == "auto0") {
      Command(app, 7, 0);
    } else if (item == "auto1") {
      CConsoleLog::Line("auto1");
      Command(app, 7, 1);
    } else if (item == "auto2") {
      Command(app, 7, 2);
    } else if (item == "auto3") {
      Command(app, 7, 3);
    }
  }
  // "CAMVIEWER" and unknown "DriversSet" items: accepted, nothing to do.

  m_strAdviseItem = item;
  return true;
}

bool MyConnection::OnStopAdvise(const wxString &topic, const wxString &item) {
  CKestoBoardApp *app = CKestoBoardApp::Get();
  if (!app || !app->IsBoardWorking())
    return true;
  if (topic == "Orient" || topic == "SideKey")
    Command(app, 0, 0);
  else if (topic == "DriversSet" && item == "data")
    Command(app, 6, 0);
  return true;
}

bool MyConnection::OnDisconnect() {
  CKestoBoardApp *app = CKestoBoardApp::Get();
  if (!app)
    return true;
  if (app->IsBoardWorking()) {
    // End a calibration and the size reports the software had asked for.
    Command(app, 0, 0);
    Command(app, 6, 0);
  } else {
    // With no board working, look again for a camera board.
    app->RescanVideoDevices();
  }
  return true;
}
