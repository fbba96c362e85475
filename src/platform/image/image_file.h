// An image file that stands for a disk: opened once, locked against other
// processes for as long as it is attached, read and written by byte offset.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class ImageFile {
 public:
  // Null with the code in *error when the file cannot be opened, or is held
  // by another process (kErrorSharingViolation).
  static std::shared_ptr<ImageFile> Open(const std::string& path, std::uint32_t* error);
  ~ImageFile();
  ImageFile(const ImageFile&) = delete;
  ImageFile& operator=(const ImageFile&) = delete;

  const std::string& path() const { return path_; }
  int fd() const { return fd_; }
  std::uint64_t size() const { return size_; }
  bool writable() const { return writable_; }

  // Whole transfers or an error code; never beyond the end of the image.
  std::uint32_t ReadAt(std::uint64_t offset, void* buffer, std::uint32_t count) const;
  std::uint32_t WriteAt(std::uint64_t offset, const void* buffer, std::uint32_t count);
  std::uint32_t Sync();

 private:
  ImageFile(std::string path, int fd, std::uint64_t size, bool writable)
      : path_(std::move(path)), fd_(fd), size_(size), writable_(writable) {}
  std::string path_;
  int fd_;
  std::uint64_t size_;
  bool writable_;
};

}  // namespace platform
