// The physical disk behind a drive letter.
#pragma once

#include <string>

// The disk number of a device path ("\\.\X:", "\\.\PhysicalDrive<n>"), asked
// without access rights; -1 when the path cannot be opened or has no number.
int GetDeviceNumber(const std::string& path);

// "\\.\PhysicalDrive<n>" for the disk that holds the drive, or empty.
std::string GetPhysicalDriveName(char driveLetter);
