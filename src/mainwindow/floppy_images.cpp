// Floppy images as the floppy drives A: and B:, for machines without a
// floppy drive: every floppy command then works on the image file.
#include <QFileDialog>

#include <vector>

#include "container/floppy_choice.h"
#include "gui/ui_texts.h"
#include "mainwindow/tarnwick_dlg.h"
#include "platform/drive_images.h"
#include "services/dialogs/floppy_drive_chooser.h"

void CTarnwickDlg::OnAttachFloppyImage() {
  std::optional<std::string> path;
  if (chooseFloppyImage_) {
    path = chooseFloppyImage_();
  } else {
    const QString chosen = QFileDialog::getOpenFileName(
        this, gui::kTextAttachFloppyImageTitle.Get(), QString(), gui::kTextFloppyImageFilter.Get());
    if (!chosen.isEmpty()) path = chosen.toStdString();
  }
  if (!path) return;
  std::uint32_t error = 0;
  if (platform::AttachFloppyImage(*path, '\0', &error) == 0) ReportError(static_cast<int>(error));
  UpdateControlStates();
}

void CTarnwickDlg::OnDetachFloppyImage() {
  std::vector<CDriveInfo> images;
  for (const CDriveInfo& floppy : FfaListFloppyDrives()) {
    if (platform::IsFloppyImageDrive(floppy.Letter())) images.push_back(floppy);
  }
  if (images.empty()) return;
  std::size_t chosen = 0;
  // With two images the user says which one goes.
  if (images.size() > 1) {
    CDialogFloppyChooser dialogChooser(this);
    IFloppyDriveChooser& chooser = floppyChooser_ != nullptr
                                       ? *floppyChooser_
                                       : static_cast<IFloppyDriveChooser&>(dialogChooser);
    if (!chooser.Choose(images, &chosen) || chosen >= images.size()) return;
  }
  platform::DetachFloppyImage(images[chosen].Letter());
  UpdateControlStates();
}
