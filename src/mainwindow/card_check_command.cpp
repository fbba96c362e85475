// The "Check Card..." command: the card check under the progress popup, its
// findings in the check window, and the repair that window asks for.
#include <QApplication>

#include "container/card_check.h"
#include "container/dialogs/dlg_card_check.h"
#include "gui/message_box.h"
#include "gui/ui_texts.h"
#include "mainwindow/tarnwick_dlg.h"
#include "platform/errors.h"
#include "services/dialogs/progress_owner.h"
#include "services/dialogs/progress_state_wnd.h"
#include "services/error_report.h"

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
  RebuildOutcome rebuild;
  {
    // Over the check window that asked for the repair; a rebuild of a
    // container not in one piece shows its own phases there too.
    QWidget* over = QApplication::activeModalWidget();
    QWidget* parent = over != nullptr ? over : this;
    CProgressStateWnd busy(gui::kTextRepairingCard.Get().toStdString(),
                           kProgressVisible | kProgressNoBar, parent);
    CWidgetProgressOwner phases(parent);
    rc = RepairCard(drive->Letter(), left, &phases, &rebuild);
  }
  if (!rebuild.ok()) {
    // What became of the images, and where a copy of them waits.
    gui::ShowMessage(this, RebuildOutcomeText(rebuild, ResultCodeText(rebuild.code)));
  } else {
    ReportError(rc);
  }
  // What the repair changed shows at once: the status line, the fields, the
  // slots.
  UpdateDriveStatusKeepingSlot(*drive, SelectedSlot());
  return rc;
}
