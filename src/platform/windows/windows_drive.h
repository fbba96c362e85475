// A drive of the machine at its Windows drive letter. The record describes
// it as GetDriveTypeA and QueryDosDeviceA see it; raw devices, the volume
// device and the files are opened from it on demand, so that a medium that
// changes under the letter is seen at the next call.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/drive.h"
#include "platform/host/host_folder_files.h"

namespace platform {

struct WindowsDriveRecord {
  char letter = 0;  // upper case
  DriveType type = DriveType::kUnknown;
  std::string deviceName;  // "\Device\Floppy0", "\Device\HarddiskVolume3", ...
  bool floppy = false;

  bool operator==(const WindowsDriveRecord&) const = default;
};

// The record of a letter, from Windows; empty when the letter has no drive.
std::optional<WindowsDriveRecord> DescribeWindowsDrive(char letter);

// True for a removable drive whose device name holds "\floppy" in any case.
bool IsFloppyDeviceName(DriveType type, const std::string& deviceName);

// The files under the drive's root, with where a file lies from the
// retrieval pointers and the cluster size from the volume.
class WindowsVolumeFiles : public HostFolderFiles {
 public:
  explicit WindowsVolumeFiles(char letter);
  std::uint32_t ClusterRuns(const std::string& path, std::vector<ClusterRun>* runs) override;
  std::uint32_t ClusterSize(std::uint32_t* sectorsPerCluster,
                            std::uint32_t* bytesPerSector) override;
  std::uint32_t FlushVolume() override;

 private:
  char letter_;
};

class WindowsDrive : public IDrive {
 public:
  explicit WindowsDrive(WindowsDriveRecord record);

  const WindowsDriveRecord& record() const { return record_; }

  DriveType Type() const override { return record_.type; }
  std::string DeviceName() const override { return record_.deviceName; }
  IVolumeFiles* Files() override;
  bool VolumeInformation(std::string* label, std::string* fileSystem) override;
  std::uint32_t OpenVolumeRaw(bool forWriting, std::unique_ptr<IRawDevice>* device) override;
  std::uint32_t DeviceNumber(std::uint32_t* number) override;
  std::uint32_t OpenPhysicalDisk(bool forWriting, std::unique_ptr<IRawDevice>* device) override;
  std::uint32_t QueryStorageProperties(StorageProperties* properties) override;
  // The volume's device path: its media events name it.
  std::string StorageDevicePath() const override { return VolumePath(); }
  std::string VolumeGuidPath() override;
  bool WriteProtected() override;
  std::uint32_t OpenVolumeDevice(std::unique_ptr<IVolumeDevice>* device) override;

 private:
  std::string VolumePath() const;  // "\\.\X:"
  std::string Root() const;        // "X:\"

  WindowsDriveRecord record_;
  WindowsVolumeFiles files_;
};

}  // namespace platform
