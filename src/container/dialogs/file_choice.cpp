#include "container/dialogs/file_choice.h"

#include <QFileDialog>
#include <QFileInfo>

#include "container/file_choice_kind.h"
#include "gui/ui_texts.h"
#include "services/dialogs/program_file_dialog.h"

void SetUpFileChoiceDialog(QFileDialog& dialog, bool openDialog, const QString& path, int kind) {
  const FileChoiceKind choice = FfaFileChoiceKind(kind);
  dialog.setWindowTitle(openDialog ? gui::kTextOpenFile.Get() : gui::kTextSaveFile.Get());
  dialog.setAcceptMode(openDialog ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(openDialog ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QString::fromStdString(choice.defaultExtension));
  SetFileDialogFilter(dialog, choice.filter);
  SelectInitialFile(dialog, path);
}

bool FfaChooseFile(QWidget* parent, bool openDialog, std::string& path, int kind) {
  QFileDialog dialog(parent);
  if (kind == kFileKindFolder) {
    // A set's folder: an export may make a new one in the dialog.
    dialog.setWindowTitle(gui::kTextChooseFolder.Get());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (!path.empty()) dialog.setDirectory(QString::fromStdString(path));
  } else {
    SetUpFileChoiceDialog(dialog, openDialog, QString::fromStdString(path), kind);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  path = QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath().toStdString();
  return true;
}
