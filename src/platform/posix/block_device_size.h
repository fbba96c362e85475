// The length of an open block device node, which only the OS backend can ask
// for.
#pragma once

#include <cstdint>

namespace platform {

// The length in bytes of the block device open at descriptor `fd`: 0, or the
// errno value of the failed query.
int BlockDeviceBytes(int fd, std::uint64_t* bytes);

}  // namespace platform
