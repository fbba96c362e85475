#include "platform/linux/block_raw_device.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <linux/hdreg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

#include "base/bytes.h"
#include "platform/errors.h"
#include "platform/linux/udisks_device_open.h"
#include "platform/posix/write_back.h"

namespace platform {
namespace {
// Unbuffered transfers need page-aligned memory.
constexpr std::size_t kAlignment = kPageAlignment;
constexpr std::uint32_t kBounceBytes = 1u << 20;

// Devices open in this process, by device number.
std::mutex g_inUseMutex;
std::set<dev_t> g_inUse;

bool Claim(dev_t device) {
  std::lock_guard<std::mutex> lock(g_inUseMutex);
  return g_inUse.insert(device).second;
}

void Release(dev_t device) {
  std::lock_guard<std::mutex> lock(g_inUseMutex);
  g_inUse.erase(device);
}

std::uint32_t OpenError(int err) {
  return err == ENOMEDIUM ? kErrorNoMediaInDrive : ErrorFromErrno(err);
}

class BlockRawDevice : public IRawDevice {
 public:
  BlockRawDevice(int fd, dev_t device, std::uint64_t size, std::uint32_t sectorSize,
                 bool forWriting, bool writeProtected, bool direct, BlockDeviceTraits traits)
      : fd_(fd),
        device_(device),
        size_(size),
        sectorSize_(sectorSize),
        forWriting_(forWriting),
        writeProtected_(writeProtected),
        direct_(direct),
        traits_(traits) {}

  ~BlockRawDevice() override {
    if (written_) fsync(fd_);
    close(fd_);
    Release(device_);
  }

  std::uint32_t Read(void* buffer, std::uint32_t count, std::uint32_t* done) override {
    *done = 0;
    if (const std::uint32_t code = CheckTransfer(count)) return code;
    // Reading at or past the end of the medium fails, as on a disk.
    if (position_ >= size_) return kErrorSectorNotFound;
    const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, size_ - position_));
    return Transfer(static_cast<std::uint8_t*>(buffer), nullptr, n, done);
  }

  std::uint32_t Write(const void* buffer, std::uint32_t count, std::uint32_t* done) override {
    *done = 0;
    if (!forWriting_) return kErrorAccessDenied;
    if (writeProtected_) return kErrorWriteProtect;
    if (const std::uint32_t code = CheckTransfer(count)) return code;
    if (position_ >= size_ || count > size_ - position_) return kErrorSectorNotFound;
    const std::uint64_t start = position_;
    const std::uint32_t code =
        Transfer(nullptr, static_cast<const std::uint8_t*>(buffer), count, done);
    if (!direct_) StartWriteBack(fd_, start, *done);
    return code;
  }

  std::uint32_t Seek(std::int64_t distance, SeekOrigin origin, std::uint64_t* position) override {
    const std::int64_t base = origin == SeekOrigin::kBegin ? 0
                              : origin == SeekOrigin::kCurrent
                                  ? static_cast<std::int64_t>(position_)
                                  : static_cast<std::int64_t>(size_);
    if (distance < 0 && base + distance < 0) return kErrorNegativeSeek;
    position_ = static_cast<std::uint64_t>(base + distance);
    if (position != nullptr) *position = position_;
    return kErrorSuccess;
  }

  std::uint32_t GetGeometry(DiskGeometry* geometry) override {
    if (traits_.floppy) {
      *geometry = FloppyDiskGeometry(size_, sectorSize_);
      return kErrorSuccess;
    }
    *geometry = SynthesizedGeometry(size_, sectorSize_, traits_.removable);
    hd_geometry hd{};
    // Loop devices and many USB readers have no geometry (ENOTTY); the
    // synthesised one stands.
    if (ioctl(fd_, HDIO_GETGEO, &hd) == 0 && hd.heads != 0 && hd.sectors != 0) {
      geometry->tracksPerCylinder = hd.heads;
      geometry->sectorsPerTrack = hd.sectors;
      geometry->cylinders = size_ / (std::uint64_t{hd.heads} * hd.sectors * sectorSize_);
    }
    return kErrorSuccess;
  }

  std::uint32_t GetPartitionLength(std::uint64_t* bytes) override {
    *bytes = size_;
    return kErrorSuccess;
  }

  std::uint32_t Flush() override {
    if (fsync(fd_) != 0) return ErrorFromErrno(errno);
    return kErrorSuccess;
  }

 private:
  std::uint32_t CheckTransfer(std::uint32_t count) const {
    // Unbuffered transfers are whole sectors at sector boundaries.
    if (direct_ && (count % sectorSize_ != 0 || position_ % sectorSize_ != 0)) {
      return kErrorInvalidParameter;
    }
    return kErrorSuccess;
  }

  // Moves n bytes at the position into `read` or out of `write`.
  std::uint32_t Transfer(std::uint8_t* read, const std::uint8_t* write, std::uint32_t n,
                         std::uint32_t* done) {
    std::uint8_t* user = read != nullptr ? read : const_cast<std::uint8_t*>(write);
    const bool aligned = !direct_ || reinterpret_cast<std::uintptr_t>(user) % kAlignment == 0;
    if (!aligned && !bounce_) {
      bounce_ = AllocateAligned(kBounceBytes);
      if (!bounce_) return kErrorNotEnoughMemory;
    }
    while (*done < n) {
      const std::uint32_t piece = aligned ? n - *done : std::min(n - *done, kBounceBytes);
      std::uint8_t* io = aligned ? user + *done : bounce_.get();
      const auto offset = static_cast<off_t>(position_);
      ssize_t moved;
      if (read != nullptr) {
        moved = pread(fd_, io, piece, offset);
        if (moved > 0 && !aligned) std::memcpy(read + *done, io, static_cast<std::size_t>(moved));
      } else {
        if (!aligned) std::memcpy(io, write + *done, piece);
        moved = pwrite(fd_, io, piece, offset);
        if (moved > 0) written_ = true;
      }
      if (moved < 0) {
        if (errno == EINTR) continue;
        const int err = errno;
        if (*done != 0) return kErrorSuccess;  // what moved counts; the next call fails
        return OpenError(err);
      }
      if (moved == 0) break;
      *done += static_cast<std::uint32_t>(moved);
      position_ += static_cast<std::uint64_t>(moved);
    }
    return kErrorSuccess;
  }

  int fd_;
  dev_t device_;
  std::uint64_t size_;
  std::uint32_t sectorSize_;
  bool forWriting_;
  bool writeProtected_;
  bool direct_;
  BlockDeviceTraits traits_;
  std::uint64_t position_ = 0;
  bool written_ = false;
  AlignedBuffer bounce_;
};
}  // namespace

DiskGeometry SynthesizedGeometry(std::uint64_t bytes, std::uint32_t sectorSize, bool removable) {
  DiskGeometry g;
  g.mediaType = removable ? MediaType::kRemovableMedia : MediaType::kFixedMedia;
  g.bytesPerSector = sectorSize;
  g.tracksPerCylinder = 255;
  g.sectorsPerTrack = 63;
  g.cylinders = bytes / (std::uint64_t{255} * 63 * sectorSize);
  return g;
}

DiskGeometry FloppyDiskGeometry(std::uint64_t bytes, std::uint32_t sectorSize) {
  DiskGeometry g;
  g.bytesPerSector = sectorSize;
  g.tracksPerCylinder = 2;
  g.cylinders = 80;
  if (bytes == 737280 && sectorSize == 512) {
    g.mediaType = MediaType::kF3_720_512;
    g.sectorsPerTrack = 9;
  } else if (bytes == 1474560 && sectorSize == 512) {
    g.mediaType = MediaType::kF3_1Pt44_512;
    g.sectorsPerTrack = 18;
  } else {
    // Another format: its size stands, as a removable medium of 18 sectors
    // a track.
    g.mediaType = MediaType::kRemovableMedia;
    g.sectorsPerTrack = 18;
    g.cylinders = bytes / (std::uint64_t{2} * 18 * sectorSize);
  }
  return g;
}

std::uint32_t OpenBlockDevice(const std::string& node, bool forWriting,
                              const BlockDeviceTraits& traits,
                              std::unique_ptr<IRawDevice>* device) {
  // A user without the right to open the node is let in through UDisks2.
  const int base = O_CLOEXEC | O_DIRECT;
  bool direct = true;
  bool writeProtected = false;
  int fd = OpenDeviceNode(node, base | (forWriting ? O_RDWR : O_RDONLY));
  if (fd < 0 && errno == EINVAL) {
    // A device without direct I/O: synchronous writes instead.
    direct = false;
    fd = OpenDeviceNode(node, O_CLOEXEC | (forWriting ? O_RDWR | O_SYNC : O_RDONLY));
  }
  if (fd < 0 && forWriting && (errno == EROFS || errno == EACCES || errno == EPERM)) {
    // A write-protected medium opens, as on Windows; its writes fail.
    const int err = errno;
    const int ro = OpenDeviceNode(node, (direct ? base : O_CLOEXEC) | O_RDONLY);
    int readOnly = 0;
    if (ro >= 0 && ioctl(ro, BLKROGET, &readOnly) == 0 && readOnly != 0) {
      fd = ro;
      writeProtected = true;
    } else {
      if (ro >= 0) close(ro);
      errno = err;
    }
  }
  if (fd < 0) {
    // A floppy drive without a disk does not open: not ready, as on Windows.
    if (traits.floppy && (errno == ENXIO || errno == EIO)) return kErrorNotReady;
    return OpenError(errno);
  }

  struct stat st {};
  std::uint64_t size = 0;
  int sectorSize = 0;
  if (fstat(fd, &st) != 0 || !S_ISBLK(st.st_mode)) {
    close(fd);
    return kErrorInvalidFunction;
  }
  if (ioctl(fd, BLKGETSIZE64, &size) != 0) {
    const int err = errno;
    close(fd);
    return OpenError(err);
  }
  if (size == 0) {
    close(fd);
    return kErrorNoMediaInDrive;
  }
  if (ioctl(fd, BLKSSZGET, &sectorSize) != 0 || sectorSize <= 0) sectorSize = 512;
  int readOnly = 0;
  if (forWriting && ioctl(fd, BLKROGET, &readOnly) == 0 && readOnly != 0) writeProtected = true;
  if (!Claim(st.st_rdev)) {
    close(fd);
    return kErrorSharingViolation;
  }
  *device =
      std::make_unique<BlockRawDevice>(fd, st.st_rdev, size, static_cast<std::uint32_t>(sectorSize),
                                       forWriting, writeProtected, direct, traits);
  return kErrorSuccess;
}

}  // namespace platform
