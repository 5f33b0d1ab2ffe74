// The environment a test gives the real Tavio_Driver it starts: its working
// directory, the test's private X display, a fixed language, and GTK kept from
// reaching for session services the test machine does not run.
#ifndef TESTS_SUPPORT_X11_DAEMONENVIRONMENT_H
#define TESTS_SUPPORT_X11_DAEMONENVIRONMENT_H

#include <cstdlib>
#include <map>
#include <string>

inline std::map<std::string, std::string>
DaemonEnvironment(const std::string &workDir, const std::string &display) {
  // Under ThreadSanitizer, the daemon's wxWidgets internals are not checked
  // (see WxTestApp.cpp).
  const char *tsan = std::getenv("TSAN_OPTIONS");
  return {{"BOARD_DRIVER_HOME", workDir},
          {"DISPLAY", display},
          {"LANG", "C.UTF-8"},
          {"LC_ALL", ""},
          {"NO_AT_BRIDGE", "1"},
          {"GSETTINGS_BACKEND", "memory"},
          {"TSAN_OPTIONS", std::string(tsan ? tsan : "") +
                               ":ignore_noninstrumented_modules=1"}};
}

#endif
