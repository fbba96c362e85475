// The commands on the container as a whole (its name, creation, start
// sector, erasure, FPGA update), the card and floppy tools, and the
// settings, registration, about and help commands.
#include <QListWidget>

#include "base/current_language.h"
#include "container/card_program.h"
#include "container/card_state.h"
#include "container/dialogs/dlg_create_resize_cif.h"
#include "container/dialogs/dlg_fpga_update.h"
#include "container/ffa_store.h"
#include "container/floppy_choice.h"
#include "driveaccess/dav_errors.h"
#include "driveaccess/dialogs/dlg_cf_helper.h"
#include "driveaccess/dialogs/dlg_show_hex_data.h"
#include "gui/simple_popup_menu.h"
#include "mainwindow/tarnwick_dlg.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "services/app_settings.h"
#include "services/dialogs/about_dlg.h"
#include "services/dialogs/dlg_app_settings.h"
#include "services/dialogs/floppy_drive_chooser.h"
#include "services/file_association.h"
#include "services/help_files.h"

namespace {
constexpr std::uint32_t kSectorsPerDumpRead = 512;
}  // namespace

void CTarnwickDlg::OnSaveContainerName() {
  const std::optional<CDriveInfo> drive = GetSelectedDrive();
  if (!drive || RefusedAsWriteProtected()) return;
  if (const int rc = FfaRename(drive->Letter(), GetContainerNameText())) {
    ReportError(rc);
    return;
  }
  UpdateDriveStatusKeepingSlot(*drive, SelectedSlot());
}

void CTarnwickDlg::OnCreateContainer() {
  if (RefusedAsWriteProtected()) return;
  // The dialog decides what becomes of a valid container: rebuilt with its
  // images, or deleted after its own question.
  CDlgCreateResizeCIF dialog(*this, this);
  dialog.DoModal();
  // A new container's records may match the old one's.
  slotContents_.Clear();
  if (const std::optional<CDriveInfo> drive = GetSelectedDrive()) UpdateDriveStatus(*drive);
}

void CTarnwickDlg::OnMakeUsable() {
  if ((cardState_.Flags & CARD_CONTAINER_VALID) == 0 || RefusedAsWriteProtected()) return;
  const int rc = FfaMakeUsable(cardState_.DriveLetter);
  // Without the rights the status line says so already.
  if (rc != DAV_ERR_NO_RIGHTS) ReportError(rc);
  if (const std::optional<CDriveInfo> drive = GetSelectedDrive()) UpdateDriveStatus(*drive);
}

void CTarnwickDlg::OnEraseContainer() {
  const std::optional<CDriveInfo> drive = GetSelectedDrive();
  if (!drive || RefusedAsWriteProtected()) return;
  // The window shows nothing of the erasure, whatever it could not do: the
  // status line shows what is left on the card.
  (void)CardErase(drive->Letter(), ReadOwnProgramFile());
  UpdateDriveStatus(*drive);
}

void CTarnwickDlg::OnFpgaUpdate() {
  CDlgFpgaUpdate dialog(*this, this);
  dialog.DoModal();
}

int CTarnwickDlg::StoreFpgaUpdate(const std::string* file) {
  const std::optional<CDriveInfo> drive = GetSelectedDrive();
  // Without a drive nothing is shown.
  if (drive && RefusedAsWriteProtected()) return static_cast<int>(platform::kErrorWriteProtect);
  const int rc = CardStoreFpgaUpdate(drive ? drive->Letter() : '\0', file, user_);
  if (!drive) return rc;
  ReportError(rc);
  UpdateDriveStatus(*drive);
  return rc;
}

void CTarnwickDlg::OnHexViewCard() {
  const std::optional<CDriveInfo> drive = GetSelectedDrive();
  if (!drive) return;
  CDlgShowHexData dialog(*drive, this);
  dialog.DoModal();
}

void CTarnwickDlg::OnHexViewFloppy() {
  CDialogFloppyChooser chooser(this);
  CDriveInfo floppy;
  if (!FfaChooseFloppyDrive(floppy, chooser)) return;
  CDlgShowHexData dialog(floppy, this);
  dialog.DoModal();
}

void CTarnwickDlg::OnSaveCardToImage() {
  const std::optional<CDriveInfo> drive = GetSelectedDrive();
  ReportError(CardCopyToImageFile(drive ? drive->Letter() : '\0', user_, kSectorsPerDumpRead));
}

void CTarnwickDlg::OnCardHelper() {
  const std::optional<CDriveInfo> drive = GetSelectedDrive();
  if (!drive) return;
  CDlgCFHelper dialog(*drive, this);
  dialog.DoModal();
  // The format wiped the partition table and the start sector record.
  if (dialog.FormatRan()) OnDriveSelectionChanged();
}

void CTarnwickDlg::ShowContextMenu(CEditContextMenu& edit, const QPoint& globalPos) {
  const std::string path = edit.text().toStdString();
  // A container file's field names the user's own file: never cleared here.
  if ((cardState_.Flags & CARD_CONTAINER_FILE) != 0) return;
  if (path.empty() || !platform::PathExists(path)) return;
  Dornveld::GUI::CSimplePopupMenu menu(this);
  menu.AddItem(kCmdClearContainer,
               Localized("&Clear Dornveld Container File", "'Dornveld Container Datei' &löschen."));
  if (menu.Track(globalPos) != kCmdClearContainer || RefusedAsWriteProtected()) return;
  // Deleted without a question and without a message: the status line
  // shows whether the container is gone.
  (void)CardDeleteContainer(path);
  OnDriveSelectionChanged();
}

void CTarnwickDlg::OnAppSettings() {
  CDlgAppSettings dialog(this, settings_);
  dialog.DoModal();
  ApplySettings();
  SearchDrives();
}

void CTarnwickDlg::OnRegisterExtension() {
  RegisterFileAssociation();
}

void CTarnwickDlg::OnAbout() {
  CAboutDlg dialog("Quillfen", VersionText(), this);
  dialog.DoModal();
}

void CTarnwickDlg::OnHelp() {
  help_.ShowHelp();
}
