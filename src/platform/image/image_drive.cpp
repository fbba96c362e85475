#include "platform/image/image_drive.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "fat/boot_sector.h"
#include "fat/partition.h"
#include "fat/volume.h"
#include "platform/errors.h"
#include "platform/file_sector_device.h"
#include "platform/image/fat_volume_files.h"
#include "platform/image/image_raw_device.h"

namespace platform {
namespace {
// Image disks take numbers of their own, clear of the host's disks.
std::atomic<std::uint32_t> g_nextNumber{100};

class ImageVolumeDevice : public IVolumeDevice {
 public:
  ImageVolumeDevice(std::shared_ptr<ImageFile> image, std::uint64_t offset, std::uint64_t length)
      : image_(std::move(image)), offset_(offset), length_(length) {}
  std::uint32_t QueryNtfsVolumeData() override {
    std::uint8_t sector[512];
    if (length_ < 512 || image_->ReadAt(offset_, sector, 512) != kErrorSuccess) {
      return kErrorIoDevice;
    }
    return fat::IsNtfsBootSector(sector) ? kErrorSuccess : kErrorInvalidFunction;
  }
  std::uint32_t Read(void* buffer, std::uint32_t count, std::uint32_t* done) override {
    *done = 0;
    if (position_ >= length_) return kErrorHandleEof;
    const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, length_ - position_));
    if (const std::uint32_t code = image_->ReadAt(offset_ + position_, buffer, n)) return code;
    position_ += n;
    *done = n;
    return kErrorSuccess;
  }
  std::uint32_t GetStartingOffset(std::uint64_t* bytes) override {
    *bytes = offset_;
    return kErrorSuccess;
  }

 private:
  std::shared_ptr<ImageFile> image_;
  std::uint64_t offset_;
  std::uint64_t length_;
  std::uint64_t position_ = 0;
};

// A window of a device that it owns.
class OwningRangeDevice : public fat::ISectorDevice {
 public:
  OwningRangeDevice(std::unique_ptr<fat::ISectorDevice> base, std::uint64_t first,
                    std::uint64_t count)
      : base_(std::move(base)), range_(*base_, first, count) {}
  std::uint32_t SectorSize() const override { return range_.SectorSize(); }
  std::uint64_t SectorCount() const override { return range_.SectorCount(); }
  fat::Status ReadSectors(std::uint64_t first, std::uint32_t count, void* buffer) override {
    return range_.ReadSectors(first, count, buffer);
  }
  fat::Status WriteSectors(std::uint64_t first, std::uint32_t count, const void* buffer) override {
    return range_.WriteSectors(first, count, buffer);
  }
  fat::Status Sync() override { return range_.Sync(); }

 private:
  std::unique_ptr<fat::ISectorDevice> base_;
  fat::SubRangeDevice range_;
};

DiskGeometry FloppyGeometry(std::uint64_t bytes) {
  DiskGeometry g;
  g.bytesPerSector = 512;
  g.tracksPerCylinder = 2;
  g.cylinders = 80;
  if (bytes == 737280) {
    g.mediaType = MediaType::kF3_720_512;
    g.sectorsPerTrack = 9;
  } else {
    g.mediaType = MediaType::kF3_1Pt44_512;
    g.sectorsPerTrack = 18;
    g.cylinders = bytes / (512 * 2 * 18);
  }
  return g;
}
}  // namespace

std::shared_ptr<ImageDrive> ImageDrive::OpenCard(const std::string& path,
                                                 const ImageDriveOptions& options,
                                                 std::uint32_t* error) {
  std::shared_ptr<ImageFile> image = ImageFile::Open(path, error);
  if (!image) return nullptr;
  return std::shared_ptr<ImageDrive>(new ImageDrive(Kind::kCard, std::move(image), options));
}

std::shared_ptr<ImageDrive> ImageDrive::OpenFloppy(const std::string& path, std::uint32_t* error) {
  std::shared_ptr<ImageFile> image = ImageFile::Open(path, error);
  if (!image) return nullptr;
  ImageDriveOptions options;
  options.productName.clear();
  options.hotplug = false;
  options.usb = false;
  return std::shared_ptr<ImageDrive>(new ImageDrive(Kind::kFloppy, std::move(image), options));
}

ImageDrive::ImageDrive(Kind kind, std::shared_ptr<ImageFile> image, ImageDriveOptions options)
    : kind_(kind), image_(std::move(image)), options_(std::move(options)), number_(g_nextNumber++) {
  LocateVolume();
}

ImageDrive::~ImageDrive() {
  Unmount();
}

void ImageDrive::LocateVolume() {
  volumeOffset_ = 0;
  volumeLength_ = image_->size();
  if (kind_ == Kind::kFloppy) return;
  // The card's volume: a bare volume, the first FAT partition, else the
  // first partition of whatever kind (an NTFS card still has a volume).
  fat::Status ignored;
  auto disk = FileSectorDevice::FromDescriptor(image_->fd(), false, &ignored);
  if (!disk) return;
  std::uint64_t start = 0;
  std::uint64_t count = 0;
  if (fat::FindFatVolume(*disk, &start, &count, &ignored)) {
    volumeOffset_ = start * 512;
    volumeLength_ = count * 512;
    return;
  }
  const fat::MbrInfo mbr = fat::ReadMbr(*disk);
  if (!mbr.valid) return;
  for (const fat::MbrPartition& p : mbr.partitions) {
    if (p.used() && static_cast<std::uint64_t>(p.lbaStart) * 512 < image_->size()) {
      volumeOffset_ = static_cast<std::uint64_t>(p.lbaStart) * 512;
      volumeLength_ = std::min<std::uint64_t>(static_cast<std::uint64_t>(p.sectorCount) * 512,
                                              image_->size() - volumeOffset_);
      return;
    }
  }
}

void ImageDrive::Unmount() {
  std::lock_guard<std::mutex> lock(mutex_);
  files_.reset();
}

std::string ImageDrive::DeviceName() const {
  char name[64];
  if (kind_ == Kind::kFloppy) {
    std::snprintf(name, sizeof name, "\\Device\\Floppy%u", number_ - 100);
  } else {
    std::snprintf(name, sizeof name, "\\Device\\HarddiskVolume%u", number_);
  }
  return name;
}

IVolumeFiles* ImageDrive::Files() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (files_) return files_.get();
  fat::Status status;
  auto disk = FileSectorDevice::FromDescriptor(image_->fd(), image_->writable(), &status);
  if (!disk) {
    SetLastError(kErrorNotReady);
    return nullptr;
  }
  auto range = std::make_unique<OwningRangeDevice>(std::move(disk), volumeOffset_ / 512,
                                                   volumeLength_ / 512);
  const bool writable = image_->writable() && !options_.writeProtected;
  std::unique_ptr<fat::Volume> volume = fat::Volume::Mount(*range, writable, &status);
  if (!volume) {
    SetLastError(kErrorUnrecognizedMedia);
    return nullptr;
  }
  files_ = std::make_shared<FatVolumeFiles>(std::move(range), std::move(volume),
                                            options_.writeProtected);
  return files_.get();
}

bool ImageDrive::VolumeInformation(std::string* label, std::string* fileSystem) {
  IVolumeFiles* files = Files();
  if (files == nullptr) return false;
  std::lock_guard<std::mutex> lock(files_->mutex());
  std::string name;
  files_->volume().GetLabel(&name);
  if (label) *label = name;
  if (fileSystem) *fileSystem = files_->volume().geometry().fatType == 32 ? "FAT32" : "FAT";
  return true;
}

std::uint32_t ImageDrive::OpenRange(std::uint64_t offset, std::uint64_t length, bool forWriting,
                                    std::unique_ptr<IRawDevice>* device) {
  if (options_.denyRawAccess) return kErrorAccessDenied;
  if (const std::uint32_t code = ClaimRawDevice(rawInUse_)) return code;
  ImageRawRange range;
  range.offset = offset;
  range.length = length;
  range.geometry = kind_ == Kind::kFloppy ? FloppyGeometry(length) : CardGeometry(length);
  range.writeProtected = options_.writeProtected || !image_->writable();
  // Raw writes bypass the engine: what it holds goes out first and is read
  // again afterwards.
  if (forWriting) Unmount();
  *device = std::make_unique<ImageRawDevice>(image_, range, forWriting, rawInUse_);
  return kErrorSuccess;
}

std::uint32_t ImageDrive::OpenVolumeRaw(bool forWriting, std::unique_ptr<IRawDevice>* device) {
  return OpenRange(volumeOffset_, volumeLength_, forWriting, device);
}

std::uint32_t ImageDrive::DeviceNumber(std::uint32_t* number) {
  if (kind_ == Kind::kFloppy) return kErrorInvalidFunction;
  *number = number_;
  return kErrorSuccess;
}

std::uint32_t ImageDrive::OpenPhysicalDisk(bool forWriting, std::unique_ptr<IRawDevice>* device) {
  if (kind_ == Kind::kFloppy) return kErrorInvalidFunction;
  return OpenRange(0, image_->size(), forWriting, device);
}

std::uint32_t ImageDrive::QueryStorageProperties(StorageProperties* properties) {
  properties->hotplug = options_.hotplug;
  properties->busType = options_.usb ? kBusTypeUsb : 0;
  properties->productId = options_.productName;
  return kErrorSuccess;
}

std::string ImageDrive::VolumeGuidPath() {
  char path[80];
  std::snprintf(path, sizeof path, "\\\\?\\Volume{51f1e4a0-0000-4000-8000-%012x}\\", number_);
  return path;
}

std::uint32_t ImageDrive::OpenVolumeDevice(std::unique_ptr<IVolumeDevice>* device) {
  if (options_.denyRawAccess) return kErrorAccessDenied;
  *device = std::make_unique<ImageVolumeDevice>(image_, volumeOffset_, volumeLength_);
  return kErrorSuccess;
}

namespace {
// The letter when the drive could be attached there, 0 otherwise.
char AttachAt(char letter, const std::shared_ptr<ImageDrive>& drive) {
  return DriveTable::Instance().Attach(letter, drive) ? letter : '\0';
}
}  // namespace

char AttachCardImage(const std::string& path, const ImageDriveOptions& options, char letter,
                     std::uint32_t* error) {
  std::shared_ptr<ImageDrive> drive = ImageDrive::OpenCard(path, options, error);
  if (!drive) return 0;
  const char attached =
      letter != 0 ? AttachAt(letter, drive) : DriveTable::Instance().AttachFirstFree(drive, 'D');
  *error = attached != 0 ? kErrorSuccess : kErrorAlreadyExists;
  return attached;
}

char AttachFloppyImage(const std::string& path, char letter, std::uint32_t* error) {
  std::shared_ptr<ImageDrive> drive = ImageDrive::OpenFloppy(path, error);
  if (!drive) return 0;
  char attached = 0;
  if (letter != 0) {
    attached = AttachAt(letter, drive);
  } else {
    attached = AttachAt('A', drive);
    if (attached == 0) attached = AttachAt('B', drive);
  }
  *error = attached != 0 ? kErrorSuccess : kErrorAlreadyExists;
  return attached;
}

bool IsCardImageDrive(char letter) {
  const auto drive = std::dynamic_pointer_cast<ImageDrive>(FindDrive(letter));
  return drive != nullptr && drive->kind() == ImageDrive::Kind::kCard;
}

bool DetachCardImage(char letter) {
  return IsCardImageDrive(letter) && DriveTable::Instance().Detach(letter);
}

}  // namespace platform
