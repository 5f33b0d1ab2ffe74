// The daemon's console output: plain lines on standard output, flushed at
// once so that a supervisor or a pipe sees them as they happen. Every thread
// may call it; each call is written with one stdio call, so lines of two
// threads never interleave.
#ifndef CONSOLELOG_H
#define CONSOLELOG_H

// printf-style; the text is written as given (add the newline yourself).
void ConsolePrintf(const char *format, ...) __attribute__((format(printf, 1, 2)));
// Writes text followed by a newline.
void ConsoleLine(const char *text);

#endif // CONSOLELOG_H
