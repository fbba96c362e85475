#include "fake_drive.h"

#include <algorithm>
#include <cstring>

#include "platform/errors.h"

namespace ddatest {
namespace {
using platform::kErrorSuccess;

class MemoryFile : public platform::IFile {
 public:
  std::uint32_t Read(void*, std::uint32_t, std::uint32_t* done) override {
    *done = 0;
    return kErrorSuccess;
  }
  std::uint32_t Write(const void*, std::uint32_t, std::uint32_t*) override {
    return platform::kErrorAccessDenied;
  }
  std::uint32_t Seek(std::int64_t, platform::SeekOrigin, std::uint64_t* position) override {
    *position = 0;
    return kErrorSuccess;
  }
  std::uint32_t SetLength(std::uint64_t) override { return platform::kErrorAccessDenied; }
  std::uint32_t Flush() override { return kErrorSuccess; }
  std::uint32_t Close() override { return kErrorSuccess; }
};

class MemoryVolumeDevice : public platform::IVolumeDevice {
 public:
  MemoryVolumeDevice(std::shared_ptr<MemoryDisk> disk, std::uint64_t offset, bool ntfs)
      : disk_(std::move(disk)), position_(offset), ntfs_(ntfs) {}
  std::uint32_t QueryNtfsVolumeData() override {
    return ntfs_ ? kErrorSuccess : platform::kErrorInvalidFunction;
  }
  std::uint32_t Read(void* buffer, std::uint32_t count, std::uint32_t* done) override {
    const std::uint64_t size = disk_->bytes.size();
    const std::uint64_t n =
        position_ >= size ? 0 : std::min<std::uint64_t>(count, size - position_);
    std::memcpy(buffer, disk_->bytes.data() + position_, n);
    position_ += n;
    *done = static_cast<std::uint32_t>(n);
    return kErrorSuccess;
  }

 private:
  std::shared_ptr<MemoryDisk> disk_;
  std::uint64_t position_;
  bool ntfs_;
};
}  // namespace

std::shared_ptr<MemoryDisk> MakeFloppyDisk(bool highDensity) {
  auto disk = std::make_shared<MemoryDisk>();
  disk->geometry.cylinders = 80;
  disk->geometry.tracksPerCylinder = 2;
  disk->geometry.sectorsPerTrack = highDensity ? 18 : 9;
  disk->geometry.bytesPerSector = 512;
  disk->geometry.mediaType =
      highDensity ? platform::MediaType::kF3_1Pt44_512 : platform::MediaType::kF3_720_512;
  disk->bytes.assign(80 * 2 * disk->geometry.sectorsPerTrack * 512, 0);
  for (std::size_t i = 0; i < disk->bytes.size(); ++i) {
    disk->bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 512);
  }
  disk->partitionLength = disk->bytes.size();
  return disk;
}

std::shared_ptr<MemoryDisk> MakeCardDisk(std::uint64_t bytes) {
  auto disk = std::make_shared<MemoryDisk>();
  disk->bytes.assign(bytes, 0);
  disk->geometry.tracksPerCylinder = 255;
  disk->geometry.sectorsPerTrack = 63;
  disk->geometry.bytesPerSector = 512;
  disk->geometry.cylinders = bytes / (255 * 63 * 512);
  disk->geometry.mediaType = platform::MediaType::kRemovableMedia;
  disk->partitionLength = bytes;
  return disk;
}

MemoryRawDevice::MemoryRawDevice(std::shared_ptr<MemoryDisk> disk, bool forWriting)
    : disk_(std::move(disk)), forWriting_(forWriting) {
  disk_->inUse = true;
}

MemoryRawDevice::~MemoryRawDevice() {
  disk_->inUse = false;
}

std::uint32_t MemoryRawDevice::Read(void* buffer, std::uint32_t count, std::uint32_t* done) {
  *done = 0;
  const int number = disk_->reads++;
  disk_->readSizes.push_back(count);
  if (number == disk_->failReadNumber) return platform::kErrorCrc;
  const std::uint64_t size = disk_->bytes.size();
  if (disk_->failReadsPastEnd && position_ + count > size) return platform::kErrorSectorNotFound;
  const std::uint64_t n = position_ >= size ? 0 : std::min<std::uint64_t>(count, size - position_);
  std::memcpy(buffer, disk_->bytes.data() + position_, n);
  position_ += n;
  *done = static_cast<std::uint32_t>(n);
  return kErrorSuccess;
}

std::uint32_t MemoryRawDevice::Write(const void* buffer, std::uint32_t count, std::uint32_t* done) {
  *done = 0;
  ++disk_->writes;
  if (!forWriting_) return platform::kErrorAccessDenied;
  if (position_ + count > disk_->bytes.size()) return platform::kErrorSectorNotFound;
  std::memcpy(disk_->bytes.data() + position_, buffer, count);
  position_ += count;
  *done = count;
  return kErrorSuccess;
}

std::uint32_t MemoryRawDevice::Seek(std::int64_t distance, platform::SeekOrigin origin,
                                    std::uint64_t* position) {
  std::int64_t base = 0;
  if (origin == platform::SeekOrigin::kCurrent) base = static_cast<std::int64_t>(position_);
  if (origin == platform::SeekOrigin::kEnd) base = static_cast<std::int64_t>(disk_->bytes.size());
  if (base + distance < 0) return platform::kErrorNegativeSeek;
  position_ = static_cast<std::uint64_t>(base + distance);
  *position = position_;
  return kErrorSuccess;
}

std::uint32_t MemoryRawDevice::GetGeometry(platform::DiskGeometry* geometry) {
  if (disk_->geometryError) return disk_->geometryError;
  *geometry = disk_->geometry;
  return kErrorSuccess;
}

std::uint32_t MemoryRawDevice::GetPartitionLength(std::uint64_t* bytes) {
  if (!disk_->partitionLength) return platform::kErrorInvalidFunction;
  *bytes = *disk_->partitionLength;
  return kErrorSuccess;
}

std::uint32_t FakeFiles::Open(const std::string& path, const platform::OpenRequest&,
                              std::unique_ptr<platform::IFile>* file) {
  if (runs.count(path) == 0) return platform::kErrorFileNotFound;
  if (openError) return openError;
  *file = std::make_unique<MemoryFile>();
  return kErrorSuccess;
}

std::uint32_t FakeFiles::GetAttributes(const std::string& path, std::uint32_t* attributes) {
  if (path.empty()) {
    *attributes = platform::kAttributeDirectory;
    return kErrorSuccess;
  }
  if (runs.count(path) == 0) return platform::kErrorFileNotFound;
  *attributes = platform::kAttributeReadOnly | platform::kAttributeSystem;
  return kErrorSuccess;
}

std::uint32_t FakeFiles::SetAttributes(const std::string&, std::uint32_t) {
  return platform::kErrorNotSupported;
}
std::uint32_t FakeFiles::DeleteFile(const std::string&) {
  return platform::kErrorNotSupported;
}
std::uint32_t FakeFiles::CreateDirectory(const std::string&) {
  return platform::kErrorNotSupported;
}
std::uint32_t FakeFiles::RemoveDirectory(const std::string&) {
  return platform::kErrorNotSupported;
}
std::uint32_t FakeFiles::FreeSpace(const std::string&, std::uint64_t*, std::uint64_t*) {
  return platform::kErrorNotSupported;
}

std::uint32_t FakeFiles::ClusterRuns(const std::string& path, std::vector<ClusterRun>* out) {
  ++clusterRunQueries;
  if (clusterRunsError) return clusterRunsError;
  const auto found = runs.find(path);
  if (found == runs.end()) return platform::kErrorFileNotFound;
  *out = found->second;
  return kErrorSuccess;
}

std::uint32_t FakeFiles::ClusterSize(std::uint32_t* spc, std::uint32_t* bps) {
  *spc = sectorsPerCluster;
  *bps = bytesPerSector;
  return kErrorSuccess;
}

FakeDrive::FakeDrive(FakeDriveOptions driveOptions, std::shared_ptr<MemoryDisk> medium)
    : options(std::move(driveOptions)), disk(std::move(medium)) {}

bool FakeDrive::VolumeInformation(std::string* label, std::string* fileSystem) {
  if (!options.label) return false;
  *label = *options.label;
  *fileSystem = options.fileSystem;
  return true;
}

std::uint32_t FakeDrive::OpenRaw(bool forWriting, std::unique_ptr<platform::IRawDevice>* device) {
  if (options.denyRaw) return platform::kErrorAccessDenied;
  if (!disk) return platform::kErrorNotReady;
  if (disk->inUse) return platform::kErrorSharingViolation;
  *device = std::make_unique<MemoryRawDevice>(disk, forWriting);
  return kErrorSuccess;
}

std::uint32_t FakeDrive::OpenVolumeRaw(bool forWriting,
                                       std::unique_ptr<platform::IRawDevice>* device) {
  return OpenRaw(forWriting, device);
}

std::uint32_t FakeDrive::OpenPhysicalDisk(bool forWriting,
                                          std::unique_ptr<platform::IRawDevice>* device) {
  return OpenRaw(forWriting, device);
}

std::uint32_t FakeDrive::DeviceNumber(std::uint32_t* number) {
  if (!options.deviceNumber) return platform::kErrorInvalidFunction;
  *number = *options.deviceNumber;
  return kErrorSuccess;
}

std::uint32_t FakeDrive::QueryStorageProperties(platform::StorageProperties* properties) {
  if (!options.storage) return platform::kErrorInvalidFunction;
  *properties = *options.storage;
  return kErrorSuccess;
}

std::uint32_t FakeDrive::OpenVolumeDevice(std::unique_ptr<platform::IVolumeDevice>* device) {
  ++volumeOpens;
  if (options.denyRaw) return platform::kErrorAccessDenied;
  if (!disk) return platform::kErrorNotReady;
  *device = std::make_unique<MemoryVolumeDevice>(disk, options.volumeOffset, options.ntfs);
  return kErrorSuccess;
}

AttachedFake::AttachedFake(char letter, FakeDriveOptions options, std::shared_ptr<MemoryDisk> disk)
    : letter_(letter),
      drive_(std::make_shared<FakeDrive>(std::move(options), std::move(disk))),
      attached_(platform::DriveTable::Instance().Attach(letter, drive_)) {}

AttachedFake::~AttachedFake() {
  if (attached_) platform::DriveTable::Instance().Detach(letter_);
}

FakeDriveOptions FloppyOptions(int number) {
  FakeDriveOptions options;
  options.type = platform::DriveType::kRemovable;
  options.deviceName = "\\Device\\Floppy" + std::to_string(number);
  options.label = std::string();
  options.fileSystem = "FAT";
  options.deviceNumber = static_cast<std::uint32_t>(number);
  options.storage = platform::StorageProperties{false, 0, "Floppy Disk Drive"};
  return options;
}

FakeDriveOptions CardOptions(std::uint32_t deviceNumber) {
  FakeDriveOptions options;
  options.deviceName =
      "\\Device\\Harddisk" + std::to_string(deviceNumber) + "\\DR" + std::to_string(deviceNumber);
  options.deviceNumber = deviceNumber;
  options.storage = platform::StorageProperties{true, platform::kBusTypeUsb, "CF Card Reader"};
  options.volumeGuid = "\\\\?\\Volume{fake-" + std::to_string(deviceNumber) + "}\\";
  return options;
}

ByteBuffer MakeBootSector(const BootSectorFields& f) {
  ByteBuffer sector(512, 0);
  sector[0] = f.jump0;
  sector[1] = 0x3C;
  sector[2] = f.jump2;
  std::memcpy(sector.data() + 3, "MSWIN4.1", 8);
  le::Write16(sector.data() + 11, f.bytesPerSector);
  sector[13] = f.sectorsPerCluster;
  le::Write16(sector.data() + 14, f.reservedSectors);
  sector[16] = f.fats;
  le::Write16(sector.data() + 17, f.rootEntries);
  le::Write16(sector.data() + 19, f.totalSectors16);
  sector[21] = 0xF8;
  le::Write16(sector.data() + 22, f.fatSize16);
  le::Write32(sector.data() + 28, f.hiddenSectors);
  le::Write32(sector.data() + 32, f.totalSectors32);
  le::Write32(sector.data() + 36, f.fatSize32);
  le::Write16(sector.data() + 510, f.signature);
  return sector;
}

}  // namespace ddatest
