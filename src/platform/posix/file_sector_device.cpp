#include "platform/file_sector_device.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "platform/posix/block_device_size.h"
#include "platform/posix/device_node_open.h"
#include "platform/posix/write_back.h"

namespace platform {
namespace {
using fat::Error;
using fat::Fail;
using fat::Status;

Status ErrnoStatus(const std::string& what, int error) {
  return Fail(error == EACCES || error == EPERM ? Error::kAccessDenied : Error::kIo,
              what + ": " + std::strerror(error));
}

// The descriptor a handle of this backend holds.
int Fd(NativeHandle handle) {
  return static_cast<int>(handle);
}

}  // namespace

FileSectorDevice::FileSectorDevice(NativeHandle handle, bool owns, bool writable,
                                   std::uint32_t sectorSize, std::uint64_t sectorCount)
    : handle_(handle),
      owns_(owns),
      writable_(writable),
      sectorSize_(sectorSize),
      sectorCount_(sectorCount) {}

FileSectorDevice::~FileSectorDevice() {
  if (owns_) ::close(Fd(handle_));
}

std::unique_ptr<FileSectorDevice> FileSectorDevice::Make(NativeHandle handle, bool owns,
                                                         bool writable, std::uint32_t sectorSize,
                                                         Status* status) {
  const int fd = Fd(handle);
  if (sectorSize < 512 || (sectorSize & (sectorSize - 1)) != 0) {
    if (owns) ::close(fd);
    *status = Fail(Error::kInvalidArgument, "sector size must be a power of two of 512 or more");
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    *status = ErrnoStatus("fstat", errno);
    if (owns) ::close(fd);
    return nullptr;
  }
  std::uint64_t bytes = static_cast<std::uint64_t>(st.st_size);
  if (S_ISBLK(st.st_mode)) {
    std::uint64_t size = 0;
    if (const int error = BlockDeviceBytes(fd, &size); error != 0) {
      *status = ErrnoStatus("device size", error);
      if (owns) ::close(fd);
      return nullptr;
    }
    bytes = size;
  }
  *status = Status::Ok();
  return std::unique_ptr<FileSectorDevice>(
      new FileSectorDevice(handle, owns, writable, sectorSize, bytes / sectorSize));
}

std::unique_ptr<FileSectorDevice> FileSectorDevice::Open(const std::string& path, bool writable,
                                                         Status* status, std::uint32_t sectorSize) {
  const int flags = (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC;
  // A device node the user may not open is opened for him where the system
  // lets him in.
  struct stat st {};
  const bool device = ::stat(path.c_str(), &st) == 0 && S_ISBLK(st.st_mode);
  const int fd = device ? OpenDeviceNode(path, flags) : ::open(path.c_str(), flags);
  if (fd < 0) {
    const int error = errno;
    *status = error == ENOENT ? Fail(Error::kNotFound, "open " + path + ": no such file")
                              : ErrnoStatus("open " + path, error);
    return nullptr;
  }
  return Make(fd, true, writable, sectorSize, status);
}

std::unique_ptr<FileSectorDevice> FileSectorDevice::FromHandle(NativeHandle handle, bool writable,
                                                               Status* status,
                                                               std::uint32_t sectorSize) {
  return Make(handle, false, writable, sectorSize, status);
}

Status FileSectorDevice::ReadSectors(std::uint64_t first, std::uint32_t count, void* buffer) {
  Status s = fat::CheckRange(first, count, sectorCount_);
  if (!s.ok()) return s;
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::uint64_t left = static_cast<std::uint64_t>(count) * sectorSize_;
  auto offset = static_cast<off_t>(first * sectorSize_);
  while (left > 0) {
    const ssize_t n = ::pread(Fd(handle_), out, left, offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      return ErrnoStatus("read at byte " + std::to_string(offset), errno);
    }
    if (n == 0) return Fail(Error::kIo, "short read at byte " + std::to_string(offset));
    out += n;
    left -= static_cast<std::uint64_t>(n);
    offset += n;
  }
  return Status::Ok();
}

Status FileSectorDevice::WriteSectors(std::uint64_t first, std::uint32_t count,
                                      const void* buffer) {
  if (!writable_) return Fail(Error::kReadOnly, "device is open read-only");
  Status s = fat::CheckRange(first, count, sectorCount_);
  if (!s.ok()) return s;
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  std::uint64_t left = static_cast<std::uint64_t>(count) * sectorSize_;
  const std::uint64_t start = first * sectorSize_;
  auto offset = static_cast<off_t>(start);
  while (left > 0) {
    const ssize_t n = ::pwrite(Fd(handle_), in, left, offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      if (error == ENOSPC) return Fail(Error::kDiskFull, "no space left for the image");
      return ErrnoStatus("write at byte " + std::to_string(offset), error);
    }
    in += n;
    left -= static_cast<std::uint64_t>(n);
    offset += n;
  }
  platform::StartWriteBack(Fd(handle_), start, static_cast<std::uint64_t>(count) * sectorSize_);
  return Status::Ok();
}

Status FileSectorDevice::Sync() {
  if (!writable_) return Status::Ok();
  if (::fsync(Fd(handle_)) != 0) return ErrnoStatus("fsync", errno);
  return Status::Ok();
}

}  // namespace platform
