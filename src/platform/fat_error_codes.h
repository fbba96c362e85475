// The system error code that a file operation reports when the FAT engine
// fails with a given error, for the backends whose files live on a FAT volume.
#pragma once

#include <cstdint>

#include "fat/status.h"

namespace platform {

// The Windows-numbered code (platform/errors.h) for a FAT engine error.
std::uint32_t ToSystemError(fat::Error error);

}  // namespace platform
