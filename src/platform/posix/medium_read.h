// Reading what the medium holds of a file or device, not what the host's
// page cache keeps of it: the read-back of a verify after a write.
#pragma once

#include <cstdint>

namespace platform {

// Bytes [offset, offset + count) of the file or device open at `fd` (any
// access), once the host has written out what it holds of them. Two paths:
// - O_DIRECT, on a descriptor of its own, where the file system allows it
//   (block devices, vfat, ext4): aligned buffers, whole 4 KiB blocks around
//   the range;
// - elsewhere (tmpfs, some FUSE file systems refuse O_DIRECT): the cached
//   pages of the range are dropped (posix_fadvise POSIX_FADV_DONTNEED, which
//   drops only pages already written) and the range is read again.
// 0 or a Windows-numbered code; kErrorHandleEof when the file ends early.
// A caller that knows nothing was written since its last sync passes
// synced, and the host is not asked to write out (on ext4 even a clean
// fdatasync flushes the disk's cache).
std::uint32_t ReadFromMedium(int fd, std::uint64_t offset, void* buffer, std::uint32_t count,
                             bool synced = false);

}  // namespace platform
