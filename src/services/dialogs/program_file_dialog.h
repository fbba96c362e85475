// The file-open dialog of the settings' browse buttons. The program's filter
// names Windows programs ("*.exe"); here its first entry offers the files the
// user can run, whatever their names, and "All Files" every file.
#pragma once

#include <QString>
#include <QWidget>

#include <optional>
#include <string>

class QFileDialog;

// Gives Qt's own file dialog the filters of a Windows-style filter text: the
// labels as written, the host patterns behind them, and the program filter
// at work while such an entry is chosen.
void SetFileDialogFilter(QFileDialog& dialog, const std::string& filter);

// Opens the dialog in the folder of the current path with its file name filled in.
void SelectInitialFile(QFileDialog& dialog, const QString& current);

// Prepares the dialog: its filters from a Windows-style filter text, the
// current path as the initial file, and the program filter at work.
void SetUpProgramFileDialog(QFileDialog& dialog, const std::string& filter, const QString& current);

// Runs such a dialog; the chosen full path, or none when the user cancels.
std::optional<QString> BrowseForProgram(QWidget* parent, const QString& title,
                                        const std::string& filter, const QString& current);
