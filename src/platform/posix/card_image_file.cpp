#include "platform/card_image_file.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "platform/file_sector_device.h"

namespace platform {

bool MakeCardImage(const std::string& path, const fat::CardImageOptions& options,
                   fat::Status* status) {
  *status = fat::CheckCardImageOptions(options);
  if (!status->ok()) return false;
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    *status = fat::Fail(errno == EACCES ? fat::Error::kAccessDenied : fat::Error::kIo,
                        "create " + path + ": " + std::strerror(errno));
    return false;
  }
  if (::ftruncate(fd, static_cast<off_t>(options.sizeBytes)) != 0) {
    *status = fat::Fail(fat::Error::kIo, "size " + path + ": " + std::strerror(errno));
    ::close(fd);
    return false;
  }
  auto disk = FileSectorDevice::FromHandle(fd, true, status);
  if (!disk) {
    ::close(fd);
    return false;
  }
  *status = fat::FormatCardImage(*disk, options);
  disk.reset();
  ::close(fd);
  return status->ok();
}

}  // namespace platform
