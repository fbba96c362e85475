// Where a file lies on the physical disk: how many cluster runs it has and
// the absolute sector of its first byte. The controller reads the container
// by that sector number, without a file system.
#pragma once

#include <cstdint>

#include "driveaccess/dav_errors.h"

struct FilePlacement {
  std::uint32_t extentCount = 0;  // 1: one piece; 0: the file system reported no runs
  std::uint64_t startSector = 0;  // from the start of the physical disk
};

// filePath is a full path beginning with a drive letter and a colon.
// Returns 0 or a DAV code; the system's kErrorDiskCorrupt for a file whose
// clusters another entry claims too, whose chain is shorter than the file, or
// whose entry says it is empty while a chain hangs from it.
[[nodiscard]] int GetFilePlacement(const char* filePath, FilePlacement& out);
