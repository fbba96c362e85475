#include "services/dialogs/floppy_drive_chooser.h"

#include "gui/message_box.h"
#include "services/dialogs/dlg_select_drive.h"

void CDialogFloppyChooser::ShowNoFloppyDrive(const std::string& message) {
  gui::ShowMessage(parent_, message);
}

bool CDialogFloppyChooser::Choose(const std::vector<CDriveInfo>& drives, std::size_t* chosen) {
  CDlgSelectDrive dialog(drives, parent_);
  if (dialog.DoModal() != QDialog::Accepted || dialog.ChosenIndex() < 0) return false;
  *chosen = static_cast<std::size_t>(dialog.ChosenIndex());
  return true;
}
