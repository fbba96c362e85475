#include "platform/posix/write_back.h"

#include <fcntl.h>

namespace platform {

void StartWriteBack(int fd, std::uint64_t offset, std::uint64_t length) {
  if (length < kWriteBackRun) return;
  // Errors do not matter here: the sync reports what did not reach the disk.
  (void)sync_file_range(fd, static_cast<off_t>(offset), static_cast<off_t>(length),
                        SYNC_FILE_RANGE_WRITE);
}

}  // namespace platform
