// Number texts of the configuration file, independent of the process locale.
//
// The daemon's files always use a decimal point. The formatting and scanning
// here run under the "C" locale for the calling thread only, so another
// thread's locale (or the process-wide one) never turns 1.5 into "1,5".
#ifndef CLOCALENUMBERS_H
#define CLOCALENUMBERS_H

#include <string>

class CLocaleNumbers {
public:
  // "%d" scan: leading blanks skipped, trailing text ignored ("12abc" -> 12).
  static bool ScanInt(const char *text, int &value);
  // "%lf" scan of a real number with the same rules.
  static bool ScanDouble(const char *text, double &value);
  // "(%lf,%lf)" scan; true only when both numbers were read.
  static bool ScanPoint(const char *text, double &x, double &y);

  static std::string FormatInt(int value);
  // "(%lf,%lf)": six decimals, for example "(1000.000000,500.000000)".
  static std::string FormatPoint(double x, double y);
};

#endif // CLOCALENUMBERS_H
