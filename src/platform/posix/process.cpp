#include "platform/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/errors.h"
#include "platform/program_file.h"

extern char** environ;

namespace platform {
namespace {
std::vector<char*> ArgumentVector(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  return args;
}
}  // namespace

bool StandardErrorIsTerminal() {
  return isatty(STDERR_FILENO) == 1;
}

bool StartProgram(const std::vector<std::string>& argv, ProcessId* process, ProgramOutput output) {
  if (argv.empty() || argv[0].empty()) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  std::vector<char*> args = ArgumentVector(argv);
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  if (output == ProgramOutput::kDiscard) {
    ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, 1, 2);
  }
  pid_t pid = 0;
  // posix_spawnp reports a program that cannot be run as its result.
  const int rc = ::posix_spawnp(&pid, argv[0].c_str(), &actions, nullptr, args.data(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    SetLastError(ErrorFromErrno(rc));
    return false;
  }
  if (process != nullptr) *process = pid;
  return true;
}

WaitResult WaitForProgram(ProcessId process, unsigned timeoutMs, int* exitCode) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(static_cast<pid_t>(process), &status, WNOHANG);
    if (done < 0) {
      if (errno == EINTR) continue;
      SetLastError(ErrorFromErrno(errno));
      return WaitResult::kFailed;
    }
    if (done == static_cast<pid_t>(process)) {
      if (exitCode != nullptr) {
        *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      return WaitResult::kFinished;
    }
    if (std::chrono::steady_clock::now() >= deadline) return WaitResult::kTimeout;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool RunProgram(const std::vector<std::string>& argv, bool wait, int* exitCode,
                ProgramOutput output) {
  ProcessId pid = 0;
  if (!StartProgram(argv, &pid, output)) return false;
  if (!wait) {
    // Nobody waits for it; reap it when it ends so no zombie stays behind.
    std::thread([pid] {
      int status = 0;
      while (::waitpid(static_cast<pid_t>(pid), &status, 0) < 0 && errno == EINTR) {
      }
    }).detach();
    return true;
  }
  for (;;) {
    const WaitResult r = WaitForProgram(pid, 1000, exitCode);
    if (r == WaitResult::kFinished) return true;
    if (r == WaitResult::kFailed) return false;
  }
}

std::string FindProgram(const std::string& name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) return IsExecutableProgram(name) ? name : std::string();
  const char* pathVar = std::getenv("PATH");
  const std::string path = pathVar != nullptr ? pathVar : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    std::string dir = path.substr(start, end - start);
    if (dir.empty()) dir = ".";
    std::string candidate = dir + "/" + name;
    if (IsExecutableProgram(candidate)) return candidate;
    start = end + 1;
  }
  return {};
}

}  // namespace platform
