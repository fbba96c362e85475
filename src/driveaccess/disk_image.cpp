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
  int rc = access.Open(driveLetter, false);
  if (rc == DDA_NO_ERROR) rc = access.GetGeometry(geometry);
  if (rc == DDA_NO_ERROR) {
    const std::uint64_t size = std::uint64_t{geometry.bytesPerSector} * geometry.totalSectors;
    bytes_.resize(size);
    rc = access.SetPosition(0);
    if (rc == DDA_NO_ERROR) rc = access.Read(bytes_.data(), size, kFloppyChunk);
  }
  access.CloseAfterReading();
  return rc;
}

int CDiskImage::WriteToDrive(char driveLetter, IDirectDiskAccessCallback* callback) {
  CDirectDiskAccess access;
  access.SetCallback(callback);
  DriveGeometry geometry;
  int rc = access.Open(driveLetter, true);
  if (rc == DDA_NO_ERROR) rc = access.GetGeometry(geometry);
  if (rc == DDA_NO_ERROR) {
    const std::uint64_t size = std::uint64_t{geometry.bytesPerSector} * geometry.totalSectors;
    if (size != bytes_.size()) return DDA_ERR_WRONG_FLOPPY_SIZE;
    rc = access.SetPosition(0);
    if (rc == DDA_NO_ERROR) rc = access.Write(bytes_.data(), size, kFloppyChunk);
  }
  // The disk is written only once the flush is done; an earlier error stays.
  const int closed = access.Close();
  return rc != DDA_NO_ERROR ? rc : closed;
}
