#include "platform/process.h"

#include "platform/errors.h"
#include "platform/user_files.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

extern char** environ;

namespace platform {
namespace {
std::mutex g_mutex;
std::string g_moduleOverride;

std::vector<char*> ArgumentVector(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  return args;
}

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}
}  // namespace

std::string GetModuleFileName() {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_moduleOverride.empty()) return g_moduleOverride;
  }
  std::string path(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= path.size()) {
    SetLastError(n < 0 ? ErrorFromErrno(errno) : kErrorInsufficientBuffer);
    return {};
  }
  path.resize(static_cast<std::size_t>(n));
  return path;
}

void SetModuleFileNameOverride(std::string path) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_moduleOverride = std::move(path);
}

std::string GetProgramFolder() {
  const std::string path = GetModuleFileName();
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string GetTempPath() {
  return UserTemporaryFolder();
}

bool StandardErrorIsTerminal() {
  return isatty(STDERR_FILENO) == 1;
}

void SleepMs(unsigned ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
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
  if (name.find('/') != std::string::npos) return IsExecutableFile(name) ? name : std::string();
  const char* pathVar = std::getenv("PATH");
  const std::string path = pathVar != nullptr ? pathVar : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    std::string dir = path.substr(start, end - start);
    if (dir.empty()) dir = ".";
    std::string candidate = dir + "/" + name;
    if (IsExecutableFile(candidate)) return candidate;
    start = end + 1;
  }
  return {};
}

bool OpenWithDesktop(const std::string& target) {
  if (FindProgram("xdg-open").empty()) {
    SetLastError(kErrorFileNotFound);
    return false;
  }
  return RunProgram({"xdg-open", target}, false);
}

}  // namespace platform
