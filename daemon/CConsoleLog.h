// The daemon's console: every line it prints goes to standard output through
// here, one line at a time and flushed at once, so lines written by different
// threads never interleave and a reader on a pipe sees each line as soon as
// it is printed.
#ifndef CCONSOLELOG_H
#define CCONSOLELOG_H

#include <cstddef>
#include <string>

class CConsoleLog {
public:
  // Writes the bytes as they are (the caller adds any newline).
  static void Write(const char *text, std::size_t length);
  static void Write(const std::string &text) {
    Write(text.data(), text.size());
  }
  // Writes text followed by a newline.
  static void Line(const std::string &text);
  // printf-style formatting; the format carries its own newline.
  static void Printf(const char *format, ...)
      __attribute__((format(printf, 1, 2)));
};

#endif // CCONSOLELOG_H
