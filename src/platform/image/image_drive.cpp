#include "platform/image/image_drive.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "fat/boot_sector.h"
#include "fat/partition.h"
#include "fat/volume.h"
#include "platform/errors.h"
#include "platform/image/fat_volume_files.h"
#include "platform/image/image_file.h"
#include "platform/image/image_raw_device.h"

namespace platform {
namespace {
// Image disks take numbers of their own, clear of the host's disks.
std::atomic<std::uint32_t> g_nextNumber{100};

class ImageVolumeDevice : public IVolumeDevice {
 public:
  ImageVolumeDevice(std::shared_ptr<IImageStore> image, std::uint64_t offset, std::uint64_t length)
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
  std::shared_ptr<IImageStore> image_;
  std::uint64_t offset_;
  std::uint64_t length_;
  std::uint64_t position_ = 0;
};

// The fields the engine works from, the label included.
bool SameLayout(const fat::Geometry& a, const fat::Geometry& b) {
  return a.bytesPerSector == b.bytesPerSector && a.sectorsPerCluster == b.sectorsPerCluster &&
         a.reservedSectors == b.reservedSectors && a.fatCount == b.fatCount &&
         a.fatSectors == b.fatSectors && a.rootEntries == b.rootEntries &&
         a.totalSectors == b.totalSectors && a.rootCluster == b.rootCluster &&
         a.fsInfoSector == b.fsInfoSector && a.backupBootSector == b.backupBootSector &&
         a.label == b.label;
}

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
  std::shared_ptr<ImageFile> image = ImageFile::Open(path, options.readOnly, error);
  if (!image) return nullptr;
  return std::shared_ptr<ImageDrive>(new ImageDrive(Kind::kCard, std::move(image), options));
}

std::shared_ptr<ImageDrive> ImageDrive::OpenCardOn(std::shared_ptr<IImageStore> store,
                                                   const ImageDriveOptions& options) {
  return std::shared_ptr<ImageDrive>(new ImageDrive(Kind::kCard, std::move(store), options));
}

std::shared_ptr<ImageDrive> ImageDrive::OpenFloppy(const std::string& path, std::uint32_t* error) {
  std::shared_ptr<ImageFile> image = ImageFile::Open(path, false, error);
  if (!image) return nullptr;
  ImageDriveOptions options;
  options.productName.clear();
  options.hotplug = false;
  options.usb = false;
  return std::shared_ptr<ImageDrive>(new ImageDrive(Kind::kFloppy, std::move(image), options));
}

ImageDrive::ImageDrive(Kind kind, std::shared_ptr<IImageStore> image, ImageDriveOptions options)
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
  StoreSectorDevice disk(image_, 0, image_->size() / 512, false);
  std::uint64_t start = 0;
  std::uint64_t count = 0;
  if (fat::FindFatVolume(disk, &start, &count, &ignored)) {
    volumeOffset_ = start * 512;
    volumeLength_ = count * 512;
    return;
  }
  const fat::MbrInfo mbr = fat::ReadMbr(disk);
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

bool ImageDrive::Writable() const {
  return image_->writable() && !options_.readOnly;
}

bool ImageDrive::mounted() {
  std::lock_guard<std::mutex> lock(mutex_);
  return files_ != nullptr;
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
  auto range = std::make_unique<StoreSectorDevice>(image_, volumeOffset_ / 512, volumeLength_ / 512,
                                                   Writable());
  const bool writable = Writable() && !options_.writeProtected;
  std::unique_ptr<fat::Volume> volume = fat::Volume::Mount(*range, writable, &status);
  if (!volume) {
    SetLastError(kErrorUnrecognizedMedia);
    return nullptr;
  }
  // An image that may only be read is a write-protected card: every change
  // is refused as one.
  files_ = std::make_shared<FatVolumeFiles>(std::move(range), std::move(volume), WriteProtected());
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
  range.writeProtected = options_.writeProtected || !Writable();
  // Raw access goes around the engine: what it holds goes out first, so the
  // sectors read are those the files show. Raw writes tell the drive what
  // they changed.
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (files_) files_->WriteOut();
  }
  ImageRawDevice::WriteNotice notice;
  if (forWriting) {
    std::weak_ptr<ImageDrive> self = weak_from_this();
    notice = [self](std::uint64_t at, std::uint64_t bytes) {
      if (auto drive = self.lock()) drive->RawWritten(at, bytes);
    };
  }
  *device = std::make_unique<ImageRawDevice>(image_, range, forWriting, rawInUse_, notice);
  return kErrorSuccess;
}

void ImageDrive::RawWritten(std::uint64_t offset, std::uint64_t length) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!files_ || offset >= volumeOffset_ + volumeLength_ || offset + length <= volumeOffset_) {
    return;  // outside the volume: the start sector record of a card with a partition table
  }
  const fat::Geometry& mounted = files_->volume().geometry();
  const std::uint64_t bootEnd = volumeOffset_ + mounted.bytesPerSector;
  if (offset >= volumeOffset_ && offset + length <= bootEnd) {
    // The boot sector of a volume without a partition table holds the
    // record too: the mount stands while the layout read from it is the same.
    std::uint8_t sector[512];
    fat::Geometry now;
    fat::Status status;
    if (image_->ReadAt(volumeOffset_, sector, sizeof sector) == kErrorSuccess &&
        fat::ParseBootSector(sector, volumeLength_ / mounted.bytesPerSector, &now, &status) &&
        SameLayout(now, mounted)) {
      return;
    }
  }
  files_.reset();
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

char AttachCard(const std::shared_ptr<ImageDrive>& drive, char letter, std::uint32_t* error) {
  const char attached =
      letter != 0 ? AttachAt(letter, drive) : DriveTable::Instance().AttachFirstFree(drive, 'D');
  *error = attached != 0 ? kErrorSuccess : kErrorAlreadyExists;
  return attached;
}
}  // namespace

char AttachCardImage(const std::string& path, const ImageDriveOptions& options, char letter,
                     std::uint32_t* error) {
  std::shared_ptr<ImageDrive> drive = ImageDrive::OpenCard(path, options, error);
  if (!drive) return 0;
  return AttachCard(drive, letter, error);
}

char AttachCardStore(std::shared_ptr<IImageStore> store, const ImageDriveOptions& options,
                     char letter, std::uint32_t* error) {
  return AttachCard(ImageDrive::OpenCardOn(std::move(store), options), letter, error);
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

bool IsFloppyImageDrive(char letter) {
  const auto drive = std::dynamic_pointer_cast<ImageDrive>(FindDrive(letter));
  return drive != nullptr && drive->kind() == ImageDrive::Kind::kFloppy;
}

bool DetachFloppyImage(char letter) {
  return IsFloppyImageDrive(letter) && DriveTable::Instance().Detach(letter);
}

std::string ImageDrivePath(char letter) {
  const auto drive = std::dynamic_pointer_cast<ImageDrive>(FindDrive(letter));
  return drive != nullptr ? drive->imagePath() : std::string();
}

std::vector<char> DetachDeletedImages() {
  std::vector<char> detached;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const auto drive = std::dynamic_pointer_cast<ImageDrive>(FindDrive(letter));
    if (drive != nullptr && drive->imageDeleted() && DriveTable::Instance().Detach(letter)) {
      detached.push_back(letter);
    }
  }
  return detached;
}

}  // namespace platform
