// Finding the card drives, following device changes, and card images
// attached as drives.
#include <QApplication>
#include <QFileDialog>
#include <QListWidget>

#include <cstdio>

#include "base/current_language.h"
#include "container/container_file.h"
#include "driveaccess/dialogs/drive_combo_box.h"
#include "driveaccess/drive_description_text.h"
#include "driveaccess/drive_kind.h"
#include "gui/ui_texts.h"
#include "mainwindow/device_changes.h"
#include "mainwindow/tarnwick_dlg.h"
#include "platform/drive_images.h"
#include "platform/drive_refresh.h"
#include "services/app_settings.h"
#include "services/dialogs/progress_state_wnd.h"

void CTarnwickDlg::SearchDrives() {
  searching_ = true;
  ++driveSearches_;
  std::string previousName;
  int previousSlot = -1;
  const bool hadSelection = GetSelectedDrive().has_value();
  if (const std::optional<CDriveInfo> selected = GetSelectedDrive()) {
    previousName = selected->driveName;
    previousSlot = SelectedSlot();
  } else if (startLetter_ != 0) {
    previousName = std::string(1, startLetter_) + ":";
  }
  startLetter_ = 0;

  int found = -1;
  {
    const QSignalBlocker quiet(driveCombo_);
    driveCombo_->ResetContent();
    CProgressStateWnd progress(Localized("Search Drive(s) [PERCENT]", "Suche Laufwerke [PERCENT]"),
                               kProgressVisible, this);
    // The machine's own drives at their letters first; card images stay.
    platform::RefreshDrives();
    driveList_.SetCallback(&progress);
    driveList_.EnumerateDrives(DRIVE_KIND_REMOVABLE);
    driveList_.SetCallback(nullptr);
    progress.Hide();
    driveCombo_->SetStyleFlags(DRIVE_COMBO_COLUMNS_IN_FIELD, 0);

    for (std::size_t i = 0; i < driveList_.Count(); ++i) {
      const CDriveInfo& drive = driveList_[i];
      // A container file the user opened is listed as a card reader's card is.
      if (!settings_.showAllRemovableDrives && (drive.marks & DRIVE_MARK_CARD_READER) == 0 &&
          !IsContainerFileCard(drive.Letter())) {
        continue;
      }
      char letter[16];
      std::snprintf(letter, sizeof letter, "[ %c ]", drive.Letter());
      const int entry = driveCombo_->AddItem(letter, drive.GetDisplayText());
      driveCombo_->SetItemValue(entry, static_cast<int>(i));
      driveCombo_->SetItemDescription(entry, DriveDescriptionText(DescribeDrive(drive.Letter())));
      RegisterDriveHandle(drive.Letter());
      if (!previousName.empty() && drive.driveName == previousName) found = entry;
    }
    if (driveCombo_->count() > 0) driveCombo_->setCurrentIndex(found >= 0 ? found : 0);
  }
  driveCombo_->ShowCurrentDescription();

  if (const std::optional<CDriveInfo> drive = GetSelectedDrive()) {
    UpdateDriveStatus(*drive);
  } else if (hadSelection) {
    // The last drive went: its card's old state is not shown on.
    ShowNoCard();
  }
  BringToFront(this);
  if (found >= 0) {
    if (previousSlot >= 0 && previousSlot < slotList_->count()) {
      slotList_->setCurrentRow(previousSlot);
    }
    UpdateSlotButtons();
    slotList_->repaint();
  }
  UpdateControlStates();  // the menu's entries follow the drives found too
  searching_ = false;
}

void CTarnwickDlg::RegisterDriveHandle(char letter) {
  deviceChanges_->RegisterDriveHandle(letter);
}

void CTarnwickDlg::BringToFront(QWidget* window) {
  if (window == nullptr || !window->isVisible() || !window->isEnabled()) return;
  window->raise();
  window->activateWindow();
}

void CTarnwickDlg::ScheduleDriveSearch() {
  deviceChanges_->NoteChange();
}

bool CTarnwickDlg::DriveSearchPending() const {
  return deviceChanges_->Pending();
}

bool CTarnwickDlg::RunScheduledDriveSearch() {
  // While a command runs (its progress disables the window, or its dialog
  // or message is open) the search waits for it to end.
  QWidget* modal = QApplication::activeModalWidget();
  if (searching_ || !isEnabled() || (modal != nullptr && modal != this)) return false;
  SearchDrives();
  return true;
}

void CTarnwickDlg::OnAttachCardImage() {
  std::optional<std::string> path;
  if (chooseCardImage_) {
    path = chooseCardImage_();
  } else {
    const QString chosen = QFileDialog::getOpenFileName(this, gui::kTextAttachCardImageTitle.Get(),
                                                        QString(), gui::kTextCardImageFilter.Get());
    if (!chosen.isEmpty()) path = chosen.toStdString();
  }
  if (!path) return;
  std::uint32_t error = 0;
  if (AttachCardFile(*path, platform::ImageDriveOptions(), &error) == 0) {
    ReportError(static_cast<int>(error));
    return;
  }
  ScheduleDriveSearch();
}

void CTarnwickDlg::OnDetachCardImage() {
  const std::optional<CDriveInfo> drive = GetSelectedDrive();
  if (!drive || !DetachCardFile(drive->Letter())) return;
  ScheduleDriveSearch();
}
