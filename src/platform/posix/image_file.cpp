#include "platform/image/image_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/errors.h"
#include "platform/posix/medium_read.h"
#include "platform/posix/write_back.h"

namespace platform {
namespace {

// The descriptor a handle of this backend holds.
int Fd(NativeHandle handle) {
  return static_cast<int>(handle);
}

}  // namespace

std::shared_ptr<ImageFile> ImageFile::Open(const std::string& path, bool readOnly,
                                           std::uint32_t* error) {
  bool writable = !readOnly;
  int fd = open(path.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
  if (fd < 0 && !readOnly && (errno == EACCES || errno == EROFS)) {
    writable = false;
    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  }
  if (fd < 0) {
    *error = ErrorFromErrno(errno);
    return nullptr;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    *error = kErrorInvalidParameter;
    return nullptr;
  }
  // One process at a time works on an image, as with a real card.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    *error = kErrorSharingViolation;
    return nullptr;
  }
  *error = kErrorSuccess;
  return std::shared_ptr<ImageFile>(
      new ImageFile(path, fd, static_cast<std::uint64_t>(st.st_size), writable));
}

ImageFile::~ImageFile() {
  close(Fd(handle_));
}

std::uint32_t ImageFile::ReadAt(std::uint64_t offset, void* buffer, std::uint32_t count) {
  if (offset > size_ || count > size_ - offset) return kErrorSectorNotFound;
  auto* out = static_cast<char*>(buffer);
  std::uint32_t done = 0;
  while (done < count) {
    const ssize_t n =
        pread(Fd(handle_), out + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? ErrorFromErrno(errno) : kErrorHandleEof;
    done += static_cast<std::uint32_t>(n);
  }
  return kErrorSuccess;
}

std::uint32_t ImageFile::WriteAt(std::uint64_t offset, const void* buffer, std::uint32_t count) {
  if (!writable_) return kErrorWriteProtect;
  if (offset > size_ || count > size_ - offset) return kErrorSectorNotFound;
  unsynced_ = true;
  const auto* in = static_cast<const char*>(buffer);
  std::uint32_t done = 0;
  while (done < count) {
    const ssize_t n =
        pwrite(Fd(handle_), in + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? ErrorFromErrno(errno) : kErrorDiskFull;
    done += static_cast<std::uint32_t>(n);
  }
  StartWriteBack(Fd(handle_), offset, count);
  return kErrorSuccess;
}

std::uint32_t ImageFile::Sync() {
  if (!unsynced_) return kErrorSuccess;
  if (fdatasync(Fd(handle_)) != 0) return ErrorFromErrno(errno);
  unsynced_ = false;
  return kErrorSuccess;
}

std::uint32_t ImageFile::ReadFromMedium(std::uint64_t offset, void* buffer, std::uint32_t count) {
  if (offset > size_ || count > size_ - offset) return kErrorSectorNotFound;
  if (const std::uint32_t code = Sync()) return code;  // only when something was written
  return platform::ReadFromMedium(Fd(handle_), offset, buffer, count, true);
}

bool ImageFile::Deleted() const {
  struct stat st {};
  return fstat(Fd(handle_), &st) == 0 && st.st_nlink == 0;
}

}  // namespace platform
