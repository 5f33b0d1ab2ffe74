#include "ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

ChildProcess::ChildProcess(const std::vector<std::string> &argv,
                           const std::map<std::string, std::string> &env) {
  if (argv.empty())
    return;
  // Environment: ours, with env's entries replaced, added or removed.
  std::map<std::string, std::string> merged;
  for (char **e = environ; *e; ++e) {
    const char *eq = std::strchr(*e, '=');
    if (eq)
      merged[std::string(*e, static_cast<size_t>(eq - *e))] = eq + 1;
  }
  for (const auto &kv : env) {
    if (kv.second.empty())
      merged.erase(kv.first);
    else
      merged[kv.first] = kv.second;
  }
  std::vector<std::string> envText;
  for (const auto &kv : merged)
    envText.push_back(kv.first + "=" + kv.second);
  std::vector<char *> envp;
  for (auto &s : envText)
    envp.push_back(&s[0]);
  envp.push_back(nullptr);
  std::vector<char *> args;
  std::vector<std::string> argCopy(argv);
  for (auto &s : argCopy)
    args.push_back(&s[0]);
  args.push_back(nullptr);

  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0)
    return;
  if (pipe2(out, O_CLOEXEC) != 0) {
    close(in[0]);
    close(in[1]);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  pid_t pid = -1;
  const int rc =
      posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  if (rc != 0) {
    close(in[1]);
    close(out[0]);
    return;
  }
  m_pid = pid;
  m_in = in[1];
  m_out = out[0];
  // A child that dies must not take the test down with SIGPIPE.
  signal(SIGPIPE, SIG_IGN);
}

ChildProcess::~ChildProcess() {
  CloseInput();
  if (m_pid > 0 && !m_reaped) {
    kill(m_pid, SIGKILL);
    int status;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  if (m_out >= 0)
    close(m_out);
}

bool ChildProcess::FillBuffer(int timeoutMs) {
  if (m_out < 0 || m_eof)
    return false;
  pollfd p = {m_out, POLLIN, 0};
  const int ready = poll(&p, 1, timeoutMs);
  if (ready <= 0)
    return false;
  char chunk[4096];
  const ssize_t n = read(m_out, chunk, sizeof chunk);
  if (n <= 0) {
    if (n == 0 || errno != EINTR)
      m_eof = true;
    return false;
  }
  m_buffer.append(chunk, static_cast<size_t>(n));
  return true;
}

bool ChildProcess::ReadLine(std::string &line, int timeoutMs) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const size_t nl = m_buffer.find('\n');
    if (nl != std::string::npos) {
      line = m_buffer.substr(0, nl);
      m_buffer.erase(0, nl + 1);
      m_transcript += line + "\n";
      return true;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (!FillBuffer(left > 0 ? static_cast<int>(left) : 0) &&
        (m_eof || left <= 0))
      return false;
  }
}

bool ChildProcess::WriteLine(const std::string &line) {
  if (m_in < 0)
    return false;
  const std::string text = line + "\n";
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(m_in, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

void ChildProcess::CloseInput() {
  if (m_in >= 0) {
    close(m_in);
    m_in = -1;
  }
}

void ChildProcess::Signal(int signal) {
  if (m_pid > 0 && !m_reaped)
    kill(m_pid, signal);
}

bool ChildProcess::Wait(int &status, int timeoutMs) {
  if (m_pid <= 0)
    return false;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const pid_t r = waitpid(m_pid, &status, WNOHANG);
    if (r == m_pid) {
      m_reaped = true;
      return true;
    }
    if (r < 0 && errno != EINTR)
      return false;
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}
