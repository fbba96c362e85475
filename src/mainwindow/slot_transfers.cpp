// What the slot commands hand to the card operations: the selected slot with
// its drive, the container's kind and the name a written slot gets.
#include <QListWidget>

#include "base/current_language.h"
#include "mainwindow/tarnwick_dlg.h"

SlotTarget CTarnwickDlg::SlotTargetFor(int slot) const {
  SlotTarget target;
  if (const std::optional<CDriveInfo> drive = GetSelectedDrive()) target.drive = drive->Letter();
  target.slot = slot;
  target.highDensity = cardState_.Header.IsHighDensity();
  target.name = GetSelectedSlotName();
  return target;
}

std::string CTarnwickDlg::GetSelectedSlotName() const {
  const QList<QListWidgetItem*> selected = slotList_->selectedItems();
  if (selected.isEmpty()) return Localized("Unknown", "Unbekannt");
  return selected.front()->text().toStdString();
}

void CTarnwickDlg::UpdateDriveStatusKeepingSlot(const CDriveInfo& drive, int slot) {
  // A slot written within the second keeps a record that looks the same.
  if (slot >= 0) slotContents_.Forget(static_cast<std::uint32_t>(slot));
  UpdateDriveStatus(drive);
  if (slot >= 0 && slot < slotList_->count()) slotList_->setCurrentRow(slot);
  UpdateSlotButtons();
}
