// Captures what the code under test prints on standard output, as lines.
#ifndef TESTS_SDK_CONSOLECAPTURE_H
#define TESTS_SDK_CONSOLECAPTURE_H

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

class ConsoleCapture {
public:
  ConsoleCapture() { testing::internal::CaptureStdout(); }
  ~ConsoleCapture() {
    if (!m_bTaken)
      testing::internal::GetCapturedStdout();
  }
  ConsoleCapture(const ConsoleCapture &) = delete;
  ConsoleCapture &operator=(const ConsoleCapture &) = delete;

  // Ends the capture and returns the lines printed meanwhile.
  std::vector<std::string> Lines() {
    m_bTaken = true;
    std::istringstream text(testing::internal::GetCapturedStdout());
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);)
      lines.push_back(line);
    return lines;
  }

private:
  bool m_bTaken = false;
};

#endif // TESTS_SDK_CONSOLECAPTURE_H
