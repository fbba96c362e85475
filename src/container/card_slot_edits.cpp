// Changing a slot in place: its name, and taking back an image that was
// edited outside the program.
#include "base/current_language.h"
#include "container/card_names.h"
#include "container/card_operations.h"
#include "container/card_state.h"
#include "container/container_file.h"
#include "container/container_layout.h"
#include "container/ffa_store.h"
#include "container/floppy_kind.h"
#include "container/slot_editing.h"
#include "container/slot_info.h"
#include "container/slot_records.h"
#include "platform/drive.h"
#include "platform/errors.h"
#include "platform/files.h"

int CardWriteSlotName(const SlotTarget& target, const std::string& name) {
  if (target.drive == '\0' || target.slot < 0) return 0;
  if (platform::IsWriteProtected(target.drive)) {
    return static_cast<int>(platform::kErrorWriteProtect);
  }
  const std::string path = FfaGetContainerPath(target.drive);
  const auto slot = static_cast<std::uint32_t>(target.slot);
  std::uint8_t record[kSlotInfoSize] = {};
  if (const int rc = FfaReadSlotInfo(path, slot, record)) return rc;
  // Only the name changes; the time stamp says when the image was written.
  if (!SetSlotInfoName(record, name)) return CheckCardName(name);
  // Lifts the protection, writes, and protects the file again, also when
  // the write failed.
  return FfaWriteSlotRecord(path, slot, record);
}

int CardTakeBackEditedImage(const SlotTarget& target, const std::string& path,
                            std::optional<std::uint32_t> crcBefore, ICardUser& user) {
  int result = 0;
  // A file that could not be read before or after counts as changed: the
  // user decides, and loading it says what is wrong.
  if (FileCrc32(path) != crcBefore &&
      user.AskYesNo(Localized("Image File was changed. Save changes ?",
                              "Abbilddatei hat sich geändert.\nSoll die Änderung "
                              "gespeichert werden ?"))) {
    ByteBuffer image;
    image.reserve(kContainerBlockSize);
    result = CardLoadImageFile(path, image, FloppyImageSize(target.highDensity), user);
    if (result == 0) result = CardWriteSlot(target, image, user);
    // The slot is in place again; the start sector is recorded anew (a
    // container file has none).
    if (result == 0 && !IsContainerFileCard(target.drive)) result = FfaMakeUsable(target.drive);
  }
  // Gone in every case; a file that cannot be deleted is overwritten by the
  // next edit.
  platform::RemoveFile(path);
  return result;
}
