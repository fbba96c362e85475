// Whole card images: an MBR with one FAT partition, or a bare FAT volume.
#include "fat/format.h"
#include "fat/partition.h"

namespace fat {

Status CheckCardImageOptions(const CardImageOptions& options) {
  const std::uint64_t sectors = options.sizeBytes / 512;
  if (options.sizeBytes % 512 != 0 || sectors == 0) {
    return Fail(Error::kInvalidArgument, "image size must be a positive multiple of 512");
  }
  if (!options.bare && (options.partitionStart == 0 || options.partitionStart >= sectors ||
                        sectors - options.partitionStart > 0xFFFFFFFFu)) {
    return Fail(Error::kInvalidArgument, "partition does not fit the image");
  }
  return Status::Ok();
}

Status FormatCardImage(ISectorDevice& disk, const CardImageOptions& options) {
  Status status = CheckCardImageOptions(options);
  if (!status.ok()) return status;
  const std::uint64_t sectors = options.sizeBytes / 512;
  FormatOptions format;
  format.fatType =
      options.fatType == 0 ? (options.sizeBytes < 512ull * 1024 * 1024 ? 16 : 32) : options.fatType;
  format.label = options.label;
  format.serial = options.serial;
  format.sectorsPerCluster = options.sectorsPerCluster;
  Geometry made;
  if (options.bare) {
    status = FormatVolume(disk, format, &made);
    if (!status.ok() && options.fatType == 0 && format.fatType == 16) {
      format.fatType = 12;  // too small for FAT16
      status = FormatVolume(disk, format, &made);
    }
    return status;
  }
  format.hiddenSectors = options.partitionStart;
  SubRangeDevice part(disk, options.partitionStart, sectors - options.partitionStart);
  status = FormatVolume(part, format, &made);
  if (!status.ok() && options.fatType == 0 && format.fatType == 16) {
    format.fatType = 12;
    status = FormatVolume(part, format, &made);
  }
  if (!status.ok()) return status;
  // The partition table makes the card usable; it goes last.
  ByteBuffer mbr(512);
  const auto count = static_cast<std::uint32_t>(sectors - options.partitionStart);
  BuildMbr(mbr.data(), PartitionTypeFor(made.fatType, count), options.partitionStart, count,
           options.serial, true);
  status = disk.WriteSectors(0, 1, mbr.data());
  if (status.ok()) status = disk.Sync();
  return status;
}

}  // namespace fat
