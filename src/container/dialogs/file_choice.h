// STAND-IN until the container dialogs are merged: the file choice of image
// and FPGA files. Replaced by the real header.
#pragma once

#include <QWidget>

#include <string>

// kind 0: image files, 1: FPGA files. True with the chosen path.
bool FfaChooseFile(QWidget* parent, bool openDialog, std::string& path, int kind);
