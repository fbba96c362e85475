#include "platform/path_resolver.h"

#include <cctype>
#include <vector>

#include "platform/errors.h"
#include "platform/host/host_folder_files.h"

namespace platform {

bool IsDrivePath(const std::string& path) {
  return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         (path.size() == 2 || path[2] == '\\' || path[2] == '/');
}

IVolumeFiles& HostFiles() {
  static HostFolderFiles host("");
  return host;
}

bool ResolvePath(const std::string& path, ResolvedPath* out) {
  *out = ResolvedPath{};
  if (!IsDrivePath(path)) {
    out->files = &HostFiles();
    out->relative = path;
    return true;
  }
  out->drive = FindDrive(path[0]);
  if (!out->drive) {
    SetLastError(kErrorPathNotFound);
    return false;
  }
  out->files = out->drive->Files();
  if (out->files == nullptr) {
    if (GetLastError() == kErrorSuccess) SetLastError(kErrorNotReady);
    return false;
  }
  // Below the root: separators become backslashes, repeated ones collapse,
  // "." and ".." are taken away as Windows does. The root has no parent, so
  // a drive bound to a host folder never reaches outside it.
  std::vector<std::string> parts;
  std::string part;
  for (std::size_t i = 2; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '\\' && path[i] != '/') {
      part.push_back(path[i]);
      continue;
    }
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    part.clear();
  }
  std::string relative;
  for (const std::string& p : parts) {
    if (!relative.empty()) relative.push_back('\\');
    relative += p;
  }
  out->relative = relative;
  return true;
}

}  // namespace platform
