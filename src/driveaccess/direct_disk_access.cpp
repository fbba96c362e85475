#include "driveaccess/direct_disk_access.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "driveaccess/drive_info.h"
#include "driveaccess/drive_kind.h"
#include "driveaccess/physical_drive.h"
#include "platform/errors.h"

namespace {
// Notice states of a transfer.
constexpr int kNoticeStart = -1;
constexpr int kNoticeEnd = -2;
constexpr int kNoticeFailed = -3;

// The device is opened unbuffered, so a read must cover a whole sector;
// shorter requests go through a bounce buffer of this size.
constexpr std::uint32_t kMinimumRead = 512;
constexpr std::uint32_t kProbeRequest = 1024 * 1024;
constexpr std::uint32_t kDefaultSectorsPerTrack = 18;

bool MeasuresByReading(platform::MediaType type) {
  return type == platform::MediaType::kUnknown || type == platform::MediaType::kRemovableMedia ||
         type == platform::MediaType::kFixedMedia;
}

// Fails the platform call's way: the code becomes the thread's last error.
bool Fail(std::uint32_t code) {
  platform::SetLastError(code);
  return false;
}
}  // namespace

CDirectDiskAccess::~CDirectDiskAccess() {
  // A caller that wrote closes on its own and takes the flush's result; what
  // is left here are paths that wrote nothing or failed already.
  CloseAfterReading();
}

int CDirectDiskAccess::Record(int code) {
  lastErrorCode_ = code;
  lastSystemError_ = platform::GetLastError();
  return code;
}

int CDirectDiskAccess::Open(char driveLetter, bool forWriting) {
  if (device_) return Record(DDA_ERR_ALREADY_OPEN);
  char letter = driveLetter;
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'Z') return Record(DDA_ERR_INVALID_DRIVE);

  CDriveInfo info;
  if (!QueryDrive(letter, info, DRIVE_KIND_ALL)) return Record(DDA_ERR_DRIVE_INFO);
  std::string path;
  if (info.kind == DRIVE_KIND_FLOPPY) {
    path = std::string("\\\\.\\") + letter + ":";
  } else if (info.kind == DRIVE_KIND_HARDDISK || info.kind == DRIVE_KIND_REMOVABLE) {
    // A card is opened as its whole disk, so sector 0 is the master boot record.
    path = GetPhysicalDriveName(letter);
    if (path.empty()) return Record(DDA_ERR_NO_PHYSICAL_NAME);
  } else {
    return Record(DDA_ERR_DRIVE_TYPE);
  }

  devicePath_ = path;
  std::uint32_t error = platform::kErrorSuccess;
  device_ = platform::OpenRawDevice(path, forWriting, &error);
  if (!device_) {
    platform::SetLastError(error);
    // A volume mounted by another program says so and where, as the system's own text.
    if (error == platform::kErrorMountedElsewhere) return Record(static_cast<int>(error));
    return Record(error == platform::kErrorAccessDenied ? DDA_ERR_ACCESS_DENIED : DDA_ERR_OPEN);
  }
  platform::SetLastError(platform::kErrorSuccess);
  openForWriting_ = forWriting;
  sectorsPerTrack_ = kDefaultSectorsPerTrack;
  platform::DiskGeometry geometry;
  const std::uint32_t code = device_->GetGeometry(&geometry);
  if (code == platform::kErrorSuccess) {
    sectorsPerTrack_ = geometry.sectorsPerTrack;
  } else {
    platform::SetLastError(code);
  }
  return Record(DDA_NO_ERROR);
}

int CDirectDiskAccess::Close() {
  if (!device_) return DDA_NO_ERROR;
  // Sectors written raw (the start sector record, a wipe) are on the medium
  // when the device is closed; a device opened for reading has nothing to
  // wait for.
  const std::uint32_t flushed = openForWriting_ ? device_->Flush() : platform::kErrorSuccess;
  device_.reset();
  openForWriting_ = false;
  if (flushed != platform::kErrorSuccess) {
    platform::SetLastError(flushed);
    return Record(DDA_ERR_FLUSH);
  }
  return Record(DDA_NO_ERROR);
}

int CDirectDiskAccess::IsOpen() {
  return Record(device_ ? DDA_NO_ERROR : DDA_ERR_DRIVE_NOT_OPEN);
}

int CDirectDiskAccess::GetGeometry(DriveGeometry& out) {
  if (!device_) return Record(DDA_ERR_DRIVE_NOT_OPEN);
  platform::DiskGeometry geometry;
  if (const std::uint32_t code = device_->GetGeometry(&geometry)) {
    platform::SetLastError(code);
    return Record(DDA_ERR_GEOMETRY);
  }
  // Every size below divides by the sector size.
  if (geometry.bytesPerSector == 0) {
    platform::SetLastError(platform::kErrorInvalidData);
    return Record(DDA_ERR_GEOMETRY);
  }
  out.bytesPerSector = geometry.bytesPerSector;
  out.sectorsPerTrack = geometry.sectorsPerTrack;
  out.totalSectors = geometry.cylinders * geometry.tracksPerCylinder * geometry.sectorsPerTrack;

  // A whole disk is longer than its cylinder-rounded geometry.
  std::uint64_t length = 0;
  const std::uint32_t code = device_->GetPartitionLength(&length);
  if (code == platform::kErrorSuccess &&
      length >= out.totalSectors * static_cast<std::uint64_t>(out.bytesPerSector)) {
    out.totalSectors = length / out.bytesPerSector;
  } else {
    if (code != platform::kErrorSuccess) platform::SetLastError(code);
    // Floppy media keep the geometry product.
    if (MeasuresByReading(geometry.mediaType)) MeasureSizeByReading(geometry, out);
  }
  return Record(DDA_NO_ERROR);
}

void CDirectDiskAccess::MeasureSizeByReading(const platform::DiskGeometry& geometry,
                                             DriveGeometry& out) {
  std::uint64_t saved = 0;
  if (device_->Seek(0, platform::SeekOrigin::kCurrent, &saved)) return;
  const std::uint64_t start = out.totalSectors * out.bytesPerSector;
  std::uint64_t position = 0;
  if (start > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) ||
      device_->Seek(static_cast<std::int64_t>(start), platform::SeekOrigin::kBegin, &position)) {
    return;
  }
  std::vector<std::uint8_t> buffer(std::max(kProbeRequest, geometry.bytesPerSector));
  std::uint32_t request = kProbeRequest;
  bool singleSectors = false;
  for (;;) {
    std::uint32_t done = 0;
    if (device_->Read(buffer.data(), request, &done) != platform::kErrorSuccess) {
      // Near the end of the medium only single sectors still fit.
      if (singleSectors) break;
      singleSectors = true;
      request = geometry.bytesPerSector;
      continue;
    }
    if (done < request) break;
  }
  if (device_->Seek(0, platform::SeekOrigin::kCurrent, &position) == platform::kErrorSuccess) {
    out.totalSectors = position / out.bytesPerSector;
  }
  device_->Seek(static_cast<std::int64_t>(saved), platform::SeekOrigin::kBegin, &position);
}

std::int64_t CDirectDiskAccess::GetPosition() {
  if (!device_) {
    platform::SetLastError(platform::kErrorInvalidHandle);
    return -1;
  }
  std::uint64_t position = 0;
  if (const std::uint32_t code = device_->Seek(0, platform::SeekOrigin::kCurrent, &position)) {
    platform::SetLastError(code);
    return -1;
  }
  return static_cast<std::int64_t>(position);
}

int CDirectDiskAccess::SetPosition(std::uint64_t byteOffset) {
  std::uint32_t code = platform::kErrorInvalidHandle;
  if (device_) {
    std::uint64_t position = 0;
    code = byteOffset > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
               ? platform::kErrorNegativeSeek
               : device_->Seek(static_cast<std::int64_t>(byteOffset), platform::SeekOrigin::kBegin,
                               &position);
  }
  if (code == platform::kErrorSuccess) return DDA_NO_ERROR;
  platform::SetLastError(code);
  return Record(DDA_ERR_SET_POSITION);
}

bool CDirectDiskAccess::ReadChunk(std::uint8_t* destination, std::uint32_t count) {
  if (!device_) return Fail(platform::kErrorInvalidHandle);
  std::uint32_t done = 0;
  if (count >= kMinimumRead) {
    if (const std::uint32_t code = device_->Read(destination, count, &done)) return Fail(code);
  } else {
    std::uint8_t bounce[kMinimumRead] = {};
    if (const std::uint32_t code = device_->Read(bounce, kMinimumRead, &done)) return Fail(code);
    if (done >= count) std::memcpy(destination, bounce, count);
  }
  // A read that ends early leaves part of the chunk unfilled: not a success.
  return done >= count || Fail(platform::kErrorHandleEof);
}

bool CDirectDiskAccess::WriteChunk(const std::uint8_t* source, std::uint32_t count) {
  if (!device_) return Fail(platform::kErrorInvalidHandle);
  std::uint32_t done = 0;
  if (const std::uint32_t code = device_->Write(source, count, &done)) return Fail(code);
  return done >= count || Fail(platform::kErrorDiskFull);
}

int CDirectDiskAccess::Read(void* buffer, std::uint64_t byteCount, std::uint32_t chunkSize) {
  if (!device_) return Record(DDA_ERR_DRIVE_NOT_OPEN);
  if (chunkSize == 0) {
    platform::SetLastError(platform::kErrorInvalidParameter);
    return Record(DDA_ERR_READ);
  }
  const int total = static_cast<int>(byteCount / chunkSize);
  if (callback_ && callback_->OnReadProgress(kNoticeStart, total)) return Record(DDA_ABORTED);
  auto* destination = static_cast<std::uint8_t*>(buffer);
  std::uint64_t remaining = byteCount;
  int index = 0;
  while (remaining > 0) {
    const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(remaining, chunkSize));
    const bool stop = callback_ && callback_->OnReadProgress(index, total);
    ++index;
    if (stop) return Record(DDA_ABORTED);
    if (!ReadChunk(destination, n)) {
      if (callback_) callback_->OnProgress(kNoticeFailed, index);
      return Record(DDA_ERR_READ);
    }
    destination += n;
    remaining -= n;
  }
  if (callback_) callback_->OnProgress(kNoticeEnd, total);
  return Record(DDA_NO_ERROR);
}

int CDirectDiskAccess::Write(const void* buffer, std::uint64_t byteCount, std::uint32_t chunkSize) {
  // No handle check: a closed device fails at its first chunk.
  if (chunkSize == 0) {
    platform::SetLastError(platform::kErrorInvalidParameter);
    return Record(DDA_ERR_WRITE);
  }
  const int total = static_cast<int>(byteCount / chunkSize);
  if (callback_ && callback_->OnProgress(kNoticeStart, total)) return Record(DDA_ABORTED);
  const auto* source = static_cast<const std::uint8_t*>(buffer);
  std::uint64_t remaining = byteCount;
  int index = 0;
  while (remaining > 0) {
    const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(remaining, chunkSize));
    const bool stop = callback_ && callback_->OnProgress(index, total);
    ++index;
    if (stop) return Record(DDA_ABORTED);
    if (!WriteChunk(source, n)) {
      if (callback_) callback_->OnProgress(kNoticeFailed, index);
      return Record(DDA_ERR_WRITE);
    }
    source += n;
    remaining -= n;
  }
  if (callback_) callback_->OnProgress(kNoticeEnd, total);
  return Record(DDA_NO_ERROR);
}

int CDirectDiskAccess::ReadSectors(void* buffer, std::uint64_t firstSector,
                                   std::uint64_t sectorCount) {
  if (!device_) return Record(DDA_ERR_DRIVE_NOT_OPEN);
  if (const int code = SetPosition(sectorSize_ * firstSector)) return code;
  return Read(buffer, sectorSize_ * sectorCount, sectorSize_);
}

int CDirectDiskAccess::ReadSectorsFromMedium(void* buffer, std::uint64_t firstSector,
                                             std::uint64_t sectorCount) {
  if (!device_) return Record(DDA_ERR_DRIVE_NOT_OPEN);
  if (openForWriting_) {
    if (const std::uint32_t code = device_->Flush(); code != platform::kErrorSuccess) {
      platform::SetLastError(code);
      return Record(DDA_ERR_WRITE);
    }
  }
  if (const int code = SetPosition(sectorSize_ * firstSector)) return code;
  const std::uint64_t bytes = sectorSize_ * sectorCount;
  std::uint32_t done = 0;
  const std::uint32_t code =
      bytes > std::numeric_limits<std::uint32_t>::max()
          ? platform::kErrorInvalidParameter
          : device_->ReadFromMedium(buffer, static_cast<std::uint32_t>(bytes), &done);
  if (code != platform::kErrorSuccess || done != bytes) {
    platform::SetLastError(code != platform::kErrorSuccess ? code : platform::kErrorHandleEof);
    return Record(DDA_ERR_READ);
  }
  return Record(DDA_NO_ERROR);
}

int CDirectDiskAccess::WriteSectors(const void* buffer, std::uint64_t firstSector,
                                    std::uint64_t sectorCount) {
  if (!device_) return Record(DDA_ERR_DRIVE_NOT_OPEN);
  if (const int code = SetPosition(sectorSize_ * firstSector)) return code;
  return Write(buffer, sectorSize_ * sectorCount, sectorSize_);
}
