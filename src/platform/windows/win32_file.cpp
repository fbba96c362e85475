#include "platform/windows/win32_file.h"

#include <cstring>

#include "platform/errors.h"

namespace platform {
namespace {

OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

DWORD SectorSizeOf(const std::string& path) {
  char root[MAX_PATH];
  DWORD sectorsPerCluster = 0;
  DWORD bytesPerSector = 0;
  DWORD freeClusters = 0;
  DWORD clusters = 0;
  if (GetVolumePathNameA(path.c_str(), root, sizeof root) &&
      GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) {
    return bytesPerSector;
  }
  return 0;
}

}  // namespace

std::uint32_t ReadAtOffset(HANDLE file, std::uint64_t offset, void* buffer, std::uint32_t count) {
  auto* out = static_cast<char*>(buffer);
  std::uint32_t done = 0;
  while (done < count) {
    OVERLAPPED at = At(offset + done);
    DWORD n = 0;
    if (!ReadFile(file, out + done, count - done, &n, &at)) {
      const DWORD error = ::GetLastError();
      return error == ERROR_HANDLE_EOF ? kErrorHandleEof : error;
    }
    if (n == 0) return kErrorHandleEof;
    done += n;
  }
  return kErrorSuccess;
}

std::uint32_t WriteAtOffset(HANDLE file, std::uint64_t offset, const void* buffer,
                            std::uint32_t count) {
  const auto* in = static_cast<const char*>(buffer);
  std::uint32_t done = 0;
  while (done < count) {
    OVERLAPPED at = At(offset + done);
    DWORD n = 0;
    if (!WriteFile(file, in + done, count - done, &n, &at)) return ::GetLastError();
    if (n == 0) return kErrorDiskFull;
    done += n;
  }
  return kErrorSuccess;
}

bool FileLength(HANDLE file, std::uint64_t* length, std::uint32_t* error) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) {
    *error = ::GetLastError();
    return false;
  }
  *length = static_cast<std::uint64_t>(size.QuadPart);
  return true;
}

std::uint32_t ReadPastCache(const std::string& path, HANDLE open, std::uint64_t offset,
                            void* buffer, std::uint32_t count) {
  const DWORD sector = SectorSizeOf(path);
  if (sector != 0 && offset % sector == 0 && count % sector == 0) {
    HANDLE direct = CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_NO_BUFFERING, nullptr);
    if (direct != INVALID_HANDLE_VALUE) {
      // Unbuffered transfers need a buffer aligned to the sector; the page
      // allocator's are.
      void* aligned = VirtualAlloc(nullptr, count, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
      std::uint32_t code = kErrorNotEnoughMemory;
      if (aligned != nullptr) {
        code = ReadAtOffset(direct, offset, aligned, count);
        if (code == kErrorSuccess) std::memcpy(buffer, aligned, count);
        VirtualFree(aligned, 0, MEM_RELEASE);
      }
      CloseHandle(direct);
      return code;
    }
  }
  // Not aligned, or the file system refuses unbuffered opens: what this
  // process wrote goes out first, then the file is read again.
  if (open != INVALID_HANDLE_VALUE) FlushFileBuffers(open);
  HANDLE file = open;
  if (file == INVALID_HANDLE_VALUE) {
    file = CreateFileA(path.c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ::GetLastError();
  }
  const std::uint32_t code = ReadAtOffset(file, offset, buffer, count);
  if (file != open) CloseHandle(file);
  return code;
}

Win32File::~Win32File() {
  (void)Close();
}

std::uint32_t Win32File::Read(void* buffer, std::uint32_t count, std::uint32_t* done) {
  DWORD n = 0;
  if (!ReadFile(handle_, buffer, count, &n, nullptr)) return ::GetLastError();
  if (done != nullptr) *done = n;
  return kErrorSuccess;
}

std::uint32_t Win32File::Write(const void* buffer, std::uint32_t count, std::uint32_t* done) {
  DWORD n = 0;
  if (!WriteFile(handle_, buffer, count, &n, nullptr)) return ::GetLastError();
  if (done != nullptr) *done = n;
  return n == count ? kErrorSuccess : kErrorDiskFull;
}

std::uint32_t Win32File::Seek(std::int64_t distance, SeekOrigin origin, std::uint64_t* position) {
  LARGE_INTEGER move{};
  move.QuadPart = distance;
  LARGE_INTEGER now{};
  const DWORD method = origin == SeekOrigin::kBegin     ? FILE_BEGIN
                       : origin == SeekOrigin::kCurrent ? FILE_CURRENT
                                                        : FILE_END;
  if (!SetFilePointerEx(handle_, move, &now, method)) return ::GetLastError();
  if (position != nullptr) *position = static_cast<std::uint64_t>(now.QuadPart);
  return kErrorSuccess;
}

std::uint32_t Win32File::SetLength(std::uint64_t length) {
  LARGE_INTEGER here{};
  LARGE_INTEGER zero{};
  if (!SetFilePointerEx(handle_, zero, &here, FILE_CURRENT)) return ::GetLastError();
  LARGE_INTEGER end{};
  end.QuadPart = static_cast<LONGLONG>(length);
  std::uint32_t code = kErrorSuccess;
  if (!SetFilePointerEx(handle_, end, nullptr, FILE_BEGIN) || !SetEndOfFile(handle_)) {
    code = ::GetLastError();
  }
  SetFilePointerEx(handle_, here, nullptr, FILE_BEGIN);
  return code;
}

std::uint32_t Win32File::Flush() {
  return FlushFileBuffers(handle_) ? kErrorSuccess : ::GetLastError();
}

std::uint32_t Win32File::Close() {
  if (handle_ == INVALID_HANDLE_VALUE) return kErrorSuccess;
  const bool closed = CloseHandle(handle_) != 0;
  handle_ = INVALID_HANDLE_VALUE;
  return closed ? kErrorSuccess : ::GetLastError();
}

}  // namespace platform
