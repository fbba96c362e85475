#include "virtualdrive/linux_driver/fusefat_mount.h"

#include <signal.h>
#include <unistd.h>

#include "platform/errors.h"
#include "platform/linux/sysfs_reader.h"
#include "platform/linux/virtual_drive_record.h"
#include "platform/process.h"
#include "virtualdrive/linux_driver/process_watch.h"

namespace linux_driver {
namespace {
// fusefat reads the boot sector and the FAT before it goes into the background.
constexpr unsigned kMountTimeoutMs = 10000;
constexpr unsigned kUnmountTimeoutMs = 10000;
// The process writes what it still holds before it ends.
constexpr unsigned kFlushTimeoutMs = 20000;

std::string FuseUnmountProgram() {
  std::string program = platform::FindProgram("fusermount");
  if (program.empty()) program = platform::FindProgram("fusermount3");
  return program;
}

// Runs a command with its output discarded; false when it could not be
// started or did not end in time (it is killed then).
bool Run(const std::vector<std::string>& argv, unsigned timeoutMs, int* exitCode) {
  platform::ProcessId pid = 0;
  if (!platform::StartProgram(argv, &pid, platform::ProgramOutput::kDiscard)) return false;
  if (platform::WaitForProgram(pid, timeoutMs, exitCode) == platform::WaitResult::kFinished) {
    return true;
  }
  ::kill(static_cast<pid_t>(pid), SIGKILL);
  platform::WaitForProgram(pid, 1000, exitCode);
  return false;
}

bool FuseMountedAt(const std::string& folder) {
  const std::vector<platform::MountEntry> mounts = platform::ReadMounts(platform::NativePaths{});
  const platform::MountEntry* mount = platform::TopMountAt(mounts, folder);
  return mount != nullptr && mount->fsType.rfind("fuse", 0) == 0;
}

long ServingProcess(const std::string& image, const std::string& folder) {
  for (const platform::FusefatProcess& p :
       platform::ReadFusefatProcesses(platform::NativePaths{})) {
    if (p.mount.mountPoint == folder && p.mount.device == image) return p.pid;
  }
  return 0;
}
}  // namespace

std::vector<std::string> FusefatMountCommand(const std::string& fusefat, const std::string& image,
                                             const std::string& folder, bool readOnly) {
  // fusefat mounts read-only unless told "rw+".
  if (readOnly) return {fusefat, image, folder};
  return {fusefat, "-o", "rw+", image, folder};
}

std::vector<std::string> FuseUnmountCommand(const std::string& fusermount,
                                            const std::string& folder) {
  return {fusermount, "-u", folder};
}

bool FusefatAvailable() {
  return !platform::FindProgram("fusefat").empty() && !FuseUnmountProgram().empty() &&
         ::access("/dev/fuse", R_OK | W_OK) == 0;
}

std::uint32_t MountWithFusefat(const std::string& image, const std::string& folder, bool readOnly,
                               long* process) {
  const std::string fusefat = platform::FindProgram("fusefat");
  if (fusefat.empty()) return platform::kErrorFileNotFound;
  int exitCode = -1;
  const bool ran =
      Run(FusefatMountCommand(fusefat, image, folder, readOnly), kMountTimeoutMs, &exitCode);
  const long pid = ServingProcess(image, folder);
  if (ran && exitCode == 0 && pid != 0 && FuseMountedAt(folder)) {
    *process = pid;
    return platform::kErrorSuccess;
  }
  // Nothing may stay behind: a mount without a server, or a server that
  // still runs.
  ClearDeadFuseMount(folder);
  if (pid != 0) {
    ::kill(static_cast<pid_t>(pid), SIGTERM);
    WaitForProcessEnd(pid, kFlushTimeoutMs);
  }
  return platform::kErrorGenFailure;
}

std::uint32_t UnmountFusefat(const std::string& folder, long process) {
  const std::string fusermount = FuseUnmountProgram();
  if (fusermount.empty()) return platform::kErrorFileNotFound;
  int exitCode = -1;
  const bool ran = Run(FuseUnmountCommand(fusermount, folder), kUnmountTimeoutMs, &exitCode);
  if ((!ran || exitCode != 0) && FuseMountedAt(folder)) return platform::kErrorBusy;
  return WaitForProcessEnd(process, kFlushTimeoutMs) ? platform::kErrorSuccess
                                                     : platform::kErrorBusy;
}

bool FusefatServes(long process, const std::string& image) {
  for (const platform::FusefatProcess& p :
       platform::ReadFusefatProcesses(platform::NativePaths{})) {
    if (p.pid == process && p.mount.device == image) return true;
  }
  return false;
}

void ClearDeadFuseMount(const std::string& folder) {
  const std::string fusermount = FuseUnmountProgram();
  if (fusermount.empty() || !FuseMountedAt(folder)) return;
  int exitCode = -1;
  if (Run(FuseUnmountCommand(fusermount, folder), kUnmountTimeoutMs, &exitCode) && exitCode == 0) {
    return;
  }
  Run({fusermount, "-u", "-z", folder}, kUnmountTimeoutMs, &exitCode);
}

}  // namespace linux_driver
