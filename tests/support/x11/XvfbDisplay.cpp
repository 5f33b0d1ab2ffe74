#include "XvfbDisplay.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

bool XvfbDisplay::Start(int width, int height, int timeoutMs) {
  Stop();
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0)
    return false;

  // Xvfb writes the display number it chose to this descriptor once it is
  // ready; it must be inherited, so it is duplicated without close-on-exec.
  const int childFd = 3;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], childFd);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

  const std::string screen =
      std::to_string(width) + "x" + std::to_string(height) + "x24";
  const std::string displayFd = std::to_string(childFd);
  const char *argv[] = {"Xvfb",      "-displayfd", displayFd.c_str(),
                        "-screen",   "0",          screen.c_str(),
                        "-nolisten", "tcp",        "-noreset",
                        nullptr};
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, "Xvfb", &actions, nullptr,
                              const_cast<char **>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (rc != 0) {
    close(fds[0]);
    return false;
  }
  m_pid = pid;

  std::string number;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0)
      break;
    pollfd p = {fds[0], POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0)
      continue;
    char c;
    const ssize_t n = read(fds[0], &c, 1);
    if (n <= 0 || c == '\n')
      break;
    number.push_back(c);
  }
  close(fds[0]);
  if (number.empty()) {
    Stop();
    return false;
  }
  m_name = ":" + number;
  return true;
}

void XvfbDisplay::Stop() {
  if (m_pid <= 0)
    return;
  kill(m_pid, SIGTERM);
  int status = 0;
  for (int i = 0; i < 500; ++i) {
    const pid_t r = waitpid(m_pid, &status, WNOHANG);
    if (r == m_pid || (r < 0 && errno != EINTR))
      break;
    if (i == 300)
      kill(m_pid, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  m_pid = -1;
  m_name.clear();
}
