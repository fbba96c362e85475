// The floppy drive chooser of the desktop program: a message when there is
// no floppy drive, else the drive selection dialog.
#pragma once

#include <QPointer>
#include <QWidget>

#include "container/floppy_choice.h"

class CDialogFloppyChooser : public IFloppyDriveChooser {
 public:
  explicit CDialogFloppyChooser(QWidget* parent) : parent_(parent) {}

  void ShowNoFloppyDrive(const std::string& message) override;
  bool Choose(const std::vector<CDriveInfo>& drives, std::size_t* chosen) override;

 private:
  QPointer<QWidget> parent_;
};
