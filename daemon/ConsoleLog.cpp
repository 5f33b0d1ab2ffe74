#include "ConsoleLog.h"

#include <cstdarg>
#include <cstdio>
#include <string>

void ConsolePrintf(const char *format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int len = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (len > 0) {
    std::string text(static_cast<size_t>(len) + 1, '\0');
    std::vsnprintf(&text[0], text.size(), format, args);
    std::fwrite(text.data(), 1, static_cast<size_t>(len), stdout);
    std::fflush(stdout);
  }
  va_end(args);
}

void ConsoleLine(const char *text) {
  ConsolePrintf("%s\n", text ? text : "");
}
