#include "CLocaleNumbers.h"

#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <cstdio>
#include <locale.h>

namespace {

// Switches the calling thread to the "C" locale for the lifetime of the object.
class ScopedCLocale {
public:
  ScopedCLocale() : m_previous(uselocale(CLocale())) {}
  ~ScopedCLocale() { uselocale(m_previous); }
  ScopedCLocale(const ScopedCLocale &) = delete;
  ScopedCLocale &operator=(const ScopedCLocale &) = delete;

private:
  static locale_t CLocale() {
    // Created once and kept for the life of the process.
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return c;
  }
  locale_t m_previous;
};

} // namespace

bool CLocaleNumbers::ScanInt(const char *text, int &value) {
  if (!text)
    return false;
  // strtol reads the same leading integer as a "%d" scan, but has a defined
  // result for out-of-range texts, which are clamped to the int range.
  errno = 0;
  char *end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (end == text)
    return false;
  if (v > INT_MAX)
    v = INT_MAX;
  if (v < INT_MIN)
    v = INT_MIN;
  value = static_cast<int>(v);
  return true;
}

bool CLocaleNumbers::ScanDouble(const char *text, double &value) {
  if (!text)
    return false;
  ScopedCLocale c;
  return std::sscanf(text, "%lf", &value) == 1;
}

bool CLocaleNumbers::ScanPoint(const char *text, double &x, double &y) {
  if (!text)
    return false;
  ScopedCLocale c;
  double px, py;
  if (std::sscanf(text, "(%lf,%lf)", &px, &py) != 2)
    return false;
  x = px;
  y = py;
  return true;
}

std::string CLocaleNumbers::FormatInt(int value) {
  ScopedCLocale c;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%d", value);
  return buf;
}

std::string CLocaleNumbers::FormatPoint(double x, double y) {
  ScopedCLocale c;
  // Large values print many digits; size the buffer from the first pass.
  int len = std::snprintf(nullptr, 0, "(%lf,%lf)", x, y);
  if (len < 0)
    return std::string();
  std::string out(static_cast<std::size_t>(len) + 1, '\0');
  std::snprintf(&out[0], out.size(), "(%lf,%lf)", x, y);
  out.resize(static_cast<std::size_t>(len));
  return out;
}
