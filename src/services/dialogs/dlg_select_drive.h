// The drive selection dialog: a list of drives in two columns (drive and
// label) from which the user picks one, e.g. the floppy drive of a disk copy.
#pragma once

#include <vector>

#include "driveaccess/drive_info.h"
#include "gui/ex_resize_dialog.h"

class QPushButton;
class QTableWidget;

class CDlgSelectDrive : public CExResizeDialog {
  Q_OBJECT

 public:
  static constexpr int kTemplateId = 135;
  static constexpr int kIdList = 1300;
  static constexpr int kIdSelect = 142;
  static constexpr int kIdCancel = 2;

  // The drives are shown in their order; the list must outlive the dialog.
  CDlgSelectDrive(const std::vector<CDriveInfo>& drives, QWidget* parent);

  // The index of the chosen drive after Select; -1 before and after Cancel.
  int ChosenIndex() const { return chosen_; }

 protected:
  void OnInitDialog() override;
  void OnTextsApplied() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetHeaders();
  void UpdateSelectButton();
  void OnSelect();

  const std::vector<CDriveInfo>& drives_;
  int chosen_ = -1;
  QTableWidget* list_;
  QPushButton* select_;
};
