#include "platform/image/image_file.h"

#include "platform/errors.h"
#include "platform/windows/win32_file.h"

namespace platform {

std::shared_ptr<ImageFile> ImageFile::Open(const std::string& path, bool readOnly,
                                           std::uint32_t* error) {
  bool writable = !readOnly;
  // No share mode but reading for verification: one process at a time works
  // on an image, as with a real card.
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (!readOnly) {
    handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED) writable = false;
  }
  if (handle == INVALID_HANDLE_VALUE && !writable) {
    handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (handle == INVALID_HANDLE_VALUE) {
    *error = ::GetLastError();
    return nullptr;
  }
  std::uint64_t size = 0;
  if (GetFileType(handle) != FILE_TYPE_DISK || !FileLength(handle, &size, error)) {
    CloseHandle(handle);
    *error = kErrorInvalidParameter;
    return nullptr;
  }
  *error = kErrorSuccess;
  return std::shared_ptr<ImageFile>(new ImageFile(path, NativeOf(handle), size, writable));
}

ImageFile::~ImageFile() {
  CloseHandle(HandleOf(handle_));
}

std::uint32_t ImageFile::ReadAt(std::uint64_t offset, void* buffer, std::uint32_t count) {
  if (offset > size_ || count > size_ - offset) return kErrorSectorNotFound;
  return ReadAtOffset(HandleOf(handle_), offset, buffer, count);
}

std::uint32_t ImageFile::WriteAt(std::uint64_t offset, const void* buffer, std::uint32_t count) {
  if (!writable_) return kErrorWriteProtect;
  if (offset > size_ || count > size_ - offset) return kErrorSectorNotFound;
  unsynced_ = true;
  return WriteAtOffset(HandleOf(handle_), offset, buffer, count);
}

std::uint32_t ImageFile::Sync() {
  if (!unsynced_) return kErrorSuccess;
  if (!FlushFileBuffers(HandleOf(handle_))) return ::GetLastError();
  unsynced_ = false;
  return kErrorSuccess;
}

std::uint32_t ImageFile::ReadFromMedium(std::uint64_t offset, void* buffer, std::uint32_t count) {
  if (offset > size_ || count > size_ - offset) return kErrorSectorNotFound;
  if (const std::uint32_t code = Sync()) return code;  // only when something was written
  return ReadPastCache(path_, HandleOf(handle_), offset, buffer, count);
}

bool ImageFile::Deleted() const {
  // An open file cannot be deleted on Windows without a sharing mode that
  // allows it, and none is given.
  return false;
}

}  // namespace platform
