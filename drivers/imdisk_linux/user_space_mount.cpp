#include "imdisk_linux/user_space_mount.h"

#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include "platform/errors.h"
#include "platform/linux/mount_table.h"
#include "platform/linux/process_watch.h"
#include "platform/linux/sysfs_reader.h"
#include "platform/linux/virtual_drive_record.h"
#include "platform/process.h"

namespace linux_driver {
namespace {
// quillfen-fatfs reads the boot sector and the FAT before it goes into the
// background.
constexpr unsigned kMountTimeoutMs = 10000;
constexpr unsigned kUnmountTimeoutMs = 10000;
// The process writes what it still holds before it ends.
constexpr unsigned kFlushTimeoutMs = 20000;

// Its address tells which file holds this code.
const char kAnchor = 0;

std::string FuseUnmountProgram() {
  std::string program = platform::FindProgram("fusermount");
  if (program.empty()) program = platform::FindProgram("fusermount3");
  return program;
}

bool IsExecutable(const std::string& path) {
  return !path.empty() && ::access(path.c_str(), X_OK) == 0;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
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
  for (const platform::FuseServerProcess& p :
       platform::ReadFuseServerProcesses(platform::NativePaths{})) {
    if (p.fsType == platform::kFatfsFileSystemType && p.mount.mountPoint == folder &&
        p.mount.device == image) {
      return p.pid;
    }
  }
  return 0;
}
}  // namespace

std::vector<std::string> FatfsMountCommand(const std::string& fatfs, const std::string& image,
                                           const std::string& folder, bool readOnly) {
  // "--" keeps names that start with a dash from being read as options.
  if (readOnly) return {fatfs, "-r", "--", image, folder};
  return {fatfs, "--", image, folder};
}

std::vector<std::string> FuseUnmountCommand(const std::string& fusermount,
                                            const std::string& folder) {
  return {fusermount, "-u", folder};
}

std::string FatfsProgram() {
  Dl_info info{};
  if (::dladdr(&kAnchor, &info) != 0 && info.dli_fname != nullptr) {
    const std::string folder = FolderOf(info.dli_fname);
    if (!folder.empty() && IsExecutable(folder + platform::kFatfsProgram)) {
      return folder + platform::kFatfsProgram;
    }
  }
  const std::string beside = platform::GetProgramFolder() + platform::kFatfsProgram;
  if (IsExecutable(beside)) return beside;
  return platform::FindProgram(platform::kFatfsProgram);
}

bool FatfsAvailable() {
  return !FatfsProgram().empty() && !FuseUnmountProgram().empty() &&
         ::access("/dev/fuse", R_OK | W_OK) == 0;
}

std::uint32_t MountWithFatfs(const std::string& image, const std::string& folder, bool readOnly,
                             long* process) {
  const std::string fatfs = FatfsProgram();
  if (fatfs.empty()) return platform::kErrorFileNotFound;
  int exitCode = -1;
  const bool ran =
      Run(FatfsMountCommand(fatfs, image, folder, readOnly), kMountTimeoutMs, &exitCode);
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
    platform::WaitForProcessEnd(pid, kFlushTimeoutMs);
  }
  return platform::kErrorGenFailure;
}

std::uint32_t UnmountFatfs(const std::string& folder, long process) {
  const std::string fusermount = FuseUnmountProgram();
  if (fusermount.empty()) return platform::kErrorFileNotFound;
  int exitCode = -1;
  const bool ran = Run(FuseUnmountCommand(fusermount, folder), kUnmountTimeoutMs, &exitCode);
  if ((!ran || exitCode != 0) && FuseMountedAt(folder)) return platform::kErrorBusy;
  return platform::WaitForProcessEnd(process, kFlushTimeoutMs) ? platform::kErrorSuccess
                                                               : platform::kErrorBusy;
}

bool FatfsServes(long process, const std::string& image) {
  for (const platform::FuseServerProcess& p :
       platform::ReadFuseServerProcesses(platform::NativePaths{})) {
    if (p.pid == process && p.fsType == platform::kFatfsFileSystemType && p.mount.device == image) {
      return true;
    }
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
