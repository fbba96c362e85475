#include "platform/host/host_folder_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/errors.h"
#include "platform/host/dos_attributes.h"
#include "platform/posix/host_file.h"
#include "platform/posix/medium_read.h"

namespace platform {
namespace {
bool IsReadOnly(const std::string& hostPath) {
  std::uint32_t attributes = 0;
  return ReadDosAttributes(hostPath, &attributes) == kErrorSuccess &&
         (attributes & kAttributeReadOnly) != 0;
}

std::string ParentOf(const std::string& hostPath) {
  const std::size_t slash = hostPath.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : hostPath.substr(0, slash);
}

// A missing parent folder is "path not found", a missing file "file not found".
std::uint32_t MissingPathError(const std::string& hostPath) {
  const std::size_t slash = hostPath.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return kErrorFileNotFound;
  struct stat st {};
  const std::string parent = ParentOf(hostPath);
  return (stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ? kErrorFileNotFound
                                                                 : kErrorPathNotFound;
}
}  // namespace

HostFolderFiles::HostFolderFiles(std::string root) : root_(std::move(root)) {
  while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
}

std::string HostFolderFiles::HostPath(const std::string& path) const {
  std::string relative = path;
  if (!root_.empty()) std::replace(relative.begin(), relative.end(), '\\', '/');
  if (root_.empty()) return relative;
  return relative.empty() ? root_ : root_ + "/" + relative;
}

std::uint32_t HostFolderFiles::Open(const std::string& path, const OpenRequest& request,
                                    std::unique_ptr<IFile>* file) {
  const std::string hostPath = HostPath(path);
  const bool writing = (request.access & kGenericWrite) != 0;
  struct stat st {};
  const bool exists = stat(hostPath.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) return kErrorAccessDenied;
  // A device, a pipe or a socket is no file: opening it could block for ever
  // (a pipe without a writer) or give a length that is not its content.
  if (exists && !S_ISREG(st.st_mode)) return kErrorBadFileType;

  switch (request.disposition) {
    case Disposition::kCreateNew:
      if (exists) return kErrorFileExists;
      break;
    case Disposition::kOpenExisting:
    case Disposition::kTruncateExisting:
      if (!exists) return MissingPathError(hostPath);
      break;
    default:
      break;
  }
  const bool truncate = exists && (request.disposition == Disposition::kCreateAlways ||
                                   request.disposition == Disposition::kTruncateExisting);
  if (exists && (writing || truncate) && IsReadOnly(hostPath)) return kErrorAccessDenied;

  int flags = O_CLOEXEC | (writing ? O_RDWR : O_RDONLY);
  if (!exists) flags |= O_CREAT | O_EXCL;
  if (truncate && !writing) flags = (flags & ~O_RDONLY) | O_RDWR;
  // The cache is bypassed on real cards, where it keeps the progress honest
  // and the data on the medium when the writer is done; on other file
  // systems (folders that stand in for a card) the cache stays.
  // Without blocking, in case the name was replaced by a pipe since it was
  // looked at; what was opened is checked once more below.
  flags |= O_NONBLOCK;
  int fd = -1;
  if ((request.flags & kFlagNoBuffering) && IsOnVfat(ParentOf(hostPath))) {
    fd = open(hostPath.c_str(), flags | O_DIRECT, 0666);
  }
  if (fd < 0) fd = open(hostPath.c_str(), flags, 0666);
  if (fd < 0) {
    if (errno == ENOENT) return MissingPathError(hostPath);
    if (errno == ENXIO) return kErrorBadFileType;  // a pipe without a reader
    return errno == EEXIST ? kErrorFileExists : ErrorFromErrno(errno);
  }
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    close(fd);
    return kErrorBadFileType;
  }
  // Exclusive: no sharing with any other open of the file, here or elsewhere.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return kErrorSharingViolation;
  }
  // Truncate only once the lock is held, so a file open elsewhere is never cut.
  if (truncate && ftruncate(fd, 0) != 0) {
    const int err = errno;
    close(fd);
    return ErrorFromErrno(err);
  }
  *file = std::make_unique<HostFile>(fd);
  return kErrorSuccess;
}

std::uint32_t HostFolderFiles::GetAttributes(const std::string& path, std::uint32_t* attributes) {
  return ReadDosAttributes(HostPath(path), attributes);
}

std::uint32_t HostFolderFiles::SetAttributes(const std::string& path, std::uint32_t attributes) {
  return WriteDosAttributes(HostPath(path), attributes);
}

std::uint32_t HostFolderFiles::DeleteFile(const std::string& path) {
  const std::string hostPath = HostPath(path);
  struct stat st {};
  if (stat(hostPath.c_str(), &st) != 0) return MissingPathError(hostPath);
  if (S_ISDIR(st.st_mode) || IsReadOnly(hostPath)) return kErrorAccessDenied;
  // A file that is open elsewhere cannot be deleted.
  const int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    const bool busy = flock(fd, LOCK_EX | LOCK_NB) != 0;
    close(fd);
    if (busy) return kErrorSharingViolation;
  }
  return unlink(hostPath.c_str()) == 0 ? kErrorSuccess : ErrorFromErrno(errno);
}

std::uint32_t HostFolderFiles::CreateDirectory(const std::string& path) {
  const std::string hostPath = HostPath(path);
  if (mkdir(hostPath.c_str(), 0777) == 0) return kErrorSuccess;
  if (errno == EEXIST) return kErrorAlreadyExists;
  return errno == ENOENT ? kErrorPathNotFound : ErrorFromErrno(errno);
}

std::uint32_t HostFolderFiles::RemoveDirectory(const std::string& path) {
  const std::string hostPath = HostPath(path);
  if (IsReadOnly(hostPath)) return kErrorAccessDenied;
  if (rmdir(hostPath.c_str()) == 0) return kErrorSuccess;
  if (errno == ENOENT) return MissingPathError(hostPath);
  return errno == ENOTDIR ? kErrorDirectory : ErrorFromErrno(errno);
}

std::uint32_t HostFolderFiles::ListFiles(const std::string& path, std::vector<std::string>* names) {
  const std::string hostPath = HostPath(path);
  const std::string folder = hostPath.empty() ? "." : hostPath;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) {
    if (errno == ENOENT) return kErrorPathNotFound;
    return errno == ENOTDIR ? kErrorDirectory : ErrorFromErrno(errno);
  }
  while (const dirent* entry = readdir(dir)) {
    // Links are followed: a link to a file lists as the file.
    struct stat st {};
    const std::string name = entry->d_name;
    if (stat((folder + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      names->push_back(name);
    }
  }
  closedir(dir);
  return kErrorSuccess;
}

std::uint32_t HostFolderFiles::FreeSpace(const std::string& path, std::uint64_t* freeToCaller,
                                         std::uint64_t* totalBytes) {
  struct statvfs fs {};
  const std::string hostPath = HostPath(path);
  if (statvfs(hostPath.empty() ? "." : hostPath.c_str(), &fs) != 0) return ErrorFromErrno(errno);
  std::uint64_t available = static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize;
  if (freeLimit_) available = std::min(available, *freeLimit_);
  *freeToCaller = available;
  *totalBytes = static_cast<std::uint64_t>(fs.f_blocks) * fs.f_frsize;
  return kErrorSuccess;
}

std::uint32_t HostFolderFiles::Identity(const std::string& path, FileId* id) {
  const std::string hostPath = HostPath(path);
  struct stat st {};
  if (stat(hostPath.c_str(), &st) != 0) {
    return errno == ENOENT ? MissingPathError(hostPath) : ErrorFromErrno(errno);
  }
  *id = FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  return kErrorSuccess;
}

std::uint32_t HostFolderFiles::ReadFromMedium(const std::string& path, std::uint64_t offset,
                                              void* buffer, std::uint32_t count) {
  const std::string hostPath = HostPath(path);
  // Without blocking, in case the name is a pipe; only a file is read.
  const int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? MissingPathError(hostPath) : ErrorFromErrno(errno);
  struct stat st {};
  std::uint32_t code = kErrorBadFileType;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    code = platform::ReadFromMedium(fd, offset, buffer, count);
  }
  close(fd);
  return code;
}

}  // namespace platform
