// A drive of the drive-letter namespace and the table that binds letters to
// drives.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/raw_device.h"
#include "platform/volume.h"

namespace platform {

// Drive types, numbered as GetDriveTypeA answers.
enum class DriveType : std::uint32_t {
  kUnknown = 0,
  kNoRootDir = 1,
  kRemovable = 2,
  kFixed = 3,
  kRemote = 4,
  kCdrom = 5,
  kRamdisk = 6,
};

// What tells a user which device a drive is, where letters say little: the
// device node, the reader's product name and where the volume is mounted, or
// the image file behind the drive. Empty fields are unknown or do not apply.
struct DriveDescription {
  std::string deviceNode;   // "/dev/sdb1"
  std::string product;      // vendor and model, "Generic CF Card Reader"
  std::string mountFolder;  // empty while the volume is not mounted
  std::string imageFile;    // a card image, a container file, a loop device's file
  bool isDevice = false;    // a block device: a missing mount folder means "not mounted"
};

class IDrive {
 public:
  virtual ~IDrive() = default;
  virtual DriveType Type() const = 0;
  // The device path in the object namespace, as QueryDosDeviceA gives it
  // ("\Device\Floppy0", "\Device\HarddiskVolume3", ...).
  virtual std::string DeviceName() const = 0;
  // The files of the drive's volume; null while there is no medium or no
  // readable file system (GetLastError() then says why).
  virtual IVolumeFiles* Files() = 0;
  // Label and file system name ("FAT", "FAT32", "NTFS", ...); false when
  // there is no readable volume.
  virtual bool VolumeInformation(std::string* label, std::string* fileSystem) = 0;

  // The raw side. Drives without it (a drive bound to a plain folder) keep
  // these defaults.

  // Opens "\\.\X:": a floppy drive's whole disk, another drive's volume.
  virtual std::uint32_t OpenVolumeRaw(bool forWriting, std::unique_ptr<IRawDevice>* device) {
    (void)forWriting;
    (void)device;
    return kErrorInvalidFunction;
  }
  // The number of the physical disk that holds the drive (the storage device
  // number query); kErrorInvalidFunction when there is none.
  virtual std::uint32_t DeviceNumber(std::uint32_t* number) {
    (void)number;
    return kErrorInvalidFunction;
  }
  // Opens the whole physical disk that holds the drive.
  virtual std::uint32_t OpenPhysicalDisk(bool forWriting, std::unique_ptr<IRawDevice>* device) {
    (void)forWriting;
    (void)device;
    return kErrorInvalidFunction;
  }
  virtual std::uint32_t QueryStorageProperties(StorageProperties* properties) {
    (void)properties;
    return kErrorInvalidFunction;
  }
  // The storage device that holds the drive, as device events name it
  // ("/dev/sdb" for a volume of sdb, an image drive's image file); empty when
  // no device events concern the drive.
  virtual std::string StorageDevicePath() const { return {}; }
  // The device nodes behind the drive: its volume's ("/dev/sdb1") and its
  // whole disk's ("/dev/sdb"); empty for drives without one (image files,
  // folders).
  virtual std::string VolumeNode() const { return {}; }
  virtual std::string DiskNode() const { return {}; }

  virtual DriveDescription Description() const { return {}; }

  // "\\?\Volume{...}\", or empty.
  virtual std::string VolumeGuidPath() { return {}; }
  // The medium takes no writes (a write-protected card, a card image the user
  // may only read), as the disk's writable query answers with
  // kErrorWriteProtect; every change on it fails with that code.
  virtual bool WriteProtected() { return false; }
  // Opens the volume device named by VolumeGuidPath().
  virtual std::uint32_t OpenVolumeDevice(std::unique_ptr<IVolumeDevice>* device) {
    (void)device;
    return kErrorInvalidFunction;
  }
};

// Letters 'A' to 'Z'. A letter keeps its drive until it is detached.
class DriveTable {
 public:
  static DriveTable& Instance();

  // False when the letter is not A to Z (any case) or already taken.
  bool Attach(char letter, std::shared_ptr<IDrive> drive);
  // The first free letter from `from` on, or 0 when all are taken.
  char AttachFirstFree(std::shared_ptr<IDrive> drive, char from = 'D');
  bool Detach(char letter);
  std::shared_ptr<IDrive> Find(char letter) const;
  // Bit i set when letter 'A' + i has a drive, as GetLogicalDrives answers.
  std::uint32_t LogicalDriveMask() const;

  // Told after a letter got (attached) or lost its drive, on the thread that
  // changed the table and outside the table's lock.
  using ChangeListener = std::function<void(char letter, bool attached)>;
  // Returns the id that RemoveListener takes.
  int AddListener(ChangeListener listener);
  void RemoveListener(int id);

 private:
  void Notify(char letter, bool attached);

  mutable std::mutex mutex_;
  std::shared_ptr<IDrive> drives_[26];
  std::mutex listenerMutex_;
  int nextListenerId_ = 1;
  std::vector<std::pair<int, ChangeListener>> listeners_;
};

// Shorthands over DriveTable::Instance().
std::shared_ptr<IDrive> FindDrive(char letter);
std::uint32_t GetLogicalDrives();
// kNoRootDir for a letter without a drive.
DriveType GetDriveType(char letter);
// False for a letter without a drive.
bool IsWriteProtected(char letter);
// Empty when the letter has no drive (GetLastError() then is kErrorFileNotFound).
std::string QueryDosDevice(char letter);

// Attaches a drive for the lifetime of the object.
class ScopedDrive {
 public:
  ScopedDrive(char letter, std::shared_ptr<IDrive> drive);
  ~ScopedDrive();
  ScopedDrive(const ScopedDrive&) = delete;
  ScopedDrive& operator=(const ScopedDrive&) = delete;
  bool attached() const { return attached_; }
  char letter() const { return letter_; }

 private:
  char letter_;
  bool attached_;
};

}  // namespace platform
