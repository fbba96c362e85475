#include "platform/user_files.h"

#include "platform/errors.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>

namespace platform {
namespace {

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home == '/') return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
    return pw->pw_dir;
  }
  return "/tmp";
}

std::string FolderFromEnvironment(const char* variable, const char* fallbackBelowHome) {
  const char* value = std::getenv(variable);
  // The base directory rules ignore relative paths.
  if (value != nullptr && *value == '/') return value;
  return HomeFolder() + fallbackBelowHome;
}

std::string ParentOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::uint32_t WriteAll(int fd, const std::string& content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return ErrorFromErrno(errno);
    }
    done += static_cast<std::size_t>(n);
  }
  return kErrorSuccess;
}

// A real folder (no link) of this user that nobody else may enter.
bool IsPrivateFolder(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & 077) == 0;
}

// Makes the folder (mode 0700) where it is missing; true when what is there
// afterwards is private.
bool MakePrivateFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  return IsPrivateFolder(path);
}

// A fresh private folder in `base`, made once per base for the process.
std::string FreshPrivateFolder(const std::string& base) {
  static std::mutex mutex;
  static std::map<std::string, std::string> made;
  std::lock_guard<std::mutex> lock(mutex);
  const auto it = made.find(base);
  if (it != made.end() && IsPrivateFolder(it->second)) return it->second;
  std::string pattern = base + "/quillfen-" + std::to_string(::geteuid()) + "-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    SetLastError(ErrorFromErrno(errno));
    return {};
  }
  made[base] = pattern;
  return pattern;
}

}  // namespace

std::string UserTemporaryFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime == '/' && IsPrivateFolder(runtime)) {
    const std::string folder = std::string(runtime) + "/quillfen";
    if (MakePrivateFolder(folder)) return folder + "/";
  }
  const char* tmpdir = std::getenv("TMPDIR");
  std::string base = (tmpdir != nullptr && *tmpdir == '/') ? tmpdir : "/tmp";
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  const std::string folder = base + "/quillfen-" + std::to_string(::geteuid());
  if (MakePrivateFolder(folder)) return folder + "/";
  const std::string fresh = FreshPrivateFolder(base);
  return fresh.empty() ? std::string() : fresh + "/";
}

std::string UserConfigFolder() {
  return FolderFromEnvironment("XDG_CONFIG_HOME", "/.config");
}

std::string UserDataFolder() {
  return FolderFromEnvironment("XDG_DATA_HOME", "/.local/share");
}

std::uint32_t CreateFolders(const std::string& path) {
  if (path.empty()) return kErrorSuccess;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0)
    return S_ISDIR(st.st_mode) ? kErrorSuccess : kErrorPathNotFound;
  const std::uint32_t parent = CreateFolders(ParentOf(path));
  if (parent != kErrorSuccess) return parent;
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return ErrorFromErrno(errno);
  return kErrorSuccess;
}

std::uint32_t ReadWholeFile(const std::string& path, std::string* content) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ErrorFromErrno(errno);
  std::string data;
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      const std::uint32_t error = ErrorFromErrno(errno);
      ::close(fd);
      return error;
    }
    if (n == 0) break;
    data.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  if (content != nullptr) *content = std::move(data);
  return kErrorSuccess;
}

std::uint32_t WriteFileAtomically(const std::string& path, const std::string& content) {
  const std::uint32_t folders = CreateFolders(ParentOf(path));
  if (folders != kErrorSuccess) return folders;
  std::string temporary = path + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return ErrorFromErrno(errno);
  // The new file keeps the old one's permissions; a new file is readable by all.
  struct stat old {};
  const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  std::uint32_t error = ::fchmod(fd, mode) == 0 ? kErrorSuccess : ErrorFromErrno(errno);
  if (error == kErrorSuccess) error = WriteAll(fd, content);
  if (error == kErrorSuccess && ::fsync(fd) != 0) error = ErrorFromErrno(errno);
  if (::close(fd) != 0 && error == kErrorSuccess) error = ErrorFromErrno(errno);
  if (error == kErrorSuccess && ::rename(temporary.c_str(), path.c_str()) != 0) {
    error = ErrorFromErrno(errno);
  }
  if (error != kErrorSuccess) ::unlink(temporary.c_str());
  return error;
}

}  // namespace platform
