// The text that tells a user which device a drive letter stands for, in the
// drive list's tooltip, its description for screen readers and the CLI's
// drive list: the device node, the reader and the mount folder, or the image
// file.
#pragma once

#include <string>

#include "platform/drive.h"

// One line per known fact ("Device: /dev/sdb1", "Reader: Generic CF Reader",
// "Mounted at: /media/anna/CARD" or "Not mounted: ..."), in the current
// language; empty when nothing is known.
std::string DriveDescriptionText(const platform::DriveDescription& description);

// Where the volume is, for one column: the mount folder, "not mounted" for a
// device, the image file for an image drive; empty when nothing is known.
std::string DriveLocationText(const platform::DriveDescription& description);

// The description of the drive at a letter; empty for a letter without one.
platform::DriveDescription DescribeDrive(char letter);
