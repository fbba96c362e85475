// The main window as the user of the card operations: its file dialogs (or
// the function a test puts in their place), its message boxes, the drive
// selection dialog for floppy drives (or a test's chooser), and progress
// popups over the window.
#pragma once

#include <QWidget>

#include <functional>
#include <string>

#include "container/card_operations.h"
#include "services/dialogs/floppy_drive_chooser.h"
#include "services/dialogs/progress_owner.h"

class CWindowCardUser : public ICardUser {
 public:
  // Asks for a file: open or save dialog, the path in and out, the kind (0
  // image files, 1 FPGA files). False when the user cancels.
  using ChooseFileFunction = std::function<bool(bool openDialog, std::string& path, int kind)>;

  // The file function and the floppy chooser are read at each use, so that
  // a test may replace them at any time; a null chooser is the dialog.
  CWindowCardUser(QWidget* window, const ChooseFileFunction& chooseFile,
                  IFloppyDriveChooser* const& floppyChooser)
      : window_(window),
        chooseFile_(chooseFile),
        floppyChooser_(floppyChooser),
        dialogChooser_(window),
        progress_(window) {}

  bool ChooseFile(bool openDialog, std::string& path, int kind) override {
    return chooseFile_(openDialog, path, kind);
  }
  bool AskYesNo(const std::string& question) override;
  void ShowMessage(const std::string& text) override;
  IFloppyDriveChooser& FloppyChooser() override {
    return floppyChooser_ != nullptr ? *floppyChooser_ : dialogChooser_;
  }
  IProgressOwner* Progress() override { return &progress_; }

 private:
  QWidget* window_;
  const ChooseFileFunction& chooseFile_;
  IFloppyDriveChooser* const& floppyChooser_;
  CDialogFloppyChooser dialogChooser_;
  CWidgetProgressOwner progress_;
};
