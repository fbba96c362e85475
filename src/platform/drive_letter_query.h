// Whether a drive letter names a device (QueryDosDeviceA on "X:").
//
// The drive table answers this unless a query is installed (tests install one).
#pragma once

#include <functional>

namespace platform {

using DriveLetterQuery = std::function<bool(char letter)>;

// True when the letter ('A' to 'Z', either case) names a drive.
bool IsDriveLetterInUse(char letter);

// Installs the query and returns the previous one; an empty query restores
// the drive table's answer.
DriveLetterQuery SetDriveLetterQuery(DriveLetterQuery query);

}  // namespace platform
