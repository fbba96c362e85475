// The state of the selected card on screen: the status line, the container
// fields, the slot list, and the enabled state of every command.
#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <chrono>
#include <vector>

#include "container/container_file.h"
#include "container/container_layout.h"
#include "container/slot_info.h"
#include "container/slot_records.h"
#include "driveaccess/dialogs/drive_combo_box.h"
#include "gui/button_led.h"
#include "gui/described_item_delegate.h"
#include "gui/ex_static.h"
#include "gui/ui_texts.h"
#include "mainwindow/tarnwick_dlg.h"
#include "platform/drive.h"
#include "platform/drive_images.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "services/app_settings.h"
#include "services/dialogs/progress_state_wnd.h"
#include "virtualdrive/virtual_disk.h"

std::optional<CDriveInfo> CTarnwickDlg::GetSelectedDrive() const {
  const int entry = driveCombo_->currentIndex();
  if (entry < 0 || entry >= driveCombo_->count()) return std::nullopt;
  const int index = driveCombo_->GetItemValue(entry);
  if (index < 0 || static_cast<std::size_t>(index) >= driveList_.Count()) return std::nullopt;
  return driveList_[static_cast<std::size_t>(index)];
}

void CTarnwickDlg::OnDriveSelectionChanged() {
  if (const std::optional<CDriveInfo> drive = GetSelectedDrive()) UpdateDriveStatus(*drive);
}

void CTarnwickDlg::UpdateDriveStatus(const CDriveInfo& drive) {
  CProgressStateWnd busy(Localized("Retrieve Drive Information", "Ermittle Laufwerksinformationen"),
                         kProgressVisible | kProgressNoBar, this);
  std::uint64_t size = 0;
  FfaGetCardState(drive.driveName, size, cardState_);
  cardSize_ = size;
  cardFileSystem_ = drive.fileSystemName;
  ShowCardState();
}

void CTarnwickDlg::ShowNoCard() {
  cardState_ = CardState{};
  cardSize_ = 0;
  cardFileSystem_.clear();
  ShowCardState();
}

void CTarnwickDlg::ShowCardState() {
  cardView_ = DescribeCardState(cardState_, cardSize_, cardFileSystem_, CardWriteProtected());
  if ((cardState_.Flags & CARD_CONTAINER_VALID) != 0) {
    FillSlotList(cardState_);
  } else {
    slotList_->clear();
    UpdateSlotButtons();
  }
  ShowCardFields();
  UpdateControlStates();
  statusLine_->repaint();
}

void CTarnwickDlg::ShowCardFields() {
  const CardStatusView& view = *cardView_;
  led_->SetLit(view.fpgaLit);
  containerNameField_->setText(QString::fromStdString(view.containerName));
  containerFileField_->setText(QString::fromStdString(view.containerPath));
  typeField_->setText(QString::fromStdString(view.type));
  sizeField_->setText(QString::fromStdString(view.size));
  fileSystemField_->setText(QString::fromStdString(view.fileSystem));
  statusLine_->SetStatus(QString::fromStdString(view.statusText), view.severity);
  statusLine_->setAccessibleDescription(statusLine_->text());
}

void CTarnwickDlg::UpdateControlStates() {
  if (cardView_) {
    const CardStatusView& view = *cardView_;
    containerNameField_->setEnabled(view.containerNameEnabled);
    Control(kIdSaveContainerName)->setEnabled(view.containerNameEnabled);
    Control(kIdCreate)->setEnabled(view.createEnabled);
    Control(kIdMakeUsable)->setEnabled(view.makeUsableEnabled);
    Control(kIdErase)->setEnabled(view.eraseEnabled);
    Control(kIdFpgaUpdate)->setEnabled(view.fpgaUpdateEnabled);
    Control(kIdHexCard)->setEnabled(view.cardToolsEnabled);
    Control(kIdSaveCard)->setEnabled(view.cardToolsEnabled);
    if (QAction* saveCard = MenuAction(kIdSaveCard)) saveCard->setEnabled(view.cardToolsEnabled);
    if (QAction* check = MenuAction(kCmdCheckCard)) check->setEnabled(view.cardPresent);
  }
  if (slotButtonsKnown_) {
    const bool slot = SelectedSlot() >= 0;
    for (int id : {kIdSlotToFloppy, kIdSlotToFile, kIdHexSlot}) Control(id)->setEnabled(slot);
    // What writes into the slot (the editors write the edited image back).
    const bool writable = !cardView_ || cardView_->writable;
    for (int id : {kIdSlotName, kIdWriteSlotName, kIdFloppyToSlot, kIdFileToSlot}) {
      Control(id)->setEnabled(slot && writable);
    }
    Control(kIdMount)->setEnabled(slot && writable && virtualDisks_.Initialize());
    const std::string& software = settings_.externalImageSoftware;
    Control(kIdExternalEdit)
        ->setEnabled(slot && writable && !software.empty() && platform::PathExists(software));
  }
  // The sets need a container to read; an import one that may be written.
  const bool container =
      cardView_ && (cardState_.Flags & CARD_CONTAINER_VALID) != 0 && GetSelectedDrive();
  if (QAction* exportSet = MenuAction(kCmdExportImages)) exportSet->setEnabled(container);
  if (QAction* importSet = MenuAction(kCmdImportImages)) {
    importSet->setEnabled(container && cardView_->writable);
  }
  if (QAction* detach = MenuAction(kCmdDetachCardImage)) {
    const std::optional<CDriveInfo> drive = GetSelectedDrive();
    detach->setEnabled(drive && (platform::IsCardImageDrive(drive->Letter()) ||
                                 IsContainerFileCard(drive->Letter())));
  }
  if (QAction* detachFloppy = MenuAction(kCmdDetachFloppyImage)) {
    detachFloppy->setEnabled(platform::IsFloppyImageDrive('A') ||
                             platform::IsFloppyImageDrive('B'));
  }
}

void CTarnwickDlg::FillSlotList(const CardState& state) {
  slotList_->clear();
  slotRecords_.clear();
  slotRecordsRead_ = slotContentsNext_ = 0;
  UpdateSlotButtons();
  if ((state.Flags & CARD_CONTAINER_VALID) == 0) return;
  const std::uint32_t count = state.Header.ImageCount();
  std::uint32_t read = 0;
  // `read` counts the records that came whole; the others show as unreadable.
  (void)FfaReadSlotRecords(state.ContainerPath, 0, count, slotRecords_, &read);
  slotContents_.UseContainer(state.ContainerPath);
  slotRecordsRead_ = read;
  // One entry per slot, so that an entry's index stays its slot number.
  int nameColumn = 0;
  const QFontMetrics metrics = slotList_->fontMetrics();
  for (std::uint32_t slot = 0; slot < count; ++slot) {
    const std::uint8_t* record =
        slotRecords_.data() + static_cast<std::size_t>(slot) * kSlotInfoSize;
    const QString name =
        slot < read ? QString::fromStdString(SlotInfoName(record)) : gui::kTextUnreadableSlot.Get();
    slotList_->addItem(name);
    nameColumn = std::max(nameColumn, metrics.horizontalAdvance(name));
  }
  if (auto* delegate = dynamic_cast<gui::CDescribedItemDelegate*>(slotList_->itemDelegate())) {
    delegate->SetTextColumnWidth(nameColumn + 2 * metrics.averageCharWidth());
  }
  // What is known already shows at once; the rest is read in idle time.
  while (slotContentsNext_ < slotRecordsRead_ && ShowSlotContents(slotContentsNext_)) {
    ++slotContentsNext_;
  }
  for (std::uint32_t slot = slotContentsNext_; slot < slotRecordsRead_; ++slot) {
    (void)ShowSlotContents(slot);
  }
  if (SlotContentsPending()) slotContentsTimer_.start(0);
}

bool CTarnwickDlg::ShowSlotContents(std::uint32_t slot) {
  const SlotContents* contents = slotContents_.Find(
      slot, slotRecords_.data() + static_cast<std::size_t>(slot) * kSlotInfoSize);
  QListWidgetItem* item = slotList_->item(static_cast<int>(slot));
  if (contents == nullptr || item == nullptr) return false;
  const QString summary = QString::fromStdString(SlotContentsSummary(*contents));
  const std::string names = SlotRootNamesText(*contents);
  item->setData(gui::kItemDescriptionRole, summary);
  item->setData(Qt::AccessibleDescriptionRole, summary);
  item->setToolTip(names.empty() ? summary : QString::fromStdString(names));
  return true;
}

void CTarnwickDlg::ReadPendingSlotContents() {
  // A command in progress keeps the card to itself; its refresh starts
  // the reading again.
  if (queuedCommandRunning_) return;
  const auto start = std::chrono::steady_clock::now();
  const bool highDensity = cardState_.Header.IsHighDensity();
  while (SlotContentsPending()) {
    const std::uint32_t slot = slotContentsNext_++;
    if (!ShowSlotContents(slot)) {
      const std::uint8_t* record =
          slotRecords_.data() + static_cast<std::size_t>(slot) * kSlotInfoSize;
      // A slot that cannot be read stays without a description.
      if (slotContents_.Read(cardState_.DriveLetter, slot, highDensity, record) == 0) {
        (void)ShowSlotContents(slot);
      }
    }
    // The window answers the user between pieces of reading.
    if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(30)) break;
  }
  if (SlotContentsPending()) slotContentsTimer_.start(0);
}

void CTarnwickDlg::UpdateSlotButtons() {
  slotButtonsKnown_ = true;
  const int slot = SelectedSlot();
  std::uint8_t record[kSlotInfoSize];
  const bool named = slot >= 0 && ReadSlotInfo(static_cast<std::uint32_t>(slot), record) == 0;
  slotNameField_->setText(named ? QString::fromStdString(SlotInfoName(record)) : QString());
  UpdateControlStates();
}

int CTarnwickDlg::SelectedSlot() const {
  const QList<QListWidgetItem*> selected = slotList_->selectedItems();
  return selected.isEmpty() ? -1 : slotList_->row(selected.front());
}

int CTarnwickDlg::ReadSlotInfo(std::uint32_t slot, std::uint8_t* record) const {
  return FfaReadSlotInfo(cardState_.ContainerPath, slot, record);
}

bool CTarnwickDlg::CardWriteProtected() const {
  const std::optional<CDriveInfo> drive = GetSelectedDrive();
  return drive && platform::IsWriteProtected(drive->Letter());
}

bool CTarnwickDlg::RefusedAsWriteProtected() {
  if (!CardWriteProtected()) return false;
  ReportError(static_cast<int>(platform::kErrorWriteProtect));
  return true;
}

std::string CTarnwickDlg::GetContainerNameText() const {
  return containerNameField_->text().toStdString();
}
