// An open file of the Windows backend: a HANDLE from CreateFileA, with the
// positioned reads and writes the other files of this backend share.
#pragma once

#include "platform/windows/win32.h"

#include <cstdint>
#include <string>

#include "platform/files.h"
#include "platform/native_handle.h"

namespace platform {

inline HANDLE HandleOf(NativeHandle handle) {
  return reinterpret_cast<HANDLE>(handle);
}
inline NativeHandle NativeOf(HANDLE handle) {
  return reinterpret_cast<NativeHandle>(handle);
}

// Reads or writes `count` bytes at `offset` (an OVERLAPPED offset on a
// synchronous handle); kErrorHandleEof when the file ends first.
std::uint32_t ReadAtOffset(HANDLE file, std::uint64_t offset, void* buffer, std::uint32_t count);
std::uint32_t WriteAtOffset(HANDLE file, std::uint64_t offset, const void* buffer,
                            std::uint32_t count);

// The file's length, or false with the error in *error.
bool FileLength(HANDLE file, std::uint64_t* length, std::uint32_t* error);

// `count` bytes at `offset` from the medium, past the system's cache:
// FILE_FLAG_NO_BUFFERING on a second handle where offset, count and the
// volume's sector size line up; else the file's buffers flushed
// (FlushFileBuffers) and read again.
std::uint32_t ReadPastCache(const std::string& path, HANDLE open, std::uint64_t offset,
                            void* buffer, std::uint32_t count);

// An IFile over a handle it owns.
class Win32File : public IFile {
 public:
  explicit Win32File(HANDLE handle) : handle_(handle) {}
  ~Win32File() override;
  Win32File(const Win32File&) = delete;
  Win32File& operator=(const Win32File&) = delete;

  std::uint32_t Read(void* buffer, std::uint32_t count, std::uint32_t* done) override;
  std::uint32_t Write(const void* buffer, std::uint32_t count, std::uint32_t* done) override;
  std::uint32_t Seek(std::int64_t distance, SeekOrigin origin, std::uint64_t* position) override;
  std::uint32_t SetLength(std::uint64_t length) override;
  std::uint32_t Flush() override;
  std::uint32_t Close() override;

 private:
  HANDLE handle_;
};

}  // namespace platform
