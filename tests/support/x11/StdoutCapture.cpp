#include "StdoutCapture.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

StdoutCapture::StdoutCapture() {
  std::fflush(stdout);
  char name[] = "/tmp/board-stdout-XXXXXX";
  m_file = mkostemp(name, O_CLOEXEC);
  if (m_file < 0)
    return;
  unlink(name);
  m_saved = dup(1);
  dup2(m_file, 1);
}

StdoutCapture::~StdoutCapture() {
  const std::string captured = Text();
  if (m_saved >= 0) {
    dup2(m_saved, 1);
    close(m_saved);
  }
  // Hand on what was captured, so that nothing printed meanwhile (a failed
  // expectation's message, say) is lost from the test's log.
  if (!captured.empty()) {
    std::fwrite(captured.data(), 1, captured.size(), stdout);
    std::fflush(stdout);
  }
  if (m_file >= 0)
    close(m_file);
}

std::string StdoutCapture::Text() const {
  std::fflush(stdout);
  std::string text;
  if (m_file < 0)
    return text;
  char buffer[4096];
  off_t offset = 0;
  for (;;) {
    const ssize_t n = pread(m_file, buffer, sizeof buffer, offset);
    if (n <= 0)
      break;
    text.append(buffer, static_cast<size_t>(n));
    offset += n;
  }
  return text;
}
