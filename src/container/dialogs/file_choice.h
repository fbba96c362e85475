// The file dialog in which the user picks an image file or an FPGA update
// file: open or save, the kind's filters and default extension, the
// caller's path as the initial file.
#pragma once

#include <QString>
#include <QWidget>

#include <string>

class QFileDialog;

// Prepares Qt's own file dialog for the kind (container/file_choice_kind.h):
// an open dialog for an existing file, or a save dialog that asks before it
// replaces a file; the filters in the current language ("*.*" shows every
// file, those without an extension too).
void SetUpFileChoiceDialog(QFileDialog& dialog, bool openDialog, const QString& path, int kind);

// Runs such a dialog. True when the user confirmed; path then holds the
// chosen file's full path. Kind 1 is the FPGA file kind, any other the image
// file kind.
bool FfaChooseFile(QWidget* parent, bool openDialog, std::string& path, int kind);
