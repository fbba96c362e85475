#include "platform/process.h"

#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/errors.h"
#include "platform/program_file.h"
#include "platform/windows/win32.h"

namespace platform {
namespace {

// Started programs by process id, with the handle that keeps their exit
// code until it is asked for.
std::mutex g_mutex;
std::map<ProcessId, HANDLE> g_started;

// One argument as the C runtime of the started program splits it again
// (backslashes double only before a quote).
std::string Quoted(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string out = "\"";
  std::size_t slashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    if (c == '"')
      out.append(slashes * 2 + 1, '\\');
    else
      out.append(slashes, '\\');
    slashes = 0;
    out.push_back(c);
  }
  out.append(slashes * 2, '\\');
  out.push_back('"');
  return out;
}

HANDLE TakeStarted(ProcessId process, bool remove) {
  std::lock_guard<std::mutex> lock(g_mutex);
  const auto found = g_started.find(process);
  if (found == g_started.end()) return nullptr;
  HANDLE handle = found->second;
  if (remove) g_started.erase(found);
  return handle;
}

}  // namespace

std::string RunningProgramPath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) {
      SetLastError(::GetLastError());
      return {};
    }
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

bool StandardErrorIsTerminal() {
  return _isatty(_fileno(stderr)) != 0;
}

bool StartProgram(const std::vector<std::string>& argv, ProcessId* process, ProgramOutput output) {
  if (argv.empty() || argv[0].empty()) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  std::string commandLine;
  for (const std::string& argument : argv) {
    if (!commandLine.empty()) commandLine.push_back(' ');
    commandLine += Quoted(argument);
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  HANDLE discard = INVALID_HANDLE_VALUE;
  if (output == ProgramOutput::kDiscard) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    discard = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                          OPEN_EXISTING, 0, nullptr);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = discard;
    startup.hStdError = discard;
  }
  PROCESS_INFORMATION started{};
  const BOOL ok =
      CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr,
                     output == ProgramOutput::kDiscard, 0, nullptr, nullptr, &startup, &started);
  const DWORD error = ok ? 0 : ::GetLastError();
  if (discard != INVALID_HANDLE_VALUE) CloseHandle(discard);
  if (!ok) {
    SetLastError(error);
    return false;
  }
  CloseHandle(started.hThread);
  const auto id = static_cast<ProcessId>(started.dwProcessId);
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_started[id] = started.hProcess;
  }
  if (process != nullptr) *process = id;
  return true;
}

WaitResult WaitForProgram(ProcessId process, unsigned timeoutMs, int* exitCode) {
  HANDLE handle = TakeStarted(process, false);
  if (handle == nullptr) {
    SetLastError(kErrorInvalidHandle);
    return WaitResult::kFailed;
  }
  const DWORD waited = WaitForSingleObject(handle, timeoutMs);
  if (waited == WAIT_TIMEOUT) return WaitResult::kTimeout;
  if (waited != WAIT_OBJECT_0) {
    SetLastError(::GetLastError());
    return WaitResult::kFailed;
  }
  DWORD code = 0;
  GetExitCodeProcess(handle, &code);
  if (exitCode != nullptr) *exitCode = static_cast<int>(code);
  CloseHandle(TakeStarted(process, true));
  return WaitResult::kFinished;
}

bool RunProgram(const std::vector<std::string>& argv, bool wait, int* exitCode,
                ProgramOutput output) {
  ProcessId id = 0;
  if (!StartProgram(argv, &id, output)) return false;
  if (!wait) {
    // Nobody asks for its exit code: the handle goes at once.
    CloseHandle(TakeStarted(id, true));
    return true;
  }
  for (;;) {
    const WaitResult r = WaitForProgram(id, 1000, exitCode);
    if (r == WaitResult::kFinished) return true;
    if (r == WaitResult::kFailed) return false;
  }
}

// The program by the system's search (SearchPathA: the folders in PATH,
// ".exe" added when the name has no extension).
std::string FindProgram(const std::string& name) {
  if (name.empty()) return {};
  if (name.find_first_of("/\\") != std::string::npos) {
    return IsExecutableProgram(name) ? name : std::string();
  }
  char found[MAX_PATH];
  const DWORD n = SearchPathA(nullptr, name.c_str(), ".exe", sizeof found, found, nullptr);
  if (n == 0 || n >= sizeof found || !IsExecutableProgram(found)) return {};
  return std::string(found, n);
}

// The command line needs no desktop: opening a file with its application
// (ShellExecuteA) belongs to the desktop program's build.
bool OpenWithDesktop(const std::string& target) {
  (void)target;
  SetLastError(kErrorNotSupported);
  return false;
}

}  // namespace platform
