// The slot buttons that move floppy images between the slots, floppy disks
// and image files, rename a slot and show its sectors. Each runs its card
// operation and reports its result once.
#include <QLineEdit>
#include <QListWidget>

#include "container/slot_editing.h"
#include "driveaccess/dda_error_codes.h"
#include "driveaccess/dialogs/dlg_show_hex_data.h"
#include "mainwindow/tarnwick_dlg.h"

void CTarnwickDlg::OnFloppyToSlot() {
  ReportError(CardFloppyToSlot(SlotTargetFor(SelectedSlot()), user_));
}

void CTarnwickDlg::OnFloppyToFile() {
  ReportError(CardFloppyToFile(user_));
}

void CTarnwickDlg::OnFileToSlot() {
  ReportError(CardFileToSlot(SlotTargetFor(SelectedSlot()), user_));
}

void CTarnwickDlg::OnFileToFloppy() {
  ReportError(CardFileToFloppy(user_));
}

void CTarnwickDlg::OnSlotToFloppy() {
  ReportError(CardSlotToFloppy(SlotTargetFor(SelectedSlot()), user_));
}

void CTarnwickDlg::OnSlotToFile() {
  ReportError(CardSlotToFile(SlotTargetFor(SelectedSlot()), user_));
}

void CTarnwickDlg::OnHexViewSlot() {
  const SlotTarget target = SlotTargetFor(SelectedSlot());
  int result = DDA_ERR_NO_IMAGE_SELECTED;
  if (target.slot >= 0) {
    ByteBuffer block;
    result = CardReadSlot(target, block, true, user_);
    if (result == 0) {
      CDlgShowHexData dialog(block, SlotFirstSector(static_cast<std::uint32_t>(target.slot)),
                             SlotSectorCount(), this);
      dialog.DoModal();
    }
  }
  ReportError(result);
}

void CTarnwickDlg::OnWriteSlotName() {
  const int slot = SelectedSlot();
  const std::optional<CDriveInfo> drive = GetSelectedDrive();
  if (const int rc = CardWriteSlotName(SlotTargetFor(slot), slotNameField_->text().toStdString())) {
    ReportError(rc);
    return;
  }
  if (drive) UpdateDriveStatusKeepingSlot(*drive, slot);
}
