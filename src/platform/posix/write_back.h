// Starting the write-back of a large run that was just written.
#pragma once

#include <cstdint>

namespace platform {

// Runs this long or longer are handed to the disk as soon as they are written.
inline constexpr std::uint64_t kWriteBackRun = 1u << 20;

// Asks the kernel to start writing `length` bytes at `offset` of `fd` to the
// disk now, without waiting for them. A bulk transfer ends in a sync; begun
// early, the disk works while the next run is prepared, the sync waits only
// for the rest, and progress follows the card rather than the page cache.
// Shorter runs and files that do not support it are left alone: it is a hint,
// and the sync that follows is what makes the data safe.
void StartWriteBack(int fd, std::uint64_t offset, std::uint64_t length);

}  // namespace platform
