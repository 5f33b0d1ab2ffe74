// Runs a wxWidgets GUI application object inside a test process, against a
// private Xvfb display, and pumps its event loop on demand.
//
//   WxTestApp::Start(new MyApp);   // once per process, e.g. in a gtest
//                                  // Environment's SetUp
//   WxTestApp::PumpUntil([&] { return done; }, 5000);
//   WxTestApp::Stop();             // at the end of the process
//
// Start points DISPLAY at the private server and keeps GTK away from the
// session bus, so the tests need no desktop and never wait for one.
#ifndef TESTS_SUPPORT_X11_WXTESTAPP_H
#define TESTS_SUPPORT_X11_WXTESTAPP_H

#include <functional>
#include <string>

class wxApp;

class WxTestApp {
public:
  // Takes ownership of app. False when Xvfb or GTK cannot start.
  static bool Start(wxApp *app);
  static void Stop();
  static bool Started();
  static std::string Display();

  // Dispatches events (sockets, timers, posted events, idle work) until done
  // returns true or timeoutMs pass; returns done's last answer.
  static bool PumpUntil(const std::function<bool()> &done,
                        int timeoutMs = 5000);
  // Dispatches events for ms milliseconds.
  static void PumpFor(int ms);
};

#endif
