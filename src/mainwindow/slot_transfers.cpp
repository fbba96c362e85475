// The building blocks of the slot commands: floppy disks, image files and
// slots read and written behind their progress windows. Each returns its
// result code and shows nothing; the commands report.
#include <QListWidget>

#include "base/current_language.h"
#include "container/container_layout.h"
#include "container/ffa_store.h"
#include "container/floppy_choice.h"
#include "container/floppy_kind.h"
#include "container/slot_block.h"
#include "container/slot_editing.h"
#include "container/slot_records.h"
#include "driveaccess/dda_error_codes.h"
#include "driveaccess/disk_image.h"
#include "mainwindow/tarnwick_dlg.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "services/dialogs/floppy_drive_chooser.h"
#include "services/dialogs/progress_state_wnd.h"

namespace {
// A busy window: text only, shown at once.
constexpr std::uint32_t kBusyOptions = kProgressVisible | kProgressNoBar;
}  // namespace

std::size_t CTarnwickDlg::ContainerImageSize() const {
  return FloppyImageSize(cardState_.Header.IsHighDensity());
}

bool CTarnwickDlg::ChooseFloppyDrive(CDriveInfo& drive) {
  if (floppyChooser_ != nullptr) return FfaChooseFloppyDrive(drive, *floppyChooser_);
  CDialogFloppyChooser chooser(this);
  return FfaChooseFloppyDrive(drive, chooser);
}

int CTarnwickDlg::ReadFloppy(CDiskImage& image) {
  CDriveInfo floppy;
  if (!ChooseFloppyDrive(floppy)) return static_cast<int>(platform::kErrorCancelled);
  CProgressStateWnd progress(Localized("Read Floppy Disk [PERCENT]", "Lese Diskette [PERCENT]"),
                             kProgressVisible, this);
  return image.ReadFromDrive(floppy.Letter(), &progress);
}

int CTarnwickDlg::WriteFloppy(CDiskImage& image) {
  CDriveInfo floppy;
  if (!ChooseFloppyDrive(floppy)) return static_cast<int>(platform::kErrorCancelled);
  CProgressStateWnd progress(
      Localized("Write Floppy Disk [PERCENT]", "Schreibe Diskette [PERCENT]"), kProgressVisible,
      this);
  return image.WriteToDrive(floppy.Letter(), &progress);
}

int CTarnwickDlg::LoadImageFile(const std::string& path, ByteBuffer& buffer, bool checkSize) {
  CProgressStateWnd busy(Localized("Reading Image File", "Abbilddatei lesen"), kBusyOptions, this);
  busy.Refresh();
  platform::File file =
      platform::OpenFile(path, platform::kGenericRead, platform::Disposition::kOpenExisting);
  std::uint64_t length = 0;
  if (!file.IsOpen() || !file.Seek(0, platform::SeekOrigin::kEnd, &length) ||
      !file.Seek(0, platform::SeekOrigin::kBegin)) {
    return DDA_ERR_OPEN_FILE;
  }
  if (checkSize && length != ContainerImageSize()) return DDA_ERR_WRONG_FLOPPY_SIZE;
  // No floppy disk comes near this size: a bigger file is not read into
  // memory at all.
  if (length > kMaxCrcFileSize) return DDA_ERR_WRONG_FLOPPY_SIZE;
  buffer.resize(length);
  if (length != 0 && !file.ReadExact(buffer.data(), static_cast<std::uint32_t>(length))) {
    return DDA_ERR_OPEN_FILE;
  }
  return 0;
}

int CTarnwickDlg::SaveImageFile(const std::string& path, const ByteBuffer& buffer) {
  CProgressStateWnd busy(Localized("Saving Image File", "Abbilddatei speichern"), kBusyOptions,
                         this);
  busy.Refresh();
  return FfaWriteFile(path, buffer) ? 0 : DDA_ERR_OPEN_FILE;
}

int CTarnwickDlg::ReadSlot(int slot, ByteBuffer& buffer, bool wholeBlock) {
  const std::optional<CDriveInfo> drive = GetSelectedDrive();
  if (!drive) return DDA_ERR_NO_DRIVE;
  CProgressStateWnd progress(Localized("Read DCF [PERCENT]", "Lese DCD [PERCENT]"),
                             kProgressVisible, this);
  buffer.assign(wholeBlock ? kContainerBlockSize : ContainerImageSize(), 0);
  return FfaReadSlot(drive->Letter(), static_cast<std::uint32_t>(slot), buffer, &progress);
}

int CTarnwickDlg::WriteSlot(int slot, const ByteBuffer& image) {
  const std::optional<CDriveInfo> drive = GetSelectedDrive();
  if (!drive) return DDA_ERR_NO_DRIVE;
  if (CardWriteProtected()) return static_cast<int>(platform::kErrorWriteProtect);
  CProgressStateWnd progress(Localized("Write DCF [PERCENT]", "Schreibe DCD [PERCENT]"),
                             kProgressVisible, this);
  ByteBuffer block;
  if (const int rc = BuildImageSlotBlock(block, image, GetSelectedSlotName(),
                                         cardState_.Header.IsHighDensity())) {
    return rc;
  }
  return FfaWriteSlot(drive->Letter(), static_cast<std::uint32_t>(slot), block, &progress);
}

int CTarnwickDlg::SaveSlotAsImageFile(int slot, const std::string& path) {
  if (slot < 0) return DDA_ERR_NO_IMAGE_SELECTED;
  ByteBuffer buffer;
  const int result = ReadSlot(slot, buffer, false);
  return result != 0 ? result : SaveImageFile(path, buffer);
}

std::string CTarnwickDlg::GetSelectedSlotName() const {
  const QList<QListWidgetItem*> selected = slotList_->selectedItems();
  if (selected.isEmpty()) return Localized("Unknown", "Unbekannt");
  return selected.front()->text().toStdString();
}

int CTarnwickDlg::WriteSlotInfo(std::uint32_t slot, const std::uint8_t* record) {
  if (CardWriteProtected()) return static_cast<int>(platform::kErrorWriteProtect);
  // Lifts the protection, writes, and protects the file again, also when
  // the write failed.
  return FfaWriteSlotRecord(cardState_.ContainerPath, slot, record);
}
