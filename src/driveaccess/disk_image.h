// The bytes of one whole floppy disk, read from or written to a floppy drive.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/bytes.h"
#include "base/direct_disk_access_callback.h"

class CDiskImage {
 public:
  CDiskImage() = default;
  virtual ~CDiskImage() = default;

  // Makes the image an exact copy of the disk in the drive (16 KiB chunks).
  [[nodiscard]] int ReadFromDrive(char driveLetter, IDirectDiskAccessCallback* callback);
  // Writes the image onto the disk; -717 without writing when the sizes differ.
  [[nodiscard]] int WriteToDrive(char driveLetter, IDirectDiskAccessCallback* callback);

  ByteBuffer& Bytes() { return bytes_; }
  const ByteBuffer& Bytes() const { return bytes_; }
  std::uint8_t* Data() { return bytes_.data(); }
  const std::uint8_t* Data() const { return bytes_.data(); }
  std::size_t Size() const { return bytes_.size(); }

 private:
  ByteBuffer bytes_;
};
