#include "driveaccess/disk_image.h"

#include "driveaccess/direct_disk_access.h"

namespace {
// 90 chunks for a 1.44 MB disk, 45 for a 720 KB one.
constexpr std::uint32_t kFloppyChunk = 16384;
}  // namespace

int CDiskImage::ReadFromDrive(char driveLetter, IDirectDiskAccessCallback* callback) {
  CDirectDiskAccess access;
  access.SetCallback(callback);
  DriveGeometry geometry;
  if (access.Open(driveLetter, false) == DDA_NO_ERROR &&
      access.GetGeometry(geometry) == DDA_NO_ERROR) {
    const std::uint64_t size = std::uint64_t{geometry.bytesPerSector} * geometry.totalSectors;
    bytes_.resize(size);
    if (access.SetPosition(0) == DDA_NO_ERROR) access.Read(bytes_.data(), size, kFloppyChunk);
  }
  access.Close();
  return access.LastErrorCode();
}

int CDiskImage::WriteToDrive(char driveLetter, IDirectDiskAccessCallback* callback) {
  CDirectDiskAccess access;
  access.SetCallback(callback);
  DriveGeometry geometry;
  if (access.Open(driveLetter, true) == DDA_NO_ERROR &&
      access.GetGeometry(geometry) == DDA_NO_ERROR) {
    const std::uint64_t size = std::uint64_t{geometry.bytesPerSector} * geometry.totalSectors;
    if (size != bytes_.size()) return DDA_ERR_WRONG_FLOPPY_SIZE;
    if (access.SetPosition(0) == DDA_NO_ERROR) access.Write(bytes_.data(), size, kFloppyChunk);
  }
  access.Close();
  return access.LastErrorCode();
}
