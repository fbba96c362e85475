// Choosing a floppy drive for disk copies: the program lists the floppy
// drives; the user interface (a dialog, or the command line) picks one.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "driveaccess/drive_info.h"

class IFloppyDriveChooser {
 public:
  virtual ~IFloppyDriveChooser() = default;
  // Shown when there is no floppy drive at all.
  virtual void ShowNoFloppyDrive(const std::string& message) = 0;
  // True with *chosen set when the user picked one of the drives.
  virtual bool Choose(const std::vector<CDriveInfo>& drives, std::size_t* chosen) = 0;
};

// The floppy drives present, in letter order.
std::vector<CDriveInfo> FfaListFloppyDrives();
// True when the user chose a floppy drive; its record goes to `drive`.
[[nodiscard]] bool FfaChooseFloppyDrive(CDriveInfo& drive, IFloppyDriveChooser& chooser);
