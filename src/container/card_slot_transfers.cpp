// Moving floppy images between a slot, a floppy disk and an image file.
#include <memory>

#include "base/current_language.h"
#include "base/progress_display.h"
#include "container/card_operations.h"
#include "container/container_file.h"
#include "container/container_layout.h"
#include "container/ffa_store.h"
#include "container/file_choice_kind.h"
#include "container/floppy_kind.h"
#include "container/slot_block.h"
#include "container/slot_editing.h"
#include "container/slot_info.h"
#include "container/slot_records.h"
#include "driveaccess/dda_error_codes.h"
#include "driveaccess/disk_image.h"
#include "platform/drive.h"
#include "platform/errors.h"

namespace {
// The floppy drive the user picks; false without a choice.
bool ChooseFloppy(ICardUser& user, char* letter) {
  CDriveInfo floppy;
  if (!FfaChooseFloppyDrive(floppy, user.FloppyChooser())) return false;
  *letter = floppy.Letter();
  return true;
}

// The name a slot block gets: the target's, else the one in the slot's record.
int SlotBlockName(const SlotTarget& target, std::string& name) {
  if (target.name) {
    name = *target.name;
    return 0;
  }
  std::vector<std::uint8_t> record;
  if (const int rc = FfaReadSlotRecords(FfaGetContainerPath(target.drive),
                                        static_cast<std::uint32_t>(target.slot), 1, record)) {
    return rc;
  }
  name = SlotInfoName(record.data());
  return 0;
}

// DDA_ERR_NO_IMAGE_SELECTED without a slot; else the slot read and saved.
int SaveSlot(const SlotTarget& target, const std::string& path, bool wholeBlock, ICardUser& user) {
  if (target.slot < 0) return DDA_ERR_NO_IMAGE_SELECTED;
  ByteBuffer buffer;
  if (const int rc = CardReadSlot(target, buffer, wholeBlock, user)) return rc;
  return CardSaveImageFile(path, buffer, user);
}
}  // namespace

int CardReadFloppy(CDiskImage& image, ICardUser& user) {
  char letter = '\0';
  if (!ChooseFloppy(user, &letter)) return kCardCancelled;
  const auto progress = OpenProgress(
      user.Progress(), Localized("Read Floppy Disk [PERCENT]", "Lese Diskette [PERCENT]"),
      kProgressVisible);
  return image.ReadFromDrive(letter, progress.get());
}

int CardWriteFloppy(CDiskImage& image, ICardUser& user) {
  char letter = '\0';
  if (!ChooseFloppy(user, &letter)) return kCardCancelled;
  const auto progress = OpenProgress(
      user.Progress(), Localized("Write Floppy Disk [PERCENT]", "Schreibe Diskette [PERCENT]"),
      kProgressVisible);
  return image.WriteToDrive(letter, progress.get());
}

int CardLoadImageFile(const std::string& path, ByteBuffer& buffer, std::size_t requiredSize,
                      ICardUser& user) {
  const auto busy = OpenProgress(
      user.Progress(), Localized("Reading Image File", "Abbilddatei lesen"), kProgressBusy);
  if (busy) busy->Refresh();
  // No floppy disk comes near the limit: a longer file, or one longer than
  // the slot takes, is not read into memory at all.
  if (!FfaReadFile(path, buffer, requiredSize != 0 ? requiredSize : kMaxCrcFileSize)) {
    const std::uint32_t why = platform::GetLastError();
    if (why == platform::kErrorFileTooLarge) return DDA_ERR_WRONG_FLOPPY_SIZE;
    if (why == platform::kErrorBadFileType) return static_cast<int>(why);
    return DDA_ERR_OPEN_FILE;
  }
  if (requiredSize != 0 && buffer.size() != requiredSize) return DDA_ERR_WRONG_FLOPPY_SIZE;
  return 0;
}

int CardSaveImageFile(const std::string& path, const ByteBuffer& buffer, ICardUser& user) {
  const auto busy = OpenProgress(
      user.Progress(), Localized("Saving Image File", "Abbilddatei speichern"), kProgressBusy);
  if (busy) busy->Refresh();
  // A container file open as a card is never replaced by an image, as a
  // card's own container is kept from it by its protection.
  if (IsOpenContainerFile(path)) return static_cast<int>(platform::kErrorAccessDenied);
  return FfaWriteFile(path, buffer) ? 0 : DDA_ERR_OPEN_FILE;
}

int CardReadSlot(const SlotTarget& target, ByteBuffer& buffer, bool wholeBlock, ICardUser& user) {
  if (target.drive == '\0') return DDA_ERR_NO_DRIVE;
  if (target.slot < 0) return DDA_ERR_NO_IMAGE_SELECTED;
  const auto progress = OpenProgress(
      user.Progress(), Localized("Read DCF [PERCENT]", "Lese DCD [PERCENT]"), kProgressVisible);
  buffer.assign(wholeBlock ? kContainerBlockSize : FloppyImageSize(target.highDensity), 0);
  return FfaReadSlot(target.drive, static_cast<std::uint32_t>(target.slot), buffer, progress.get());
}

int CardWriteSlot(const SlotTarget& target, ByteBuffer& image, ICardUser& user) {
  if (target.drive == '\0') return DDA_ERR_NO_DRIVE;
  if (target.slot < 0) return DDA_ERR_NO_IMAGE_SELECTED;
  // A card that may only be read (a card image the user may not write) is
  // refused before anything is tried on it.
  if (platform::IsWriteProtected(target.drive)) {
    return static_cast<int>(platform::kErrorWriteProtect);
  }
  const auto progress =
      OpenProgress(user.Progress(), Localized("Write DCF [PERCENT]", "Schreibe DCD [PERCENT]"),
                   kProgressVisible);
  std::string name;
  if (const int rc = SlotBlockName(target, name)) return rc;
  // The block grows around the image in its own buffer: no second copy.
  if (const int rc = FinishImageSlotBlock(image, name, target.highDensity)) return rc;
  return FfaWriteSlot(target.drive, static_cast<std::uint32_t>(target.slot), image, progress.get());
}

int CardSaveSlotAsImageFile(const SlotTarget& target, const std::string& path, ICardUser& user) {
  return SaveSlot(target, path, false, user);
}

int CardFloppyToSlot(const SlotTarget& target, ICardUser& user) {
  // The missing slot is said before any drive is asked for.
  if (target.slot < 0) return DDA_ERR_NO_IMAGE_SELECTED;
  CDiskImage image;
  if (const int rc = CardReadFloppy(image, user)) return rc;
  if (image.Size() != FloppyImageSize(target.highDensity)) return DDA_ERR_WRONG_FLOPPY_SIZE;
  return CardWriteSlot(target, image.Bytes(), user);
}

int CardFloppyToFile(ICardUser& user) {
  std::string path;
  if (!user.ChooseFile(false, path, kFileKindImage)) return kCardCancelled;
  CDiskImage image;
  if (const int rc = CardReadFloppy(image, user)) return rc;
  return CardSaveImageFile(path, image.Bytes(), user);
}

int CardFileToSlot(const SlotTarget& target, ICardUser& user) {
  if (target.slot < 0) return DDA_ERR_NO_IMAGE_SELECTED;
  std::string path;
  if (!user.ChooseFile(true, path, kFileKindImage)) return 0;
  // Read where the slot block will hold it, in room for the whole block.
  ByteBuffer image;
  image.reserve(kContainerBlockSize);
  if (const int rc = CardLoadImageFile(path, image, FloppyImageSize(target.highDensity), user)) {
    return rc;
  }
  return CardWriteSlot(target, image, user);
}

int CardFileToFloppy(ICardUser& user) {
  std::string path;
  if (!user.ChooseFile(true, path, kFileKindImage)) return kCardCancelled;
  CDiskImage image;
  if (const int rc = CardLoadImageFile(path, image.Bytes(), 0, user)) return rc;
  return CardWriteFloppy(image, user);
}

int CardSlotToFloppy(const SlotTarget& target, ICardUser& user) {
  if (target.slot < 0) return DDA_ERR_NO_IMAGE_SELECTED;
  CDiskImage image;
  if (const int rc = CardReadSlot(target, image.Bytes(), false, user)) return rc;
  return CardWriteFloppy(image, user);
}

int CardSlotToFile(const SlotTarget& target, ICardUser& user, bool wholeBlock) {
  std::string path;
  if (!user.ChooseFile(false, path, kFileKindImage)) return kCardCancelled;
  return SaveSlot(target, path, wholeBlock, user);
}
