#include "platform/file_sector_device.h"

#include <algorithm>

#include "platform/errors.h"
#include "platform/windows/win32_file.h"

namespace platform {
namespace {
using fat::Error;
using fat::Fail;
using fat::Status;

Status SystemStatus(const std::string& what, std::uint32_t code) {
  return Fail(code == kErrorAccessDenied ? Error::kAccessDenied : Error::kIo,
              what + ": " + SystemErrorText(code));
}

}  // namespace

FileSectorDevice::FileSectorDevice(NativeHandle handle, bool owns, bool writable,
                                   std::uint32_t sectorSize, std::uint64_t sectorCount)
    : handle_(handle),
      owns_(owns),
      writable_(writable),
      sectorSize_(sectorSize),
      sectorCount_(sectorCount) {}

FileSectorDevice::~FileSectorDevice() {
  if (owns_) CloseHandle(HandleOf(handle_));
}

std::unique_ptr<FileSectorDevice> FileSectorDevice::Make(NativeHandle handle, bool owns,
                                                         bool writable, std::uint32_t sectorSize,
                                                         Status* status) {
  if (sectorSize < 512 || (sectorSize & (sectorSize - 1)) != 0) {
    if (owns) CloseHandle(HandleOf(handle));
    *status = Fail(Error::kInvalidArgument, "sector size must be a power of two of 512 or more");
    return nullptr;
  }
  std::uint64_t bytes = 0;
  std::uint32_t code = 0;
  if (!FileLength(HandleOf(handle), &bytes, &code)) {
    *status = SystemStatus("file size", code);
    if (owns) CloseHandle(HandleOf(handle));
    return nullptr;
  }
  *status = Status::Ok();
  return std::unique_ptr<FileSectorDevice>(
      new FileSectorDevice(handle, owns, writable, sectorSize, bytes / sectorSize));
}

std::unique_ptr<FileSectorDevice> FileSectorDevice::Open(const std::string& path, bool writable,
                                                         Status* status, std::uint32_t sectorSize) {
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | (writable ? GENERIC_WRITE : 0),
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    *status = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                  ? Fail(Error::kNotFound, "open " + path + ": no such file")
                  : SystemStatus("open " + path, error);
    return nullptr;
  }
  return Make(NativeOf(handle), true, writable, sectorSize, status);
}

std::unique_ptr<FileSectorDevice> FileSectorDevice::FromHandle(NativeHandle handle, bool writable,
                                                               Status* status,
                                                               std::uint32_t sectorSize) {
  return Make(handle, false, writable, sectorSize, status);
}

Status FileSectorDevice::ReadSectors(std::uint64_t first, std::uint32_t count, void* buffer) {
  Status s = fat::CheckRange(first, count, sectorCount_);
  if (!s.ok()) return s;
  const std::uint64_t offset = first * sectorSize_;
  auto* out = static_cast<std::uint8_t*>(buffer);
  // ReadFile takes at most 4 GiB less one byte at a time.
  for (std::uint64_t left = static_cast<std::uint64_t>(count) * sectorSize_, at = 0; left > 0;) {
    const auto chunk = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, 1u << 30));
    const std::uint32_t code = ReadAtOffset(HandleOf(handle_), offset + at, out + at, chunk);
    if (code == kErrorHandleEof) {
      return Fail(Error::kIo, "short read at byte " + std::to_string(offset + at));
    }
    if (code != kErrorSuccess) return SystemStatus("read at byte " + std::to_string(offset), code);
    left -= chunk;
    at += chunk;
  }
  return Status::Ok();
}

Status FileSectorDevice::WriteSectors(std::uint64_t first, std::uint32_t count,
                                      const void* buffer) {
  if (!writable_) return Fail(Error::kReadOnly, "device is open read-only");
  Status s = fat::CheckRange(first, count, sectorCount_);
  if (!s.ok()) return s;
  const std::uint64_t offset = first * sectorSize_;
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  for (std::uint64_t left = static_cast<std::uint64_t>(count) * sectorSize_, at = 0; left > 0;) {
    const auto chunk = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, 1u << 30));
    const std::uint32_t code = WriteAtOffset(HandleOf(handle_), offset + at, in + at, chunk);
    if (code == kErrorDiskFull || code == kErrorHandleDiskFull) {
      return Fail(Error::kDiskFull, "no space left for the image");
    }
    if (code != kErrorSuccess) {
      return SystemStatus("write at byte " + std::to_string(offset + at), code);
    }
    left -= chunk;
    at += chunk;
  }
  return Status::Ok();
}

Status FileSectorDevice::Sync() {
  if (!writable_) return Status::Ok();
  if (!FlushFileBuffers(HandleOf(handle_))) return SystemStatus("flush", ::GetLastError());
  return Status::Ok();
}

}  // namespace platform
