// The window menu's whole-set commands: every slot's image exported to a
// folder, a folder of images imported into the slots. One progress popup for
// the set, one summary at the end.
#include "container/card_image_sets.h"
#include "gui/message_box.h"
#include "mainwindow/tarnwick_dlg.h"
#include "services/error_report.h"

void CTarnwickDlg::OnExportImages() {
  const std::optional<CDriveInfo> drive = GetSelectedDrive();
  const ImageSetResult result = CardExportImages(drive ? drive->Letter() : '\0', user_);
  const std::string summary = ImageSetSummary(result, false, ResultCodeText);
  if (!summary.empty()) gui::ShowMessage(this, summary);
}

void CTarnwickDlg::OnImportImages() {
  const std::optional<CDriveInfo> drive = GetSelectedDrive();
  const int slot = SelectedSlot();
  const ImageSetResult result = CardImportImages(drive ? drive->Letter() : '\0', user_);
  // The slot list shows the new names before the summary is read.
  if (drive && !result.done.empty()) UpdateDriveStatusKeepingSlot(*drive, slot);
  const std::string summary = ImageSetSummary(result, true, ResultCodeText);
  if (!summary.empty()) gui::ShowMessage(this, summary);
}
