// Raw sector access to a drive: a floppy drive's disk, or the whole physical
// disk behind a card or hard disk drive. Every operation returns a DDA code
// and keeps it, with the system error of the moment, in the object.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/direct_disk_access_callback.h"
#include "driveaccess/dda_errors.h"
#include "platform/raw_device.h"

struct DriveGeometry {
  std::uint32_t bytesPerSector = 0;
  std::uint64_t totalSectors = 0;  // the usable size of the drive
  std::uint32_t sectorsPerTrack = 0;
};

class CDirectDiskAccess {
 public:
  CDirectDiskAccess() = default;
  virtual ~CDirectDiskAccess();
  CDirectDiskAccess(const CDirectDiskAccess&) = delete;
  CDirectDiskAccess& operator=(const CDirectDiskAccess&) = delete;

  // Opens the drive exclusively: "\\.\X:" for a floppy drive, the physical
  // disk for a card or hard disk.
  [[nodiscard]] int Open(char driveLetter, bool forWriting);
  // Closes the device. One opened for writing is flushed first, so that what
  // was written raw is on the medium; DDA_ERR_FLUSH (recorded) when it may
  // not be. Closing with no device open is DDA_NO_ERROR.
  [[nodiscard]] int Close();
  // Closes a device through which nothing was written, or whose operation has
  // already failed: no flush result could change what the caller reports.
  void CloseAfterReading() { (void)Close(); }
  // 0 when a device is open, -701 when not (recorded).
  [[nodiscard]] int IsOpen();
  void SetSectorSize(std::uint32_t bytes) { sectorSize_ = bytes; }
  [[nodiscard]] int GetGeometry(DriveGeometry& out);
  // The current byte position; -1 when there is none. Records nothing.
  std::int64_t GetPosition();
  [[nodiscard]] int SetPosition(std::uint64_t byteOffset);
  // Move byteCount bytes at the current position in chunks of chunkSize,
  // with notices to the callback.
  [[nodiscard]] int Read(void* buffer, std::uint64_t byteCount, std::uint32_t chunkSize);
  [[nodiscard]] int Write(const void* buffer, std::uint64_t byteCount, std::uint32_t chunkSize);
  [[nodiscard]] int ReadSectors(void* buffer, std::uint64_t firstSector, std::uint64_t sectorCount);
  [[nodiscard]] int WriteSectors(const void* buffer, std::uint64_t firstSector,
                                 std::uint64_t sectorCount);
  // The sectors as the medium holds them, once what was written is flushed:
  // the read-back of a verify. No progress notices.
  [[nodiscard]] int ReadSectorsFromMedium(void* buffer, std::uint64_t firstSector,
                                          std::uint64_t sectorCount);

  static std::string DdaErrorText(int code) { return ::DdaErrorText(code); }
  static bool DdaIsError(int code) { return ::DdaIsError(code); }

  std::uint32_t SectorSize() const { return sectorSize_; }
  std::uint32_t SectorsPerTrack() const { return sectorsPerTrack_; }
  const std::string& DevicePath() const { return devicePath_; }
  bool HasDevice() const { return device_ != nullptr; }

  // The progress and cancel notices of the transfers go to the callback
  // (not owned; null for none).
  void SetCallback(IDirectDiskAccessCallback* callback) { callback_ = callback; }
  // The DDA code of the last operation that recorded one, and the system
  // error of that moment.
  int LastErrorCode() const { return lastErrorCode_; }
  std::uint32_t LastSystemError() const { return lastSystemError_; }

 private:
  int Record(int code);
  // Grows out.totalSectors to where reads stop succeeding.
  void MeasureSizeByReading(const platform::DiskGeometry& geometry, DriveGeometry& out);
  bool ReadChunk(std::uint8_t* destination, std::uint32_t count);
  bool WriteChunk(const std::uint8_t* source, std::uint32_t count);

  std::unique_ptr<platform::IRawDevice> device_;
  bool openForWriting_ = false;
  std::uint32_t sectorSize_ = 512;
  std::uint32_t sectorsPerTrack_ = 18;
  std::string devicePath_;
  IDirectDiskAccessCallback* callback_ = nullptr;
  int lastErrorCode_ = 0;
  std::uint32_t lastSystemError_ = 0;
};
