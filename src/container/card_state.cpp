// The card's state for the controller, and the start sector record.
#include "container/card_state.h"

#include <algorithm>

#include "base/bytes.h"
#include "container/container_file.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/write_verify.h"
#include "driveaccess/dda_error_codes.h"
#include "driveaccess/direct_disk_access.h"
#include "driveaccess/file_placement.h"
#include "driveaccess/volume_layout.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace {
constexpr std::uint32_t kSectorSize = 512;
constexpr std::size_t kStartSectorOffset = 432;

// A container file has its container and nothing around it.
std::uint32_t ContainerFileState(std::uint64_t& size, CardState& state) {
  state.ContainerFile = ContainerFileOf(state.DriveLetter);
  std::uint32_t flags = CARD_CONTAINER_FILE;
  const std::string path = FfaGetContainerPath(state.DriveLetter);
  if (!platform::GetFileSize(path, &size)) size = 0;
  if (FfaReadMainHeader(path, state.Header.Bytes())) {
    state.ContainerPath = path;
    flags |= CARD_CONTAINER_VALID;
  } else {
    state.Header = MainHeader();
  }
  return state.Flags = flags;
}

// After raw access was refused: whether the files were refused too, rather
// than the container missing.
bool FilesRefusedToo(bool containerExists) {
  return !containerExists && platform::GetLastError() == platform::kErrorAccessDenied;
}
}  // namespace

std::uint32_t FfaGetCardState(const std::string& driveEntry, std::uint64_t& size,
                              CardState& state) {
  state = CardState{};
  state.DriveLetter = driveEntry.empty() ? '\0' : driveEntry[0];
  size = 0;
  const char drive = state.DriveLetter;
  if (IsContainerFileCard(drive)) return ContainerFileState(size, state);

  std::uint32_t flags = 0;
  {
    CDirectDiskAccess disk;
    const int opened = disk.Open(drive, false);
    if (opened == DDA_NO_ERROR) {
      DriveGeometry geometry;
      if (disk.GetGeometry(geometry) == DDA_NO_ERROR && geometry.bytesPerSector == kSectorSize) {
        size = geometry.totalSectors * kSectorSize;
        disk.SetSectorSize(kSectorSize);
        std::uint8_t sector[kSectorSize];
        if (disk.ReadSectors(sector, 0, 1) == DDA_NO_ERROR) flags |= CARD_RAW_ACCESS;
      }
      disk.CloseAfterReading();
    } else if (opened == DDA_ERR_ACCESS_DENIED) {
      flags |= CARD_NO_RAW_RIGHTS;
      // A volume that cannot tell its size shows 0 bytes.
      size = FfaGetDriveTotalBytes(drive).value_or(0);
    }
  }
  if ((flags & (CARD_RAW_ACCESS | CARD_NO_RAW_RIGHTS)) == 0) return state.Flags = flags;

  // Without raw rights the volume check is skipped; the container is still
  // read through the file system.
  if ((flags & CARD_NO_RAW_RIGHTS) == 0) {
    VolumeLayout layout;
    if (!ReadVolumeLayout(drive, layout)) return state.Flags = CARD_NO_FAT_VOLUME;
  }

  const std::string path = FfaGetContainerPath(drive);
  const bool exists = FfaContainerExists(drive) == FFA_OK;
  // Refused rather than missing: the files, too, needed the rights.
  if ((flags & CARD_NO_RAW_RIGHTS) != 0 && FilesRefusedToo(exists)) {
    return state.Flags = flags | CARD_FILES_UNREADABLE;
  }
  if (exists && FfaReadMainHeader(path, state.Header.Bytes())) {
    state.ContainerPath = path;
    flags |= CARD_CONTAINER_VALID;
    FilePlacement placement;
    if (GetFilePlacement(path.c_str(), placement) == 0) {
      if (placement.extentCount == 1) flags |= CARD_CONTIGUOUS;
      // Compared with the first extent even when the file is fragmented.
      std::uint32_t recorded = 0;
      if (FfaReadStartSector(drive, recorded) == DDA_NO_ERROR &&
          recorded == static_cast<std::uint32_t>(placement.startSector)) {
        flags |= CARD_START_SECTOR_SET;
      }
    }
  } else {
    state.Header = MainHeader();
  }
  return state.Flags = flags;
}

bool FfaCardRefused(char drive) {
  if (IsContainerFileCard(drive)) return false;
  {
    CDirectDiskAccess disk;
    const int opened = disk.Open(drive, false);
    disk.CloseAfterReading();
    if (opened != DDA_ERR_ACCESS_DENIED) return false;
  }
  return FilesRefusedToo(FfaContainerExists(drive) == FFA_OK);
}

int FfaReadStartSector(char drive, std::uint32_t& value) {
  CDirectDiskAccess disk;
  if (const int rc = disk.Open(drive, false)) return rc;
  disk.SetSectorSize(kSectorSize);
  std::uint8_t sector[kSectorSize];
  const int rc = disk.ReadSectors(sector, 0, 1);
  if (rc == DDA_NO_ERROR) value = le::Read32(sector + kStartSectorOffset);
  disk.CloseAfterReading();
  return rc;
}

int FfaWriteStartSector(char drive, std::uint32_t value) {
  CDirectDiskAccess disk;
  if (const int rc = disk.Open(drive, true)) return rc;
  disk.SetSectorSize(kSectorSize);
  std::uint8_t sector[kSectorSize];
  int rc = disk.ReadSectors(sector, 0, 1);
  if (rc == DDA_NO_ERROR) {
    // Only the record changes; the boot code, disk signature and partition
    // table around it stay as read.
    le::Write32(sector + kStartSectorOffset, value);
    rc = disk.WriteSectors(sector, 0, 1);
  }
  if (rc == DDA_NO_ERROR && FfaVerifyEnabled()) {
    std::uint8_t back[kSectorSize];
    rc = disk.ReadSectorsFromMedium(back, 0, 1);
    if (rc == DDA_NO_ERROR && !std::equal(back, back + kSectorSize, sector)) {
      rc = FfaVerifyFailedAtCardSector(0);
    }
  }
  // The record is on the card only once the flush is done; an earlier error stays.
  const int closed = disk.Close();
  return rc != DDA_NO_ERROR ? rc : closed;
}

int FfaMakeUsable(char drive) {
  if (const int rc = RefuseContainerFile(drive)) return rc;
  const std::string path = FfaGetContainerPath(drive);
  if (FfaContainerExists(drive) != FFA_OK) return FFA_ERR_NOT_FOUND;
  FilePlacement placement;
  if (const int rc = GetFilePlacement(path.c_str(), placement)) return rc;
  if (placement.extentCount != 1) return FFA_ERR_FRAGMENTED;
  if ((placement.startSector >> 32) != 0) return FFA_ERR_START_SECTOR_RANGE;
  return FfaWriteStartSector(drive, static_cast<std::uint32_t>(placement.startSector));
}

int FfaTouchCard(char drive) {
  CDirectDiskAccess disk;
  if (const int rc = disk.Open(drive, true)) return rc;
  return disk.Close();
}
