// A private X server for one test process: Xvfb on a free display number.
//
//   XvfbDisplay x;
//   ASSERT_TRUE(x.Start());          // DISPLAY is not touched
//   setenv("DISPLAY", x.Name().c_str(), 1);
//   ...                               // the server stops with the object
#ifndef TESTS_SUPPORT_X11_XVFBDISPLAY_H
#define TESTS_SUPPORT_X11_XVFBDISPLAY_H

#include <string>
#include <sys/types.h>

class XvfbDisplay {
public:
  XvfbDisplay() = default;
  ~XvfbDisplay() { Stop(); }
  XvfbDisplay(const XvfbDisplay &) = delete;
  XvfbDisplay &operator=(const XvfbDisplay &) = delete;

  // Starts Xvfb with a width x height x 24 screen and waits until it accepts
  // clients (Xvfb picks the display number and reports it through
  // -displayfd). False when the server did not come up within timeoutMs.
  bool Start(int width = 1280, int height = 1024, int timeoutMs = 10000);
  // Terminates the server and waits for it. Safe to call twice.
  void Stop();

  bool Running() const { return m_pid > 0; }
  // ":N", or "" when not running.
  const std::string &Name() const { return m_name; }

private:
  pid_t m_pid = -1;
  std::string m_name;
};

#endif
