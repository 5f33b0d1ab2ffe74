#include "CConsoleLog.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <vector>

namespace {

std::mutex &ConsoleLock() {
  static std::mutex lock;
  return lock;
}

} // namespace

void CConsoleLog::Write(const char *text, std::size_t length) {
  std::lock_guard<std::mutex> hold(ConsoleLock());
  if (length)
    std::fwrite(text, 1, length, stdout);
  std::fflush(stdout);
}

void CConsoleLog::Line(const std::string &text) {
  std::string line;
  line.reserve(text.size() + 1);
  line.append(text).push_back('\n');
  Write(line);
}

void CConsoleLog::Printf(const char *format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int needed = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  if (needed > 0) {
    std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, again);
    Write(buffer.data(), static_cast<std::size_t>(needed));
  }
  va_end(again);
}
