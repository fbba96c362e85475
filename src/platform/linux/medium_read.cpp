#include "platform/posix/medium_read.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "base/bytes.h"
#include "base/kept_buffer.h"
#include "platform/errors.h"

namespace platform {
namespace {
// Covers every logical block size a card or a file system uses.
constexpr std::uint64_t kDirectAlignment = kPageAlignment;
// Large pieces: the device works on many requests of one piece at once.
constexpr std::uint64_t kDirectPieceBytes = 8u << 20;

struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) close(fd);
  }
};

std::uint32_t ReadCached(int fd, std::uint64_t offset, std::uint8_t* out, std::uint32_t count) {
  std::uint32_t done = 0;
  while (done < count) {
    const ssize_t n = pread(fd, out + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? ErrorFromErrno(errno) : kErrorHandleEof;
    done += static_cast<std::uint32_t>(n);
  }
  return kErrorSuccess;
}

// False when the file system does not offer O_DIRECT (at the open or at the
// first read); then nothing was delivered and the caller reads otherwise.
bool ReadDirect(int fd, std::uint64_t offset, std::uint8_t* out, std::uint32_t count,
                std::uint32_t* code) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  Descriptor direct{open(self.c_str(), O_RDONLY | O_CLOEXEC | O_DIRECT)};
  if (direct.fd < 0) return false;
  // An aligned range into an aligned buffer needs no bounce buffer.
  if (offset % kDirectAlignment == 0 && count % kDirectAlignment == 0 &&
      reinterpret_cast<std::uintptr_t>(out) % kDirectAlignment == 0) {
    for (std::uint32_t done = 0; done < count;) {
      const ssize_t n =
          pread(direct.fd, out + done, count - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno == EINVAL && done == 0) return false;
      if (n <= 0) {
        *code = n < 0 ? ErrorFromErrno(errno) : kErrorHandleEof;
        return true;
      }
      done += static_cast<std::uint32_t>(n);
    }
    *code = kErrorSuccess;
    return true;
  }
  const std::uint64_t from = offset / kDirectAlignment * kDirectAlignment;
  const std::uint64_t to =
      (offset + count + kDirectAlignment - 1) / kDirectAlignment * kDirectAlignment;
  const KeptBuffer piece(std::min(to - from, kDirectPieceBytes));
  if (!piece) {
    *code = kErrorNotEnoughMemory;
    return true;
  }
  for (std::uint64_t at = from; at < to;) {
    const std::size_t want = std::min(to - at, kDirectPieceBytes);
    const ssize_t n = pread(direct.fd, piece.get(), want, static_cast<off_t>(at));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EINVAL && at == from) return false;
    if (n < 0) {
      *code = ErrorFromErrno(errno);
      return true;
    }
    // What of the asked range this piece holds.
    const std::uint64_t end = at + static_cast<std::uint64_t>(n);
    const std::uint64_t copyFrom = std::max(at, offset);
    const std::uint64_t copyTo = std::min(end, offset + count);
    if (copyFrom < copyTo) {
      std::memcpy(out + (copyFrom - offset), piece.get() + (copyFrom - at), copyTo - copyFrom);
    }
    if (end >= offset + count) break;
    if (n == 0 || end % kDirectAlignment != 0) {
      *code = kErrorHandleEof;  // the file ends inside the range
      return true;
    }
    at = end;
  }
  *code = kErrorSuccess;
  return true;
}
}  // namespace

std::uint32_t ReadFromMedium(int fd, std::uint64_t offset, void* buffer, std::uint32_t count,
                             bool synced) {
  if (count == 0) return kErrorSuccess;
  auto* out = static_cast<std::uint8_t*>(buffer);
  // What the host still holds goes to the medium first; a descriptor
  // opened for reading may be synced too, and a file system without the
  // call has nothing to write.
  if (!synced && fdatasync(fd) != 0 && errno != EINVAL && errno != EROFS) {
    return ErrorFromErrno(errno);
  }
  std::uint32_t code = kErrorSuccess;
  if (ReadDirect(fd, offset, out, count, &code)) return code;
  posix_fadvise(fd, static_cast<off_t>(offset), static_cast<off_t>(count), POSIX_FADV_DONTNEED);
  return ReadCached(fd, offset, out, count);
}

}  // namespace platform
