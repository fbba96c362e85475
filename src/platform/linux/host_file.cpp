#include "platform/posix/host_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/errors.h"

namespace platform {

HostFile::HostFile(int fd) : fd_(fd), direct_((fcntl(fd, F_GETFL) & O_DIRECT) != 0) {}

HostFile::~HostFile() {
  Close();
}

std::uint32_t HostFile::Read(void* buffer, std::uint32_t count, std::uint32_t* done) {
  auto* out = static_cast<char*>(buffer);
  std::uint32_t total = 0;
  while (total < count) {
    const ssize_t n = read(fd_, out + total, count - total);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EINVAL && LeaveDirect()) continue;
    if (n < 0) {
      *done = total;
      return ErrorFromErrno(errno);
    }
    if (n == 0) break;
    total += static_cast<std::uint32_t>(n);
  }
  *done = total;
  return kErrorSuccess;
}

namespace {
constexpr std::size_t kBounceSize = 2 << 20;
}  // namespace

bool HostFile::LeaveDirect() {
  if (!direct_) return false;
  direct_ = false;
  fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) & ~O_DIRECT);
  return true;
}

std::uint32_t HostFile::Write(const void* buffer, std::uint32_t count, std::uint32_t* done) {
  // A cache-bypassing write needs an aligned buffer: unaligned data goes
  // through an aligned bounce buffer.
  if (direct_ && count % 512 == 0 &&
      reinterpret_cast<std::uintptr_t>(buffer) % kPageAlignment != 0) {
    if (!bounce_) {
      bounce_ = AllocateAligned(kBounceSize);
      if (!bounce_) return kErrorNotEnoughMemory;
    }
    const auto* in = static_cast<const char*>(buffer);
    std::uint32_t total = 0;
    while (total < count) {
      const auto piece =
          static_cast<std::uint32_t>(std::min<std::size_t>(count - total, kBounceSize));
      std::memcpy(bounce_.get(), in + total, piece);
      std::uint32_t written = 0;
      const std::uint32_t code = WriteDirect(bounce_.get(), piece, &written);
      total += written;
      if (code != kErrorSuccess || written != piece) {
        *done = total;
        return code;
      }
    }
    *done = total;
    return kErrorSuccess;
  }
  return WriteDirect(buffer, count, done);
}

std::uint32_t HostFile::WriteDirect(const void* buffer, std::uint32_t count, std::uint32_t* done) {
  const auto* in = static_cast<const char*>(buffer);
  std::uint32_t total = 0;
  while (total < count) {
    const ssize_t n = write(fd_, in + total, count - total);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EINVAL && LeaveDirect()) continue;
    if (n <= 0) {
      *done = total;
      return n < 0 ? ErrorFromErrno(errno) : kErrorDiskFull;
    }
    total += static_cast<std::uint32_t>(n);
  }
  *done = total;
  return kErrorSuccess;
}

std::uint32_t HostFile::Seek(std::int64_t distance, SeekOrigin origin, std::uint64_t* position) {
  const int whence = origin == SeekOrigin::kBegin     ? SEEK_SET
                     : origin == SeekOrigin::kCurrent ? SEEK_CUR
                                                      : SEEK_END;
  const off_t result = lseek(fd_, static_cast<off_t>(distance), whence);
  if (result < 0) return errno == EINVAL ? kErrorNegativeSeek : ErrorFromErrno(errno);
  *position = static_cast<std::uint64_t>(result);
  return kErrorSuccess;
}

std::uint32_t HostFile::SetLength(std::uint64_t length) {
  struct stat st {};
  if (fstat(fd_, &st) != 0) return ErrorFromErrno(errno);
  const auto target = static_cast<off_t>(length);
  if (target > st.st_size) {
    // Allocate the growth in one step, as Windows does when the end of file
    // moves; fall back to a sparse extension where that is not offered.
    const int rc = posix_fallocate(fd_, 0, target);
    if (rc == 0) return kErrorSuccess;
    if (rc == ENOSPC) return kErrorDiskFull;
  }
  return ftruncate(fd_, target) == 0 ? kErrorSuccess : ErrorFromErrno(errno);
}

std::uint32_t HostFile::Flush() {
  return fsync(fd_) == 0 ? kErrorSuccess : ErrorFromErrno(errno);
}

std::uint32_t HostFile::Close() {
  if (fd_ < 0) return kErrorSuccess;
  const int rc = close(fd_);
  fd_ = -1;
  return rc == 0 ? kErrorSuccess : ErrorFromErrno(errno);
}

}  // namespace platform
