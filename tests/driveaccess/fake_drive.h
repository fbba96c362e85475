// A drive of our own for the drive access tests: a medium in memory with
// switches for the odd cases (a failing geometry or partition query, a
// refused raw open, an NTFS volume, a file of many cluster runs), attached
// at a letter while the object lives.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/current_language.h"
#include "platform/drive.h"
#include "platform/raw_device.h"
#include "platform/volume.h"

namespace ddatest {

// The medium and what was done to it.
struct MemoryDisk {
  ByteBuffer bytes;
  platform::DiskGeometry geometry;
  std::uint32_t geometryError = 0;               // answer of the geometry query when not 0
  std::optional<std::uint64_t> partitionLength;  // nullopt: the query fails
  // A read that reaches past the end fails (as a disk does) instead of
  // returning what is left.
  bool failReadsPastEnd = true;
  int failReadNumber = -1;       // the nth read (from 0) fails with a device error
  std::uint32_t flushError = 0;  // answer of a flush when not 0
  bool inUse = false;
  int reads = 0;
  int writes = 0;
  std::vector<std::uint32_t> readSizes;
};

// A 1.44 MB floppy disk, or 720 KB when highDensity is false.
std::shared_ptr<MemoryDisk> MakeFloppyDisk(bool highDensity);
// A card of `bytes` bytes whose geometry is cylinder-rounded (255 heads, 63
// sectors) and whose partition query answers the whole length.
std::shared_ptr<MemoryDisk> MakeCardDisk(std::uint64_t bytes);

class MemoryRawDevice : public platform::IRawDevice {
 public:
  MemoryRawDevice(std::shared_ptr<MemoryDisk> disk, bool forWriting);
  ~MemoryRawDevice() override;
  std::uint32_t Read(void* buffer, std::uint32_t count, std::uint32_t* done) override;
  std::uint32_t Write(const void* buffer, std::uint32_t count, std::uint32_t* done) override;
  std::uint32_t Seek(std::int64_t distance, platform::SeekOrigin origin,
                     std::uint64_t* position) override;
  std::uint32_t GetGeometry(platform::DiskGeometry* geometry) override;
  std::uint32_t GetPartitionLength(std::uint64_t* bytes) override;
  std::uint32_t Flush() override { return disk_->flushError; }

 private:
  std::shared_ptr<MemoryDisk> disk_;
  bool forWriting_;
  std::uint64_t position_ = 0;
};

// Files with given cluster runs; their contents do not matter here.
class FakeFiles : public platform::IVolumeFiles {
 public:
  std::map<std::string, std::vector<ClusterRun>> runs;  // relative path -> runs
  std::uint32_t sectorsPerCluster = 4;
  std::uint32_t bytesPerSector = 512;
  std::uint32_t openError = 0;  // answer of Open when not 0
  std::uint32_t clusterRunsError = 0;
  int clusterRunQueries = 0;

  std::uint32_t Open(const std::string& path, const platform::OpenRequest& request,
                     std::unique_ptr<platform::IFile>* file) override;
  std::uint32_t GetAttributes(const std::string& path, std::uint32_t* attributes) override;
  std::uint32_t SetAttributes(const std::string&, std::uint32_t) override;
  std::uint32_t DeleteFile(const std::string&) override;
  std::uint32_t CreateDirectory(const std::string&) override;
  std::uint32_t RemoveDirectory(const std::string&) override;
  std::uint32_t FreeSpace(const std::string&, std::uint64_t*, std::uint64_t*) override;
  std::uint32_t ClusterRuns(const std::string& path, std::vector<ClusterRun>* out) override;
  std::uint32_t ClusterSize(std::uint32_t* spc, std::uint32_t* bps) override;
};

struct FakeDriveOptions {
  platform::DriveType type = platform::DriveType::kRemovable;
  std::string deviceName = "\\Device\\Harddisk1\\DR1";
  std::optional<std::string> label = std::string("CARD");  // nullopt: no volume information
  std::string fileSystem = "FAT";
  std::optional<std::uint32_t> deviceNumber = 1u;
  std::optional<platform::StorageProperties> storage;  // nullopt: the device cannot be asked
  std::string volumeGuid;                              // empty: none
  std::uint64_t volumeOffset = 0;                      // where the volume starts on the disk
  bool ntfs = false;
  bool denyRaw = false;  // raw and volume opens fail with access denied
};

class FakeDrive : public platform::IDrive {
 public:
  FakeDrive(FakeDriveOptions options, std::shared_ptr<MemoryDisk> disk);

  platform::DriveType Type() const override { return options.type; }
  std::string DeviceName() const override { return options.deviceName; }
  platform::IVolumeFiles* Files() override { return &files; }
  bool VolumeInformation(std::string* label, std::string* fileSystem) override;
  std::uint32_t OpenVolumeRaw(bool forWriting,
                              std::unique_ptr<platform::IRawDevice>* device) override;
  std::uint32_t DeviceNumber(std::uint32_t* number) override;
  std::uint32_t OpenPhysicalDisk(bool forWriting,
                                 std::unique_ptr<platform::IRawDevice>* device) override;
  std::uint32_t QueryStorageProperties(platform::StorageProperties* properties) override;
  std::string VolumeGuidPath() override { return options.volumeGuid; }
  std::uint32_t OpenVolumeDevice(std::unique_ptr<platform::IVolumeDevice>* device) override;

  FakeDriveOptions options;
  std::shared_ptr<MemoryDisk> disk;
  FakeFiles files;
  int volumeOpens = 0;

 private:
  std::uint32_t OpenRaw(bool forWriting, std::unique_ptr<platform::IRawDevice>* device);
};

// A fake drive attached at a letter for the lifetime of the object.
class AttachedFake {
 public:
  AttachedFake(char letter, FakeDriveOptions options, std::shared_ptr<MemoryDisk> disk);
  ~AttachedFake();
  AttachedFake(const AttachedFake&) = delete;
  AttachedFake& operator=(const AttachedFake&) = delete;
  FakeDrive& drive() { return *drive_; }
  MemoryDisk& disk() { return *drive_->disk; }
  bool attached() const { return attached_; }

 private:
  char letter_;
  std::shared_ptr<FakeDrive> drive_;
  bool attached_;
};

FakeDriveOptions FloppyOptions(int number = 0);
// A card reader slot: removable, hot-plug, USB, "CF Card Reader".
FakeDriveOptions CardOptions(std::uint32_t deviceNumber = 1);

// The boot sector fields a test sets; the rest is a plain FAT boot sector.
struct BootSectorFields {
  std::uint16_t bytesPerSector = 512;
  std::uint8_t sectorsPerCluster = 4;
  std::uint16_t reservedSectors = 4;
  std::uint8_t fats = 2;
  std::uint16_t rootEntries = 512;
  std::uint16_t totalSectors16 = 0;
  std::uint32_t totalSectors32 = 0;
  std::uint16_t fatSize16 = 0;
  std::uint32_t fatSize32 = 0;
  std::uint32_t hiddenSectors = 0;
  std::uint8_t jump0 = 0xEB;
  std::uint8_t jump2 = 0x90;
  std::uint16_t signature = 0xAA55;
};
ByteBuffer MakeBootSector(const BootSectorFields& fields);

// Sets the language for one test and puts the old one back.
class ScopedLanguage {
 public:
  explicit ScopedLanguage(int id) : saved_(CurrentLanguageId()) { SetCurrentLanguageId(id); }
  ~ScopedLanguage() { SetCurrentLanguageId(saved_); }

 private:
  int saved_;
};

}  // namespace ddatest
