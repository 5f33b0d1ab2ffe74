#include "SdkLog.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace LumoVarnok {

namespace {
constexpr char kPrefix[] = "LumoSdk: ";
}

void SdkLog(const char *format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int len = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (len >= 0) {
    std::string line(kPrefix);
    const size_t start = line.size();
    line.resize(start + static_cast<size_t>(len) + 1);
    std::vsnprintf(&line[start], static_cast<size_t>(len) + 1, format, args);
    line[start + static_cast<size_t>(len)] = '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
  }
  va_end(args);
}

} // namespace LumoVarnok
