// The slot buttons that move floppy images between the slots, floppy disks
// and image files, rename a slot and show its sectors. Each runs its steps
// in order and ends by reporting its result once.
#include <QLineEdit>
#include <QListWidget>

#include "container/container_layout.h"
#include "container/slot_editing.h"
#include "container/slot_info.h"
#include "driveaccess/dda_error_codes.h"
#include "driveaccess/dialogs/dlg_show_hex_data.h"
#include "driveaccess/disk_image.h"
#include "mainwindow/tarnwick_dlg.h"
#include "platform/errors.h"

void CTarnwickDlg::OnFloppyToSlot() {
  const int slot = SelectedSlot();
  int result = DDA_ERR_NO_IMAGE_SELECTED;
  if (slot >= 0) {
    CDiskImage image;
    result = ReadFloppy(image);
    if (result == 0 && image.Size() != ContainerImageSize()) {
      result = DDA_ERR_WRONG_FLOPPY_SIZE;
    } else if (result == 0) {
      result = WriteSlot(slot, image.Bytes());
    }
  }
  ReportError(result);
}

void CTarnwickDlg::OnFloppyToFile() {
  std::string path;
  if (!chooseFile_(false, path, 0)) return;
  CDiskImage image;
  int result = ReadFloppy(image);
  if (result == 0) result = SaveImageFile(path, image.Bytes());
  ReportError(result);
}

void CTarnwickDlg::OnFileToSlot() {
  const int slot = SelectedSlot();
  int result = DDA_ERR_NO_IMAGE_SELECTED;
  if (slot >= 0) {
    std::string path;
    result = 0;
    if (chooseFile_(true, path, 0)) {
      ByteBuffer buffer;
      result = LoadImageFile(path, buffer, true);
      if (result == 0) result = WriteSlot(slot, buffer);
    }
  }
  ReportError(result);
}

void CTarnwickDlg::OnFileToFloppy() {
  std::string path;
  if (!chooseFile_(true, path, 0)) return;
  CDiskImage image;
  // No size check here: writing the disk checks what it must.
  int result = LoadImageFile(path, image.Bytes(), false);
  if (result == 0) result = WriteFloppy(image);
  ReportError(result);
}

void CTarnwickDlg::OnSlotToFloppy() {
  const int slot = SelectedSlot();
  int result = DDA_ERR_NO_IMAGE_SELECTED;
  if (slot >= 0) {
    CDiskImage image;
    result = ReadSlot(slot, image.Bytes(), false);
    if (result == 0) result = WriteFloppy(image);
  }
  ReportError(result);
}

void CTarnwickDlg::OnSlotToFile() {
  // The file first, then the slot.
  std::string path;
  if (!chooseFile_(false, path, 0)) return;
  ReportError(SaveSlotAsImageFile(SelectedSlot(), path));
}

void CTarnwickDlg::OnHexViewSlot() {
  const int slot = SelectedSlot();
  int result = DDA_ERR_NO_IMAGE_SELECTED;
  if (slot >= 0) {
    ByteBuffer block;
    result = ReadSlot(slot, block, true);
    if (result == 0) {
      CDlgShowHexData dialog(block, SlotFirstSector(static_cast<std::uint32_t>(slot)),
                             SlotSectorCount(), this);
      dialog.DoModal();
    }
  }
  ReportError(result);
}

void CTarnwickDlg::OnWriteSlotName() {
  const int slot = SelectedSlot();
  const std::optional<CDriveInfo> drive = GetSelectedDrive();
  if (slot >= 0 && drive) {
    std::uint8_t record[kSlotInfoSize] = {};
    if (const int rc = ReadSlotInfo(static_cast<std::uint32_t>(slot), record)) {
      ReportError(rc);
      return;
    }
    // The field holds at most 15 characters; a name the card cannot store
    // is refused before anything is written.
    if (!SetSlotInfoName(record, slotNameField_->text().toStdString())) {
      ReportError(static_cast<int>(platform::kErrorNoUnicodeTranslation));
      return;
    }
    if (const int rc = WriteSlotInfo(static_cast<std::uint32_t>(slot), record)) {
      ReportError(rc);
      return;
    }
  }
  if (!drive) return;
  UpdateDriveStatus(*drive);
  if (slot >= 0 && slot < slotList_->count()) slotList_->setCurrentRow(slot);
  UpdateSlotButtons();
}
