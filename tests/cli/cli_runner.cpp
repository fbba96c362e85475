#include "cli/cli_runner.h"

#include <fcntl.h>
#include <grp.h>
#include <pty.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "support/temp_dir.h"

namespace clitest {
namespace {
std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
}  // namespace

CliResult RunCli(const std::vector<std::string>& args, const RunOptions& options) {
  testsupport::TempDir dir;
  const std::string outPath = dir.File("stdout");
  const std::string errPath = dir.File("stderr");
  int master = -1;
  int slave = -1;
  const bool terminal = options.stderrIsTerminal || !options.terminalPassword.empty();
  if (terminal && openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
    return {};
  }
  std::vector<std::string> words = {QUILLFEN_CLI_PATH};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  const std::string mountNamespace =
      "/proc/" + std::to_string(options.mountNamespaceOf) + "/ns/mnt";

  const pid_t pid = fork();
  if (pid == 0) {
    if (options.mountNamespaceOf != 0) {
      const int ns = open(mountNamespace.c_str(), O_RDONLY);
      if (ns < 0 || setns(ns, CLONE_NEWNS) != 0) _exit(125);
      close(ns);
    }
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = terminal ? slave : open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const bool ownTerminal = !options.terminalPassword.empty();
    if (ownTerminal) {
      setsid();
      ioctl(slave, TIOCSCTTY, 0);
    }
    const int in = ownTerminal ? slave : open("/dev/null", O_RDONLY);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    if (master >= 0) close(master);
    for (const auto& [name, value] : options.env) setenv(name.c_str(), value.c_str(), 1);
    if (options.runAsUser >= 0) {
      const auto id = static_cast<uid_t>(options.runAsUser);
      if (setgroups(0, nullptr) != 0 || setgid(id) != 0 || setuid(id) != 0) _exit(126);
    }
    if (options.timeoutSeconds != 0) alarm(options.timeoutSeconds);  // outlives the exec
    execv(argv[0], argv.data());
    _exit(127);
  }
  CliResult result;
  if (terminal) {
    close(slave);
    char buffer[4096];
    ssize_t n;
    std::size_t answered = 0;
    // Ends with EIO once the child and its copies of the terminal are gone.
    while ((n = read(master, buffer, sizeof buffer)) > 0) {
      result.err.append(buffer, static_cast<std::size_t>(n));
      const std::size_t prompt = result.err.find("Password: ", answered);
      if (!options.terminalPassword.empty() && prompt != std::string::npos) {
        answered = prompt + 1;
        // The prompter turns echo off around its prompt, dropping what was
        // typed ahead: the answer comes a moment later, as a person's does.
        usleep(300'000);
        const std::string line = options.terminalPassword + "\n";
        if (write(master, line.data(), line.size()) < 0) break;
      }
    }
    close(master);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = ReadAll(outPath);
  if (!terminal) result.err = ReadAll(errPath);
  return result;
}

std::string Describe(const CliResult& result) {
  return "exit " + std::to_string(result.exitCode) + "\n--- stdout:\n" + result.out +
         "--- stderr:\n" + result.err;
}

}  // namespace clitest
