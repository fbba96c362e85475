// Drives backed by image files: a card image (a whole disk with an MBR and a
// FAT partition, or a bare FAT volume) or a floppy image. Raw access reads
// and writes the image; the volume's files go through the FAT engine.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/drive.h"
#include "platform/drive_images.h"
#include "platform/image/image_store.h"

namespace platform {

class FatVolumeFiles;

class ImageDrive : public IDrive, public std::enable_shared_from_this<ImageDrive> {
 public:
  enum class Kind { kCard, kFloppy };

  // Null with the code in *error when the image cannot be opened (or is held
  // by another process).
  static std::shared_ptr<ImageDrive> OpenCard(const std::string& path,
                                              const ImageDriveOptions& options,
                                              std::uint32_t* error);
  // A card on a store that the caller made (a medium in memory).
  static std::shared_ptr<ImageDrive> OpenCardOn(std::shared_ptr<IImageStore> store,
                                                const ImageDriveOptions& options);
  static std::shared_ptr<ImageDrive> OpenFloppy(const std::string& path, std::uint32_t* error);
  ~ImageDrive() override;

  Kind kind() const { return kind_; }
  const std::string& imagePath() const { return image_->path(); }
  ImageDriveOptions& options() { return options_; }
  // Byte range of the volume inside the image.
  std::uint64_t volumeOffset() const { return volumeOffset_; }
  std::uint64_t volumeLength() const { return volumeLength_; }
  // Writes what the engine holds and forgets the mounted volume, so that raw
  // changes of the image are seen by the next file access.
  void Unmount();
  // True while the volume is mounted (for tests: raw writes outside the
  // volume keep it mounted).
  bool mounted();
  // The image file was deleted while attached: the drive is to go away, as a
  // card pulled from its reader does.
  bool imageDeleted() const { return image_->Deleted(); }

  DriveType Type() const override { return DriveType::kRemovable; }
  std::string DeviceName() const override;
  IVolumeFiles* Files() override;
  bool VolumeInformation(std::string* label, std::string* fileSystem) override;
  std::uint32_t OpenVolumeRaw(bool forWriting, std::unique_ptr<IRawDevice>* device) override;
  std::uint32_t DeviceNumber(std::uint32_t* number) override;
  std::uint32_t OpenPhysicalDisk(bool forWriting, std::unique_ptr<IRawDevice>* device) override;
  std::uint32_t QueryStorageProperties(StorageProperties* properties) override;
  std::string StorageDevicePath() const override { return imagePath(); }
  DriveDescription Description() const override {
    DriveDescription d;
    d.imageFile = imagePath();
    return d;
  }
  std::string VolumeGuidPath() override;
  std::uint32_t OpenVolumeDevice(std::unique_ptr<IVolumeDevice>* device) override;
  // Switched write-protected, or an image that may only be read.
  bool WriteProtected() override { return options_.writeProtected || !Writable(); }

 private:
  ImageDrive(Kind kind, std::shared_ptr<IImageStore> image, ImageDriveOptions options);
  void LocateVolume();
  // The image may be written: a store that takes writes, not opened read-only.
  bool Writable() const;
  std::uint32_t OpenRange(std::uint64_t offset, std::uint64_t length, bool forWriting,
                          std::unique_ptr<IRawDevice>* device);
  // After a raw write of image bytes [offset, offset + length): a volume
  // whose boot sector alone was written, with the same layout, stays
  // mounted; any other write into the volume unmounts it.
  void RawWritten(std::uint64_t offset, std::uint64_t length);

  Kind kind_;
  std::shared_ptr<IImageStore> image_;
  ImageDriveOptions options_;
  std::uint32_t number_;
  std::uint64_t volumeOffset_ = 0;
  std::uint64_t volumeLength_ = 0;
  std::mutex mutex_;
  std::shared_ptr<FatVolumeFiles> files_;
  std::shared_ptr<std::atomic<bool>> rawInUse_ = std::make_shared<std::atomic<bool>>(false);
};

// AttachCardImage (drive_images.h) for a store the caller made.
char AttachCardStore(std::shared_ptr<IImageStore> store, const ImageDriveOptions& options,
                     char letter, std::uint32_t* error);

}  // namespace platform
