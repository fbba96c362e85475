#include "platform/host/host_folder_files.h"

#include <algorithm>

#include "platform/errors.h"
#include "platform/windows/win32_file.h"

namespace platform {
namespace {

constexpr DWORD kDosAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                 FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

DWORD CreationOf(Disposition disposition) {
  switch (disposition) {
    case Disposition::kCreateNew:
      return CREATE_NEW;
    case Disposition::kCreateAlways:
      return CREATE_ALWAYS;
    case Disposition::kOpenAlways:
      return OPEN_ALWAYS;
    case Disposition::kTruncateExisting:
      return TRUNCATE_EXISTING;
    case Disposition::kOpenExisting:
      break;
  }
  return OPEN_EXISTING;
}

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

// A drive's root keeps its separator: "X:" alone names the drive's current
// folder, not its root.
bool IsDriveRoot(const std::string& root) {
  return root.size() == 3 && root[1] == ':' && IsSeparator(root[2]);
}

}  // namespace

HostFolderFiles::HostFolderFiles(std::string root) : root_(std::move(root)) {
  while (root_.size() > 1 && IsSeparator(root_.back()) && !IsDriveRoot(root_)) root_.pop_back();
}

std::string HostFolderFiles::HostPath(const std::string& path) const {
  if (path.empty()) return root_;
  if (root_.empty()) return path;
  if (IsSeparator(root_.back())) return std::string(root_).append(path);
  return std::string(root_).append("\\").append(path);
}

std::uint32_t HostFolderFiles::Open(const std::string& path, const OpenRequest& request,
                                    std::unique_ptr<IFile>* file) {
  const std::string hostPath = HostPath(path);
  const DWORD existing = GetFileAttributesA(hostPath.c_str());
  if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return kErrorAccessDenied;
  }
  DWORD access = 0;
  if (request.access & kGenericRead) access |= GENERIC_READ;
  if (request.access & kGenericWrite) access |= GENERIC_WRITE;
  // Exclusive, as everywhere in the platform layer: no share mode. The
  // cache is bypassed only where the caller asks and the transfers allow.
  const DWORD flags = FILE_ATTRIBUTE_NORMAL;
  HANDLE handle = CreateFileA(hostPath.c_str(), access, 0, nullptr, CreationOf(request.disposition),
                              flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return ::GetLastError();
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    return kErrorBadFileType;
  }
  *file = std::make_unique<Win32File>(handle);
  return kErrorSuccess;
}

std::uint32_t HostFolderFiles::GetAttributes(const std::string& path, std::uint32_t* attributes) {
  const DWORD found = GetFileAttributesA(HostPath(path).c_str());
  if (found == INVALID_FILE_ATTRIBUTES) return ::GetLastError();
  std::uint32_t kept = found & (kDosAttributes | FILE_ATTRIBUTE_DIRECTORY);
  *attributes = kept == 0 ? kAttributeNormal : kept;
  return kErrorSuccess;
}

std::uint32_t HostFolderFiles::SetAttributes(const std::string& path, std::uint32_t attributes) {
  const DWORD value =
      (attributes & kDosAttributes) == 0 ? FILE_ATTRIBUTE_NORMAL : (attributes & kDosAttributes);
  return SetFileAttributesA(HostPath(path).c_str(), value) ? kErrorSuccess : ::GetLastError();
}

std::uint32_t HostFolderFiles::DeleteFile(const std::string& path) {
  return DeleteFileA(HostPath(path).c_str()) ? kErrorSuccess : ::GetLastError();
}

std::uint32_t HostFolderFiles::CreateDirectory(const std::string& path) {
  return CreateDirectoryA(HostPath(path).c_str(), nullptr) ? kErrorSuccess : ::GetLastError();
}

std::uint32_t HostFolderFiles::RemoveDirectory(const std::string& path) {
  return RemoveDirectoryA(HostPath(path).c_str()) ? kErrorSuccess : ::GetLastError();
}

std::uint32_t HostFolderFiles::ListFiles(const std::string& path, std::vector<std::string>* names) {
  const std::string hostPath = HostPath(path);
  const std::string folder = hostPath.empty() ? "." : hostPath;
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return kErrorSuccess;  // an empty folder
    return error == ERROR_DIRECTORY ? kErrorDirectory : error;
  }
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      names->push_back(found.cFileName);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return kErrorSuccess;
}

std::uint32_t HostFolderFiles::FreeSpace(const std::string& path, std::uint64_t* freeToCaller,
                                         std::uint64_t* totalBytes) {
  const std::string hostPath = HostPath(path);
  ULARGE_INTEGER available{};
  ULARGE_INTEGER total{};
  if (!GetDiskFreeSpaceExA(hostPath.empty() ? nullptr : hostPath.c_str(), &available, &total,
                           nullptr)) {
    return ::GetLastError();
  }
  std::uint64_t free = available.QuadPart;
  if (freeLimit_) free = std::min(free, *freeLimit_);
  *freeToCaller = free;
  *totalBytes = total.QuadPart;
  return kErrorSuccess;
}

std::uint32_t HostFolderFiles::Identity(const std::string& path, FileId* id) {
  HANDLE handle =
      CreateFileA(HostPath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return ::GetLastError();
  BY_HANDLE_FILE_INFORMATION info{};
  const bool ok = GetFileInformationByHandle(handle, &info) != 0;
  const DWORD error = ok ? 0 : ::GetLastError();
  CloseHandle(handle);
  if (!ok) return error;
  *id = FileId{info.dwVolumeSerialNumber,
               (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  return kErrorSuccess;
}

std::uint32_t HostFolderFiles::ReadFromMedium(const std::string& path, std::uint64_t offset,
                                              void* buffer, std::uint32_t count) {
  return ReadPastCache(HostPath(path), INVALID_HANDLE_VALUE, offset, buffer, count);
}

}  // namespace platform
