// Runs the built quillfen-cli as a child process and captures what it says.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace clitest {

struct CliResult {
  int exitCode = -1;  // 128 + signal for a program ended by a signal
  std::string out;
  std::string err;
};

struct RunOptions {
  std::vector<std::pair<std::string, std::string>> env;  // set in the child only
  bool stderrIsTerminal = false;                         // a pseudo terminal on fd 2
  // Runs the tool as this user and group id (root only), so that files the
  // user may not write are read-only to it; -1 keeps the test's own.
  int runAsUser = -1;
  // Non-zero: the tool runs in this process's mount namespace (root only).
  int mountNamespaceOf = 0;
  // Non-empty: the tool runs on a pseudo terminal of its own (standard input
  // and error, its controlling terminal), and every "Password: " prompt on it
  // is answered with this text.
  std::string terminalPassword;
  // Ends the tool with SIGALRM (exit 128 + 14) when it runs longer; 0 never.
  unsigned timeoutSeconds = 0;
};

CliResult RunCli(const std::vector<std::string>& args, const RunOptions& options = {});

// "exit 1, out: ..., err: ..." for failure messages.
std::string Describe(const CliResult& result);

}  // namespace clitest
