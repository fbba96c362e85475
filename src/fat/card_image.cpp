#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "fat/file_sector_device.h"
#include "fat/format.h"
#include "fat/partition.h"

namespace fat {

bool MakeCardImage(const std::string& path, const CardImageOptions& options, Status* status) {
  const std::uint64_t sectors = options.sizeBytes / 512;
  if (options.sizeBytes % 512 != 0 || sectors == 0) {
    *status = Fail(Error::kInvalidArgument, "image size must be a positive multiple of 512");
    return false;
  }
  if (!options.bare && (options.partitionStart == 0 || options.partitionStart >= sectors ||
                        sectors - options.partitionStart > 0xFFFFFFFFu)) {
    *status = Fail(Error::kInvalidArgument, "partition does not fit the image");
    return false;
  }
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    *status = Fail(errno == EACCES ? Error::kAccessDenied : Error::kIo,
                   "create " + path + ": " + std::strerror(errno));
    return false;
  }
  if (::ftruncate(fd, static_cast<off_t>(options.sizeBytes)) != 0) {
    *status = Fail(Error::kIo, "size " + path + ": " + std::strerror(errno));
    ::close(fd);
    return false;
  }
  auto disk = FileSectorDevice::FromDescriptor(fd, true, status);
  if (!disk) {
    ::close(fd);
    return false;
  }
  FormatOptions format;
  format.fatType =
      options.fatType == 0 ? (options.sizeBytes < 512ull * 1024 * 1024 ? 16 : 32) : options.fatType;
  format.label = options.label;
  format.serial = options.serial;
  format.sectorsPerCluster = options.sectorsPerCluster;
  Geometry made;
  if (options.bare) {
    *status = FormatVolume(*disk, format, &made);
    if (!status->ok() && options.fatType == 0 && format.fatType == 16) {
      format.fatType = 12;  // too small for FAT16
      *status = FormatVolume(*disk, format, &made);
    }
  } else {
    format.hiddenSectors = options.partitionStart;
    SubRangeDevice part(*disk, options.partitionStart, sectors - options.partitionStart);
    *status = FormatVolume(part, format, &made);
    if (!status->ok() && options.fatType == 0 && format.fatType == 16) {
      format.fatType = 12;
      *status = FormatVolume(part, format, &made);
    }
    if (status->ok()) {
      // The partition table makes the card usable; it goes last.
      ByteBuffer mbr(512);
      const auto count = static_cast<std::uint32_t>(sectors - options.partitionStart);
      BuildMbr(mbr.data(), PartitionTypeFor(made.fatType, count), options.partitionStart, count,
               options.serial, true);
      *status = disk->WriteSectors(0, 1, mbr.data());
      if (status->ok()) *status = disk->Sync();
    }
  }
  disk.reset();
  ::close(fd);
  return status->ok();
}

}  // namespace fat
