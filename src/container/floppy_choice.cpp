#include "container/floppy_choice.h"

#include "base/current_language.h"
#include "driveaccess/drive_kind.h"
#include "driveaccess/drive_list.h"

std::vector<CDriveInfo> FfaListFloppyDrives() {
  CDriveList list;
  list.EnumerateDrives(DRIVE_KIND_FLOPPY);
  return list.Records();
}

bool FfaChooseFloppyDrive(CDriveInfo& drive, IFloppyDriveChooser& chooser) {
  const std::vector<CDriveInfo> drives = FfaListFloppyDrives();
  if (drives.empty()) {
    chooser.ShowNoFloppyDrive(
        Localized("No Floppy Drive found !", "Kein Diskettenlaufwerk gefunden !"));
    return false;
  }
  std::size_t chosen = 0;
  if (!chooser.Choose(drives, &chosen) || chosen >= drives.size()) return false;
  drive = drives[chosen];
  return true;
}
