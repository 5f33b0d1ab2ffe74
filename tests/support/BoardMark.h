// The mark the daemon keeps in its configuration file while a board is
// attached: Global/sort/kar (1 attached, 0 detached).
#ifndef TESTS_SUPPORT_BOARDMARK_H
#define TESTS_SUPPORT_BOARDMARK_H

#include "CConfigXML.h"

#include <string>

// The value of Global/sort/kar in the file at configPath; -1 when the file
// cannot be read or has no such value.
inline int BoardMark(const std::string &configPath) {
  CConfigXML config;
  int kar = -1;
  if (config.Open(configPath.c_str()))
    config.GetInt("Global", "sort", "kar", kar, -1);
  return kar;
}

#endif
