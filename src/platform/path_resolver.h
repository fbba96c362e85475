// Turns a path into the volume that holds it: `X:\...` paths go through the
// drive of their letter, every other path is a path of the host.
#pragma once

#include <memory>
#include <string>

#include "platform/drive.h"

namespace platform {

struct ResolvedPath {
  std::shared_ptr<IDrive> drive;  // keeps the drive alive while the call runs
  IVolumeFiles* files = nullptr;
  std::string relative;  // backslash-separated below the volume root
};

// True for "X:" followed by nothing, '\' or '/'.
bool IsDrivePath(const std::string& path);

// False (with GetLastError() set) when the drive is missing or has no volume.
bool ResolvePath(const std::string& path, ResolvedPath* out);

// The volume of host paths (absolute or relative to the working folder).
IVolumeFiles& HostFiles();

}  // namespace platform
