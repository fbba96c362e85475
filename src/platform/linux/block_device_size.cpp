#include "platform/posix/block_device_size.h"

#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/types.h>
#include <cerrno>

namespace platform {

int BlockDeviceBytes(int fd, std::uint64_t* bytes) {
  std::uint64_t size = 0;
  if (::ioctl(fd, BLKGETSIZE64, &size) != 0) return errno;
  *bytes = size;
  return 0;
}

}  // namespace platform
