// One drive of the drive list: what a drive letter is and what its probe
// found. The record only describes the drive; raw access opens it.
#pragma once

#include <string>

class CDriveInfo {
 public:
  std::string driveName;   // "X:"
  std::string deviceName;  // "\Device\..." as QueryDosDevice answers; empty when unknown
  unsigned kind = 0;       // one DRIVE_KIND_* bit
  unsigned marks = 0;      // DRIVE_MARK_* bits; 0 when the device could not be asked
  std::string volumeLabel;
  std::string fileSystemName;  // "FAT", "FAT32", "NTFS", ...; empty without a volume

  // The drive letter, or 0 for an empty record.
  char Letter() const { return driveName.empty() ? '\0' : driveName[0]; }
  // The volume label, or the kind's text when there is no label.
  std::string GetDisplayText() const;
};

// Classifies the drive at `driveLetter` and probes it. False when the letter
// is not a drive or its kind is not in `kindMask`; then only the drive name,
// device name and kind are filled.
[[nodiscard]] bool QueryDrive(char driveLetter, CDriveInfo& out, unsigned kindMask);
