#include "container/card_program.h"

#include <cstdio>

#include "platform/files.h"
#include "platform/process.h"

namespace {
// The autorun file's room in the reserve.
constexpr std::uint64_t kAutorunReserve = 300;

// True when the card's copy is the running program itself.
bool RunsFromCard(char drive, const OwnProgramFile& program) {
  return !program.path.empty() &&
         platform::IsSameFile(program.path, FfaProgramCopyPath(drive, program));
}
}  // namespace

OwnProgramFile ReadOwnProgramFile() {
  OwnProgramFile program;
  program.path = platform::GetModuleFileName();
  const std::size_t cut = program.path.find_last_of("/\\");
  program.name = cut == std::string::npos ? program.path : program.path.substr(cut + 1);
  if (!program.path.empty() && !platform::GetFileSize(program.path, &program.size)) {
    program.size = 0;
  }
  return program;
}

const OwnProgramFile& GetOwnProgramFile() {
  static const OwnProgramFile program = ReadOwnProgramFile();
  return program;
}

std::string FfaAutorunPath(char drive) {
  return std::string(1, drive) + ":\\autorun.inf";
}

std::string FfaProgramCopyPath(char drive, const OwnProgramFile& program) {
  return std::string(1, drive) + ":\\" + program.name;
}

std::string FfaAutorunText(const std::string& programName) {
  return "[AutoRun]\r\nopen=" + programName + "\r\nicon=" + programName +
         "\r\naction=Starting Dornveld Tarnwick Software\r\n";
}

std::uint64_t FfaProgramReserve(char drive, const OwnProgramFile& program, bool copyProgram,
                                bool createAutorun) {
  if (!copyProgram) return 0;
  std::uint64_t old = 0;
  if (program.name.empty() || !platform::GetFileSize(FfaProgramCopyPath(drive, program), &old)) {
    old = 0;
  }
  const std::uint64_t reserve = program.size > old ? program.size - old : 0;
  return reserve + (createAutorun ? kAutorunReserve : 0);
}

void FfaRemoveProgramFromCard(char drive, const OwnProgramFile& program) {
  platform::RemoveFile(FfaAutorunPath(drive));
  // Linux lets a running program's file be deleted: the card would lose it.
  if (!program.name.empty() && !RunsFromCard(drive, program)) {
    platform::RemoveFile(FfaProgramCopyPath(drive, program));
  }
}

void FfaPutProgramOnCard(char drive, const OwnProgramFile& program, bool createAutorun) {
  if (!program.name.empty() && !RunsFromCard(drive, program)) {
    const std::string copy = FfaProgramCopyPath(drive, program);
    platform::RemoveFile(copy);
    platform::CopyFileTo(program.path, copy, false);
  }
  if (!createAutorun) return;
  const std::string autorun = FfaAutorunPath(drive);
  platform::RemoveFile(autorun);
  platform::File file =
      platform::OpenFile(autorun, platform::kGenericWrite, platform::Disposition::kCreateNew);
  if (!file.IsOpen()) return;
  const std::string text = FfaAutorunText(program.name);
  file.WriteExact(text.data(), static_cast<std::uint32_t>(text.size()));
}
