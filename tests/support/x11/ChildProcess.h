// A program run by a test, with its standard input and output on pipes.
//
//   ChildProcess p({"/path/prog", "arg"}, {{"VAR", "value"}});
//   std::string line;
//   p.ReadLine(line, 5000);          // blocks up to 5 s
//   p.TryReadLine(line);             // never blocks
//   p.WriteLine("command");
//   p.Signal(SIGTERM); int status; p.Wait(status, 5000);
//
// Standard error stays the test's own, so sanitizer reports show up in the
// test log. The process is killed and reaped when the object goes.
#ifndef TESTS_SUPPORT_X11_CHILDPROCESS_H
#define TESTS_SUPPORT_X11_CHILDPROCESS_H

#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

class ChildProcess {
public:
  // Starts argv[0] (a path) with the test's environment plus env (an empty
  // value removes the variable). Running() tells whether it started.
  ChildProcess(const std::vector<std::string> &argv,
               const std::map<std::string, std::string> &env = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess &) = delete;
  ChildProcess &operator=(const ChildProcess &) = delete;

  bool Running() const { return m_pid > 0; }
  pid_t Pid() const { return m_pid; }

  // One line of standard output without its newline. False on time-out or
  // at the end of the output (Eof() then tells which).
  bool ReadLine(std::string &line, int timeoutMs);
  bool TryReadLine(std::string &line) { return ReadLine(line, 0); }
  bool Eof() const { return m_eof; }
  // Everything read so far, lines joined with "\n".
  const std::string &Transcript() const { return m_transcript; }

  bool WriteLine(const std::string &line);
  void CloseInput();

  void Signal(int signal);
  // Waits for the end of the process; status as from waitpid. False on
  // time-out.
  bool Wait(int &status, int timeoutMs);

private:
  bool FillBuffer(int timeoutMs);

  pid_t m_pid = -1;
  int m_in = -1;  // its standard input
  int m_out = -1; // its standard output
  bool m_eof = false;
  bool m_reaped = false;
  std::string m_buffer;
  std::string m_transcript;
};

#endif
