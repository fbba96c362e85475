#include "driveaccess/sector_run.h"

#include <algorithm>

#include "driveaccess/dda_error_codes.h"
#include "driveaccess/direct_disk_access.h"
#include "platform/errors.h"

int DdaReadSectorRun(char driveLetter, std::uint32_t start, std::uint32_t count, ByteBuffer& out,
                     IDirectDiskAccessCallback* callback) {
  out.clear();
  CDirectDiskAccess disk;
  disk.SetCallback(callback);
  int result = disk.Open(driveLetter, false);
  DriveGeometry geometry;
  if (result == DDA_NO_ERROR) result = disk.GetGeometry(geometry);
  if (result != DDA_NO_ERROR) return result;

  const std::uint64_t driveBytes =
      static_cast<std::uint64_t>(geometry.bytesPerSector) * geometry.totalSectors;
  const std::uint64_t startByte = static_cast<std::uint64_t>(start) * kSectorRunUnit;
  if (startByte >= driveBytes) return DDA_ERR_SET_POSITION;
  if (count > kSectorRunMaxSectors) {
    platform::SetLastError(platform::kErrorNotEnoughMemory);
    return DDA_ERR_READ;
  }
  // Past the end the device refuses the first sector that is not there; the
  // buffer needs to reach only that far.
  const std::uint64_t sectorsLeft = (driveBytes - startByte + kSectorRunUnit - 1) / kSectorRunUnit;
  const std::uint64_t toRead = std::min<std::uint64_t>(count, sectorsLeft + 1);

  ByteBuffer bytes(static_cast<std::size_t>(toRead) * kSectorRunUnit);
  result = disk.SetPosition(startByte);
  if (result == DDA_NO_ERROR) result = disk.Read(bytes.data(), bytes.size(), kSectorRunUnit);
  disk.CloseAfterReading();
  if (result == DDA_NO_ERROR) out = std::move(bytes);
  return result;
}
