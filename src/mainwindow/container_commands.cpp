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
#include "container/fpga_store.h"
#include "driveaccess/dav_errors.h"
#include "driveaccess/dda_error_codes.h"
#include "driveaccess/dialogs/dlg_cf_helper.h"
#include "driveaccess/dialogs/dlg_show_hex_data.h"
#include "gui/message_box.h"
#include "gui/simple_popup_menu.h"
#include "mainwindow/tarnwick_dlg.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "services/app_settings.h"
#include "services/dialogs/about_dlg.h"
#include "services/dialogs/dlg_app_settings.h"
#include "services/dialogs/floppy_drive_chooser.h"
#include "services/dialogs/progress_owner.h"
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
  const int slot = SelectedSlot();
  UpdateDriveStatus(*drive);
  if (slot >= 0 && slot < slotList_->count()) slotList_->setCurrentRow(slot);
  UpdateSlotButtons();
}

void CTarnwickDlg::OnCreateContainer() {
  if (RefusedAsWriteProtected()) return;
  const std::string path = cardState_.ContainerPath;
  if ((cardState_.Flags & CARD_CONTAINER_VALID) != 0 && platform::PathExists(path)) {
    if (!gui::AskYesNo(this, Localized("'Dornveld Container File' existing.\nDelete this file ?",
                                       "'Dornveld Container Datei' besteht bereits.\nSoll die "
                                       "Datei gelöscht werden ?"))) {
      return;
    }
    FfaDelete(path);
    if (platform::PathExists(path)) {
      gui::ShowMessage(this, Localized("Error Delete 'Dornveld Container File'\nCan't continue.",
                                       "Fehler beim Löschen der 'Dornveld Container Datei'.\nKann "
                                       "nicht fortfahren."));
      return;
    }
  }
  CDlgCreateResizeCIF dialog(*this, this);
  dialog.DoModal();
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
  const char letter = drive->Letter();
  // Everything the creation may have put on the card: the autorun file and
  // the program's copy (spared when it is the running program itself); what
  // is not there is no failure, and none is shown.
  FfaRemoveProgramFromCard(letter, ReadOwnProgramFile());
  FfaErase(letter);
  FfaWriteStartSector(letter, 0);
  FfaTouchCard(letter);
  UpdateDriveStatus(*drive);
}

void CTarnwickDlg::OnFpgaUpdate() {
  CDlgFpgaUpdate dialog(*this, this);
  dialog.DoModal();
}

int CTarnwickDlg::StoreFpgaUpdate(const std::string* file) {
  const std::optional<CDriveInfo> drive = GetSelectedDrive();
  if (!drive) return DDA_ERR_INVALID_DRIVE;
  if (RefusedAsWriteProtected()) return static_cast<int>(platform::kErrorWriteProtect);
  CWidgetProgressOwner owner(this);
  const int rc = FfaWriteFpgaUpdate(drive->Letter(), file, &owner);
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
  std::string path;
  if (!chooseFile_(false, path, 0)) return;
  const std::optional<CDriveInfo> drive = GetSelectedDrive();
  if (!drive) {
    gui::ShowMessage(this,
                     Localized("Can't open Drive !", "Laufwerk kann nicht geöffnet werden !"));
    return;
  }
  CWidgetProgressOwner owner(this);
  // A copy that broke off is said so: the file holds only part of the card.
  ReportError(FfaDumpCard(drive->driveName, path, &owner, kSectorsPerDumpRead));
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
  if (path.empty() || !platform::PathExists(path)) return;
  Dornveld::GUI::CSimplePopupMenu menu(this);
  menu.AddItem(kCmdClearContainer,
               Localized("&Clear Dornveld Container File", "'Dornveld Container Datei' &löschen."));
  if (menu.Track(globalPos) != kCmdClearContainer || RefusedAsWriteProtected()) return;
  FfaDelete(path);
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
