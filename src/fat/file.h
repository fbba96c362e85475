// An open file on a mounted volume.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "fat/status.h"

namespace fat {

class OpenFiles;
struct OpenNode;

// Reads and writes at a position or at the file pointer. Growth allocates
// clusters at once; bytes between the old end and a later write read as
// zeros. Flush or Close writes the FAT and the folder entry (size, first
// cluster, write time, archive bit). A File must not outlive its Volume's
// use, but a File left open when the Volume goes away is harmless: its
// operations then fail.
class File {
 public:
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  Status ReadAt(std::uint64_t position, void* buffer, std::size_t size, std::size_t* done);
  Status WriteAt(std::uint64_t position, const void* buffer, std::size_t size, std::size_t* done);
  // At the file pointer, which then moves on by the bytes transferred.
  Status Read(void* buffer, std::size_t size, std::size_t* done);
  Status Write(const void* buffer, std::size_t size, std::size_t* done);
  // Positions past the end are allowed; a later write fills the gap with zeros.
  Status Seek(std::uint64_t position);
  std::uint64_t Position() const { return position_; }

  std::uint64_t Size() const;
  // Grows (allocating all clusters at once) or truncates (freeing clusters).
  Status SetLength(std::uint64_t length);
  Status Flush();
  Status Close();

  bool writable() const { return writable_; }
  std::uint32_t FirstCluster() const;

 private:
  friend class OpenFiles;
  File(std::shared_ptr<OpenNode> node, bool writable);
  Status Usable(bool forWriting) const;

  std::shared_ptr<OpenNode> node_;
  bool writable_;
  bool closed_ = false;
  std::uint64_t position_ = 0;
};

}  // namespace fat
