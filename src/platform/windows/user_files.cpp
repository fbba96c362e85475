#include "platform/user_files.h"

#include <cstdlib>

#include "platform/errors.h"
#include "platform/windows/win32.h"

#include <shlobj.h>

namespace platform {
namespace {

std::string KnownFolder(int id, const char* variable) {
  char path[MAX_PATH];
  if (SUCCEEDED(SHGetFolderPathA(nullptr, id | CSIDL_FLAG_CREATE, nullptr, 0, path))) return path;
  const char* value = std::getenv(variable);
  return value != nullptr ? value : "";
}

std::string ParentOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

// The roaming application data (%APPDATA%): settings and data go together
// there on Windows, as the system's own programs keep them.
std::string UserConfigFolder() {
  return KnownFolder(CSIDL_APPDATA, "APPDATA");
}

std::string UserDataFolder() {
  return KnownFolder(CSIDL_APPDATA, "APPDATA");
}

// The user's own temporary folder (GetTempPathA gives %TEMP%, which lies in
// the user's profile and only the user may enter), with "quillfen\" below it.
std::string UserTemporaryFolder() {
  char path[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof path, path);
  if (length == 0 || length > MAX_PATH) {
    SetLastError(length == 0 ? ::GetLastError() : kErrorFilenameExcedRange);
    return {};
  }
  std::string folder = std::string(path, length);
  if (folder.back() != '\\' && folder.back() != '/') folder.push_back('\\');
  folder += "quillfen";
  if (!CreateDirectoryA(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
    SetLastError(::GetLastError());
    return {};
  }
  return folder + "\\";
}

std::uint32_t CreateFolders(const std::string& path) {
  if (path.empty()) return kErrorSuccess;
  const DWORD found = GetFileAttributesA(path.c_str());
  if (found != INVALID_FILE_ATTRIBUTES) {
    return (found & FILE_ATTRIBUTE_DIRECTORY) != 0 ? kErrorSuccess : kErrorAlreadyExists;
  }
  const std::string parent = ParentOf(path);
  // "C:" and "\\server\share" are roots: they exist or they do not.
  if (!parent.empty() && parent.size() > 2) {
    if (const std::uint32_t code = CreateFolders(parent)) return code;
  }
  if (CreateDirectoryA(path.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS) {
    return kErrorSuccess;
  }
  return ::GetLastError();
}

std::uint32_t ReadWholeFile(const std::string& path, std::string* content) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ::GetLastError();
  content->clear();
  char buffer[65536];
  DWORD n = 0;
  std::uint32_t code = kErrorSuccess;
  while (true) {
    if (!ReadFile(file, buffer, sizeof buffer, &n, nullptr)) {
      code = ::GetLastError();
      break;
    }
    if (n == 0) break;
    content->append(buffer, n);
  }
  CloseHandle(file);
  return code;
}

std::uint32_t WriteFileAtomically(const std::string& path, const std::string& content) {
  if (const std::uint32_t code = CreateFolders(ParentOf(path))) return code;
  const std::string temporary = path + ".new";
  HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ::GetLastError();
  DWORD written = 0;
  std::uint32_t code = kErrorSuccess;
  if (!WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) ||
      written != content.size() || !FlushFileBuffers(file)) {
    code = ::GetLastError();
    if (code == kErrorSuccess) code = kErrorDiskFull;
  }
  CloseHandle(file);
  if (code == kErrorSuccess && !MoveFileExA(temporary.c_str(), path.c_str(),
                                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    code = ::GetLastError();
  }
  if (code != kErrorSuccess) DeleteFileA(temporary.c_str());
  return code;
}

}  // namespace platform
