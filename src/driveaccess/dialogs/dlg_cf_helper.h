// STAND-IN until the container dialogs are merged: the card helper's
// interface as the main window uses it. Replaced by the real header.
#pragma once

#include "driveaccess/drive_info.h"
#include "gui/ex_resize_dialog.h"

class CDlgCFHelper : public CExResizeDialog {
 public:
  CDlgCFHelper(const CDriveInfo& drive, QWidget* parent);

 protected:
  void OnInitDialog() override;
};
