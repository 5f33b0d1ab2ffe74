// Captures everything the process writes to standard output (descriptor 1,
// so printf, iostreams and direct writes alike) from construction until
// destruction, when the old standard output comes back and receives a copy
// of what was captured (so messages printed meanwhile stay in the log).
#ifndef TESTS_SUPPORT_X11_STDOUTCAPTURE_H
#define TESTS_SUPPORT_X11_STDOUTCAPTURE_H

#include <string>

class StdoutCapture {
public:
  StdoutCapture();
  ~StdoutCapture();
  StdoutCapture(const StdoutCapture &) = delete;
  StdoutCapture &operator=(const StdoutCapture &) = delete;

  // Everything captured so far.
  std::string Text() const;

private:
  int m_saved = -1;
  int m_file = -1;
};

#endif
