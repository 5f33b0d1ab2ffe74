// Console output of libLumo's platform layer: one line per call on standard
// output, prefixed with "LumoSdk: " and ended with a newline, written with a
// single stdio call and flushed, so that lines of two threads never interleave.
#ifndef LUMO_SDKLOG_H
#define LUMO_SDKLOG_H

namespace LumoVarnok {

// printf-style; the prefix and the newline are added here.
void SdkLog(const char *format, ...) __attribute__((format(printf, 1, 2)));

// The text printf prints for a null string, for values that may be absent.
inline const char *LogText(const char *text) {
  return text ? text : "(null)";
}

} // namespace LumoVarnok

#endif // LUMO_SDKLOG_H
