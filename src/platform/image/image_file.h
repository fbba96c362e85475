// An image file that stands for a disk: opened once, locked against other
// processes for as long as it is attached, read and written by byte offset.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/image/image_store.h"
#include "platform/native_handle.h"

namespace platform {

class ImageFile : public IImageStore {
 public:
  // Null with the code in *error when the file cannot be opened, or is held
  // by another process (kErrorSharingViolation). Opened for reading only
  // when `readOnly`, or when the file may not be written.
  static std::shared_ptr<ImageFile> Open(const std::string& path, bool readOnly,
                                         std::uint32_t* error);
  ~ImageFile() override;
  ImageFile(const ImageFile&) = delete;
  ImageFile& operator=(const ImageFile&) = delete;

  const std::string& path() const override { return path_; }
  std::uint64_t size() const override { return size_; }
  bool writable() const override { return writable_; }

  std::uint32_t ReadAt(std::uint64_t offset, void* buffer, std::uint32_t count) override;
  std::uint32_t WriteAt(std::uint64_t offset, const void* buffer, std::uint32_t count) override;
  // To the medium (fdatasync, FlushFileBuffers), only when something was written since the last
  // one.
  std::uint32_t Sync() override;
  // Past the cache where the image's file system allows it, else the cache
  // emptied and read again (the backends say how).
  std::uint32_t ReadFromMedium(std::uint64_t offset, void* buffer, std::uint32_t count) override;
  bool Deleted() const override;

 private:
  ImageFile(std::string path, NativeHandle handle, std::uint64_t size, bool writable)
      : path_(std::move(path)), handle_(handle), size_(size), writable_(writable) {}
  std::string path_;
  NativeHandle handle_;
  std::uint64_t size_;
  bool writable_;
  bool unsynced_ = false;
};

}  // namespace platform
