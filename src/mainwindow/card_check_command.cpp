// The "Check Card..." command: the card check under the progress popup, its
// findings in the check window, and the repair that window asks for.
#include <QApplication>

#include "container/card_check.h"
#include "container/dialogs/dlg_card_check.h"
#include "gui/ui_texts.h"
#include "mainwindow/tarnwick_dlg.h"
#include "platform/errors.h"
#include "services/dialogs/progress_state_wnd.h"

void CTarnwickDlg::OnCheckCard() {
  const std::optional<CDriveInfo> drive = GetSelectedDrive();
  if (!drive) return;
  std::vector<CheckFinding> findings;
  int rc = 0;
  {
    // The check reads every slot's image and the whole FAT: on a large card
    // that takes a while, and the bar follows the slots.
    CProgressStateWnd busy(gui::kTextCheckingCard.Get().toStdString(), kProgressVisible, this);
    rc = CheckCard(drive->Letter(), findings, &busy);
  }
  if (rc != 0) {
    ReportError(rc);
    return;
  }
  CDlgCardCheck dialog(*this, std::move(findings), this);
  dialog.DoModal();
}

std::string CTarnwickDlg::CheckedCardName() const {
  const std::optional<CDriveInfo> drive = GetSelectedDrive();
  return drive ? drive->driveName + " " + drive->GetDisplayText() : std::string();
}

bool CTarnwickDlg::CheckedCardWritable() const {
  return !CardWriteProtected();
}

int CTarnwickDlg::RepairCheckedCard(std::vector<CheckFinding>& left) {
  left.clear();
  const std::optional<CDriveInfo> drive = GetSelectedDrive();
  if (!drive) return static_cast<int>(platform::kErrorNotReady);
  if (RefusedAsWriteProtected()) return static_cast<int>(platform::kErrorWriteProtect);
  int rc = 0;
  {
    // Over the check window that asked for the repair.
    QWidget* over = QApplication::activeModalWidget();
    CProgressStateWnd busy(gui::kTextRepairingCard.Get().toStdString(),
                           kProgressVisible | kProgressNoBar, over != nullptr ? over : this);
    rc = RepairCard(drive->Letter(), left);
  }
  ReportError(rc);
  // What the repair changed shows at once: the status line, the fields, the
  // slots.
  UpdateDriveStatusKeepingSlot(*drive, SelectedSlot());
  return rc;
}
