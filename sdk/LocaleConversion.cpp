#include "LocaleConversion.h"

#include <clocale>
#include <cstdlib>
#include <mutex>
#include <new>

namespace LumoVarnok {

namespace {

std::mutex g_conversionMutex;

// Holds the environment's locale for the life of one conversion, then leaves
// the process in "C".
class EnvironmentLocale {
public:
  EnvironmentLocale() : m_lock(g_conversionMutex) {
    std::setlocale(LC_ALL, "");
  }
  ~EnvironmentLocale() { std::setlocale(LC_ALL, "C"); }
  EnvironmentLocale(const EnvironmentLocale &) = delete;
  EnvironmentLocale &operator=(const EnvironmentLocale &) = delete;

private:
  std::lock_guard<std::mutex> m_lock;
};

} // namespace

// The length is measured in the same locale that converts, so that the
// allocation always fits the result.
std::unique_ptr<wchar_t[]> MultiByteToWide(const char *text) {
  if (!text)
    return nullptr;
  EnvironmentLocale locale;
  const size_t length = std::mbstowcs(nullptr, text, 0);
  if (length == static_cast<size_t>(-1))
    return nullptr;
  std::unique_ptr<wchar_t[]> wide(new (std::nothrow) wchar_t[length + 1]);
  if (!wide)
    return nullptr;
  std::mbstowcs(wide.get(), text, length + 1);
  wide[length] = L'\0';
  return wide;
}

std::unique_ptr<char[]> WideToMultiByte(const wchar_t *text) {
  if (!text)
    return nullptr;
  EnvironmentLocale locale;
  const size_t length = std::wcstombs(nullptr, text, 0);
  if (length == static_cast<size_t>(-1))
    return nullptr;
  std::unique_ptr<char[]> narrow(new (std::nothrow) char[length + 1]);
  if (!narrow)
    return nullptr;
  std::wcstombs(narrow.get(), text, length + 1);
  narrow[length] = '\0';
  return narrow;
}

} // namespace LumoVarnok
