#include "services/dialogs/program_file_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>

#include <vector>

#include "platform/file_patterns.h"
#include "services/file_dialog_filter.h"

namespace {

// Hides every file the user cannot run while a programs-only filter is chosen;
// folders stay, so that the user can walk to the program.
class ProgramFilterProxy : public QSortFilterProxyModel {
 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;

  void SetProgramsOnly(bool programsOnly) {
    if (programsOnly_ == programsOnly) return;
    programsOnly_ = programsOnly;
    invalidateFilter();
  }

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    if (!programsOnly_) return true;
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (files == nullptr) return true;
    const QFileInfo info = files->fileInfo(files->index(row, 0, parent));
    return info.isDir() || platform::IsProgramFile(info.filePath().toStdString());
  }

 private:
  bool programsOnly_ = false;
};

}  // namespace

void SetFileDialogFilter(QFileDialog& dialog, const std::string& filter) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);  // the filter needs Qt's own dialog
  // The list shows the labels as written; the host patterns stay behind them.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  const std::vector<FileDialogFilter> filters = ParseFileDialogFilter(filter);
  QStringList names;
  for (const FileDialogFilter& entry : filters) {
    QStringList patterns;
    for (const std::string& pattern : entry.patterns) patterns << QString::fromStdString(pattern);
    // Qt reads the patterns from the parentheses at the end; the label keeps
    // its own text in front of them.
    names << QString::fromStdString(entry.label) + QStringLiteral(" (") + patterns.join(' ') +
                 QStringLiteral(")");
  }
  auto* proxy = new ProgramFilterProxy(&dialog);
  dialog.setProxyModel(proxy);
  dialog.setNameFilters(names);
  // The signal names the filter as the list shows it; the dialog knows the
  // whole one.
  QObject::connect(
      &dialog, &QFileDialog::filterSelected, &dialog,
      [&dialog, proxy, names, filters](const QString&) {
        const qsizetype index = names.indexOf(dialog.selectedNameFilter());
        proxy->SetProgramsOnly(index >= 0 && filters[static_cast<std::size_t>(index)].programsOnly);
      });
  proxy->SetProgramsOnly(!filters.empty() && filters.front().programsOnly);
}

void SelectInitialFile(QFileDialog& dialog, const QString& current) {
  if (current.isEmpty()) return;
  const QFileInfo info(current);
  if (info.dir().exists()) dialog.setDirectory(info.dir());
  dialog.selectFile(info.fileName());
}

void SetUpProgramFileDialog(QFileDialog& dialog, const std::string& filter,
                            const QString& current) {
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  SetFileDialogFilter(dialog, filter);
  SelectInitialFile(dialog, current);
}

std::optional<QString> BrowseForProgram(QWidget* parent, const QString& title,
                                        const std::string& filter, const QString& current) {
  QFileDialog dialog(parent, title);
  SetUpProgramFileDialog(dialog, filter, current);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
}
