// STAND-INS until the container dialogs are merged (delete this file then):
// each dialog closes at once as if cancelled, the file choice is cancelled.
#include <QTimer>

#include "container/dialogs/dlg_create_resize_cif.h"
#include "container/dialogs/dlg_fpga_update.h"
#include "container/dialogs/file_choice.h"
#include "driveaccess/dialogs/dlg_cf_helper.h"

namespace {
void CloseAtOnce(QDialog* dialog) {
  QTimer::singleShot(0, dialog, &QDialog::reject);
}
}  // namespace

CDlgCreateResizeCIF::CDlgCreateResizeCIF(IContainerCreationOwner& owner, QWidget* parent)
    : CExResizeDialog(150, parent) {
  (void)owner;
}
void CDlgCreateResizeCIF::OnInitDialog() {
  CloseAtOnce(this);
}

CDlgFpgaUpdate::CDlgFpgaUpdate(IFpgaUpdateOwner& owner, QWidget* parent)
    : CExResizeDialog(146, parent) {
  (void)owner;
}
void CDlgFpgaUpdate::OnInitDialog() {
  CloseAtOnce(this);
}

CDlgCFHelper::CDlgCFHelper(const CDriveInfo& drive, QWidget* parent)
    : CExResizeDialog(148, parent) {
  (void)drive;
}
void CDlgCFHelper::OnInitDialog() {
  CloseAtOnce(this);
}

bool FfaChooseFile(QWidget* parent, bool openDialog, std::string& path, int kind) {
  (void)parent;
  (void)openDialog;
  (void)path;
  (void)kind;
  return false;
}
