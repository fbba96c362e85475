// Raw devices: a floppy drive's volume ("\\.\A:") or a card's whole physical
// disk ("\\.\PhysicalDrive<n>"), opened exclusively and unbuffered, with the
// disk queries the drive access code relies on.
//
// Every call returns 0 or a Windows-numbered error code; "access denied"
// (kErrorAccessDenied) is what a device answers to a user without the right
// to open it raw.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"

namespace platform {

// Media types as the disk geometry query answers them.
enum class MediaType : std::uint32_t {
  kUnknown = 0,
  kF3_1Pt44_512 = 2,  // 3.5" 1.44 MB floppy
  kF3_720_512 = 5,    // 3.5" 720 KB floppy
  kRemovableMedia = 11,
  kFixedMedia = 12,
};

// The answer of the drive geometry query (DISK_GEOMETRY).
struct DiskGeometry {
  std::uint64_t cylinders = 0;
  MediaType mediaType = MediaType::kUnknown;
  std::uint32_t tracksPerCylinder = 0;
  std::uint32_t sectorsPerTrack = 0;
  std::uint32_t bytesPerSector = 0;
};

// An open raw device. Transfers start at the current position.
class IRawDevice {
 public:
  virtual ~IRawDevice() = default;
  virtual std::uint32_t Read(void* buffer, std::uint32_t count, std::uint32_t* done) = 0;
  virtual std::uint32_t Write(const void* buffer, std::uint32_t count, std::uint32_t* done) = 0;
  virtual std::uint32_t Seek(std::int64_t distance, SeekOrigin origin, std::uint64_t* position) = 0;
  // The drive geometry query; fails where the device has none (loop devices).
  virtual std::uint32_t GetGeometry(DiskGeometry* geometry) = 0;
  // The partition information query: the length in bytes of what was opened
  // (a whole disk answers its whole length).
  virtual std::uint32_t GetPartitionLength(std::uint64_t* bytes) = 0;
  // Writes through to the medium.
  virtual std::uint32_t Flush() = 0;
  // As Read, but what the medium holds, past the host's cache: the read-back
  // of a verify. Block devices are opened unbuffered (O_DIRECT) and read
  // that way already.
  virtual std::uint32_t ReadFromMedium(void* buffer, std::uint32_t count, std::uint32_t* done) {
    return Read(buffer, count, done);
  }
};

// What the storage queries of a device answer (hot-plug information and the
// storage device descriptor).
struct StorageProperties {
  bool hotplug = false;
  std::uint32_t busType = 0;  // 7 is USB
  std::string productId;
};
inline constexpr std::uint32_t kBusTypeUsb = 7;

// One extent of a file: the clusters from the previous extent's next virtual
// cluster up to nextVirtualCluster lie from logicalCluster on, logical
// clusters counted from the first cluster of the volume's data area.
struct RetrievalExtent {
  std::uint64_t nextVirtualCluster = 0;
  std::uint64_t logicalCluster = 0;
};

// Opens "\\.\X:" or "\\.\PhysicalDrive<n>" for reading, or reading and
// writing. The open is exclusive: a second open of the same device fails.
// Null on failure, with the code in *error.
std::unique_ptr<IRawDevice> OpenRawDevice(const std::string& devicePath, bool forWriting,
                                          std::uint32_t* error);

// Queries on a device path opened without access rights ("\\.\X:",
// "\\.\PhysicalDrive<n>"): its disk number, and its storage properties.
std::uint32_t GetStorageDeviceNumber(const std::string& devicePath, std::uint32_t* number);
std::uint32_t GetStorageProperties(const std::string& devicePath, StorageProperties* properties);

// The volume path of a drive's root ("X:\" -> "\\?\Volume{...}\"); empty
// when the drive has no volume.
std::string GetVolumeNameForMountPoint(const std::string& mountPoint);

// An open volume device ("\\?\Volume{...}" without the trailing backslash).
class IVolumeDevice {
 public:
  virtual ~IVolumeDevice() = default;
  // The NTFS volume data query: 0 when the volume is NTFS.
  virtual std::uint32_t QueryNtfsVolumeData() = 0;
  virtual std::uint32_t Read(void* buffer, std::uint32_t count, std::uint32_t* done) = 0;
  // Where the volume begins on its disk, in bytes (the partition information
  // query's starting offset); kErrorInvalidFunction where that is unknown.
  virtual std::uint32_t GetStartingOffset(std::uint64_t* bytes) {
    (void)bytes;
    return kErrorInvalidFunction;
  }
};
std::unique_ptr<IVolumeDevice> OpenVolumeDevice(const std::string& volumePath,
                                                std::uint32_t* error);

// The retrieval pointers of a file from startingVirtualCluster on, at most
// maxExtents per answer. Answers kErrorMoreData when more extents follow
// (ask again from the last extent's nextVirtualCluster), 0 when the list is
// complete, kErrorHandleEof when the file has no clusters from there on.
std::uint32_t GetRetrievalPointers(const std::string& filePath,
                                   std::uint64_t startingVirtualCluster, std::size_t maxExtents,
                                   std::uint64_t* startingVcnOut,
                                   std::vector<RetrievalExtent>* extents);

// Sectors per cluster and bytes per sector of the volume that holds root.
std::uint32_t GetClusterSize(const std::string& root, std::uint32_t* sectorsPerCluster,
                             std::uint32_t* bytesPerSector);

}  // namespace platform
