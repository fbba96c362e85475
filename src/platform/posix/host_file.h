// An open host file: a POSIX descriptor holding an exclusive flock.
#pragma once

#include "base/bytes.h"
#include "platform/files.h"

namespace platform {

class HostFile : public IFile {
 public:
  // Takes ownership of fd.
  explicit HostFile(int fd);
  ~HostFile() override;

  std::uint32_t Read(void* buffer, std::uint32_t count, std::uint32_t* done) override;
  std::uint32_t Write(const void* buffer, std::uint32_t count, std::uint32_t* done) override;
  std::uint32_t Seek(std::int64_t distance, SeekOrigin origin, std::uint64_t* position) override;
  std::uint32_t SetLength(std::uint64_t length) override;
  std::uint32_t Flush() override;
  std::uint32_t Close() override;

 private:
  std::uint32_t WriteDirect(const void* buffer, std::uint32_t count, std::uint32_t* done);
  // After an unaligned transfer failed on a cache-bypassing descriptor: goes
  // on cached. False when the descriptor was not bypassing the cache.
  bool LeaveDirect();
  int fd_;
  bool direct_;  // opened with O_DIRECT and not yet fallen back
  AlignedBuffer bounce_;
};

}  // namespace platform
