#include "platform/linux/virtual_drive_state.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/errors.h"
#include "platform/linux/sysfs_reader.h"

namespace platform {
namespace {
constexpr const char* kFolderName = "quillfen-vdisk";
constexpr const char* kRecordPrefix = "drive-";
constexpr const char* kRecordSuffix = ".rec";

bool IsAbsolute(const char* path) {
  return path != nullptr && path[0] == '/';
}

std::string RecordPath(const std::string& folder, std::uint32_t number) {
  return folder + "/" + kRecordPrefix + std::to_string(number) + kRecordSuffix;
}

std::uint32_t CheckFolder(const std::string& folder) {
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0) return ErrorFromErrno(errno);
  // A link, someone else's folder or one that others may enter is not ours to use.
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 077) != 0) {
    return kErrorAccessDenied;
  }
  return kErrorSuccess;
}
}  // namespace

std::string ChooseVirtualDriveStateFolder(const char* runtimeDir, const char* cacheHome,
                                          const char* home) {
  if (IsAbsolute(runtimeDir)) return std::string(runtimeDir) + "/" + kFolderName;
  if (IsAbsolute(cacheHome)) return std::string(cacheHome) + "/" + kFolderName;
  if (IsAbsolute(home)) return std::string(home) + "/.cache/" + kFolderName;
  return {};
}

std::string VirtualDriveStateFolder() {
  return ChooseVirtualDriveStateFolder(std::getenv("XDG_RUNTIME_DIR"),
                                       std::getenv("XDG_CACHE_HOME"), std::getenv("HOME"));
}

std::uint32_t PrepareVirtualDriveStateFolder(const std::string& folder) {
  if (folder.empty()) return kErrorPathNotFound;
  // The cache folder itself may be missing on a fresh account.
  const std::size_t slash = folder.find_last_of('/');
  if (slash != std::string::npos && slash > 0) {
    const std::string parent = folder.substr(0, slash);
    for (std::size_t at = 1; at <= parent.size(); ++at) {
      if (at == parent.size() || parent[at] == '/') ::mkdir(parent.substr(0, at).c_str(), 0700);
    }
  }
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return ErrorFromErrno(errno);
  return CheckFolder(folder);
}

bool IsTrustedVirtualDriveStateFolder(const std::string& folder) {
  return !folder.empty() && CheckFolder(folder) == kErrorSuccess;
}

std::vector<VirtualDriveRecord> ReadVirtualDriveRecords(const std::string& folder) {
  std::vector<VirtualDriveRecord> records;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return records;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.rfind(kRecordPrefix, 0) != 0 || name.size() <= std::strlen(kRecordSuffix) ||
        name.compare(name.size() - std::strlen(kRecordSuffix), std::string::npos, kRecordSuffix) !=
            0) {
      continue;
    }
    std::string text;
    if (!ReadTextFile(folder + "/" + name, &text)) continue;
    const auto record = ParseVirtualDriveRecord(text);
    // The name must match the number inside, so one number has one record.
    if (record && RecordPath(folder, record->number) == folder + "/" + name) {
      records.push_back(*record);
    }
  }
  ::closedir(dir);
  std::sort(
      records.begin(), records.end(),
      [](const VirtualDriveRecord& a, const VirtualDriveRecord& b) { return a.number < b.number; });
  return records;
}

std::uint32_t WriteVirtualDriveRecord(const std::string& folder, const VirtualDriveRecord& record) {
  const std::string path = RecordPath(folder, record.number);
  const std::string temporary = path + ".new";
  const std::string text = FormatVirtualDriveRecord(record);
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return ErrorFromErrno(errno);
  const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  const int error = errno;
  ::close(fd);
  if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
    const std::uint32_t code = written ? ErrorFromErrno(errno) : ErrorFromErrno(error);
    ::unlink(temporary.c_str());
    return code;
  }
  return kErrorSuccess;
}

void RemoveVirtualDriveRecord(const std::string& folder, std::uint32_t number) {
  ::unlink(RecordPath(folder, number).c_str());
}

std::string VirtualDriveMountFolder(const std::string& stateFolder, char letter) {
  return stateFolder + "/drive-" + std::string(1, letter);
}

VirtualDriveStateLock::VirtualDriveStateLock(const std::string& folder) {
  // Close-on-exec: a file system server started under the lock must not
  // inherit it.
  fd_ = ::open((folder + "/lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) return;
  while (::flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) {
      ::close(fd_);
      fd_ = -1;
      return;
    }
  }
}

VirtualDriveStateLock::~VirtualDriveStateLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace platform
