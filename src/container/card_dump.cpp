// Copying a whole card into an image file.
#include <algorithm>
#include <cstdint>
#include <memory>

#include "base/bytes.h"
#include "base/current_language.h"
#include "base/progress_display.h"
#include "container/card_operations.h"
#include "container/card_state.h"
#include "container/ffa_errors.h"
#include "container/file_choice_kind.h"
#include "driveaccess/dda_error_codes.h"
#include "driveaccess/direct_disk_access.h"
#include "platform/files.h"

int FfaDumpCard(const std::string& driveEntry, const std::string& path, IProgressOwner* parent,
                std::uint32_t sectorsPerRead) {
  constexpr std::uint32_t kSectorSize = 512;
  const char drive = driveEntry.empty() ? '\0' : driveEntry[0];
  CDirectDiskAccess disk;
  if (const int rc = disk.Open(drive, false)) return rc;
  // A card whose size cannot be told, or that has other sectors than 512
  // bytes, is reported, not copied as an empty success.
  DriveGeometry geometry;
  if (const int rc = disk.GetGeometry(geometry)) return rc;
  if (geometry.bytesPerSector != kSectorSize) return DDA_ERR_SECTOR_SIZE;
  if (sectorsPerRead == 0) sectorsPerRead = 1;
  // Without its buffer the copy cannot read; found out before the file is made.
  const AlignedBuffer buffer =
      AllocateAligned(static_cast<std::size_t>(sectorsPerRead) * kSectorSize);
  if (!buffer) return DDA_ERR_READ;

  platform::File target =
      platform::OpenFile(path, platform::kGenericWrite, platform::Disposition::kCreateAlways);
  if (!target.IsOpen()) return FFA_ERR_CREATE;

  std::unique_ptr<IProgressDisplay> progress;
  if (parent) {
    progress =
        parent->CreateProgress(Localized("Read [PERCENT]", "Lesen [PERCENT]"), kProgressVisible);
  }
  if (progress) {
    progress->SetProgressState(0,
                               static_cast<int>(static_cast<std::uint32_t>(geometry.totalSectors)));
  }
  disk.SetSectorSize(kSectorSize);
  int result = disk.SetPosition(0);
  std::uint64_t copied = 0;
  while (result == DDA_NO_ERROR && copied < geometry.totalSectors) {
    const auto count = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(sectorsPerRead, geometry.totalSectors - copied));
    const std::uint32_t bytes = count * kSectorSize;
    if ((result = disk.Read(buffer.get(), bytes, bytes)) != DDA_NO_ERROR) break;
    if (!target.WriteExact(buffer.get(), bytes)) {
      result = FFA_ERR_WRITE;
      break;
    }
    copied += count;
    if (progress)
      progress->SetProgressState(1, static_cast<int>(static_cast<std::uint32_t>(copied)));
  }
  if (!target.Close() && result == DDA_NO_ERROR) result = FFA_ERR_WRITE;
  disk.CloseAfterReading();
  return result;
}

int CardCopyToImageFile(char drive, ICardUser& user, std::uint32_t sectorsPerRead) {
  std::string path;
  if (!user.ChooseFile(false, path, kFileKindImage)) return kCardCancelled;
  if (drive == '\0') {
    user.ShowMessage(Localized("Can't open Drive !", "Laufwerk kann nicht geöffnet werden !"));
    return kCardCancelled;
  }
  // A copy that broke off is said so: the file holds only part of the card.
  return FfaDumpCard(std::string(1, drive) + ":", path, user.Progress(), sectorsPerRead);
}
