// The running process and the programs it starts: own program path, temporary
// folder, sleeping, starting a program (and waiting for it), and handing a file
// or address to the desktop.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Full path of the running program's file (GetModuleFileNameA). Empty when the
// system does not tell it, with the last error set.
std::string GetModuleFileName();

// The system's own answer behind GetModuleFileName(), which a test's
// override replaces (the OS backend's).
std::string RunningProgramPath();

// Makes GetModuleFileName() answer `path` (tests); an empty path restores the
// real answer.
void SetModuleFileNameOverride(std::string path);

// The folder of the running program's file, with its trailing separator;
// empty when the system does not tell it.
std::string GetProgramFolder();

// The user's temporary folder with its trailing separator (GetTempPathA).
// As on Windows it belongs to the user alone: UserTemporaryFolder() of
// user_files.h. Empty when there is none.
std::string GetTempPath();

// True when the process's standard error goes to a terminal (where progress
// lines may redraw themselves).
bool StandardErrorIsTerminal();

// Blocks the calling thread for `ms` milliseconds.
void SleepMs(unsigned ms);

// A started program; 0 is none.
using ProcessId = long;

// Where a started program's output and error output go.
enum class ProgramOutput { kInherit, kDiscard };

// Starts argv[0] (looked up on the PATH when it names no folder) with the given
// arguments; nothing passes through a shell. False with the last error set
// when the program cannot be started.
bool StartProgram(const std::vector<std::string>& argv, ProcessId* process,
                  ProgramOutput output = ProgramOutput::kInherit);

enum class WaitResult { kFinished, kTimeout, kFailed };

// Waits up to `timeoutMs` for a started program (WaitForSingleObject). On
// kFinished the program is gone and *exitCode (when given) holds its exit code,
// 128 + signal number for a program ended by a signal.
WaitResult WaitForProgram(ProcessId process, unsigned timeoutMs, int* exitCode = nullptr);

// StartProgram, then either wait for the end (exitCode receives the exit code)
// or let it run on its own (it is reaped when it ends).
bool RunProgram(const std::vector<std::string>& argv, bool wait, int* exitCode = nullptr,
                ProgramOutput output = ProgramOutput::kInherit);

// Full path of a program found on the PATH, or empty.
std::string FindProgram(const std::string& name);

// Opens a file or web address with the desktop's default handler
// (ShellExecuteA with "open"); false when no handler could be started.
bool OpenWithDesktop(const std::string& target);

}  // namespace platform
