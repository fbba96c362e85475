#include "imdisk_linux/fatfs_mapping.h"

#include <cerrno>
#include <cstring>

#include "fat/dir_entry.h"

namespace fatfs {

int ErrnoFromFat(fat::Error error) {
  switch (error) {
    case fat::Error::kOk:
      return 0;
    case fat::Error::kNotFound:
    case fat::Error::kPathNotFound:
      return ENOENT;
    case fat::Error::kExists:
      return EEXIST;
    case fat::Error::kNotEmpty:
      return ENOTEMPTY;
    case fat::Error::kIsDirectory:
      return EISDIR;
    case fat::Error::kNotDirectory:
      return ENOTDIR;
    case fat::Error::kDiskFull:
      return ENOSPC;
    case fat::Error::kInvalidName:
    case fat::Error::kInvalidArgument:
      return EINVAL;
    case fat::Error::kReadOnly:
      return EROFS;
    case fat::Error::kAccessDenied:
      return EACCES;
    case fat::Error::kTooLarge:
      return EFBIG;
    case fat::Error::kBusy:
      return EBUSY;
    case fat::Error::kIo:
    case fat::Error::kOutOfRange:
    case fat::Error::kNotFat:
    case fat::Error::kCorrupt:
      return EIO;
  }
  return EIO;
}

mode_t ModeFromAttributes(std::uint8_t attributes) {
  const bool readOnly = (attributes & fat::attr::kReadOnly) != 0;
  if (attributes & fat::attr::kDirectory) return S_IFDIR | (readOnly ? 0555 : 0755);
  return S_IFREG | (readOnly ? 0444 : 0644);
}

std::uint8_t AttributesWithMode(std::uint8_t attributes, mode_t mode) {
  if (mode & S_IWUSR) return static_cast<std::uint8_t>(attributes & ~fat::attr::kReadOnly);
  return static_cast<std::uint8_t>(attributes | fat::attr::kReadOnly);
}

std::time_t TimeFromLocal(const platform::LocalTime& time) {
  std::tm parts{};
  parts.tm_year = time.year - 1900;
  parts.tm_mon = time.month - 1;
  parts.tm_mday = time.day;
  parts.tm_hour = time.hour;
  parts.tm_min = time.minute;
  parts.tm_sec = time.second;
  parts.tm_isdst = -1;  // whatever holds at that date where the user is
  return std::mktime(&parts);
}

void FillStat(const fat::DirEntryInfo& info, std::uint32_t clusterBytes, uid_t owner, gid_t group,
              struct stat* st) {
  std::memset(st, 0, sizeof *st);
  st->st_mode = ModeFromAttributes(info.attributes);
  st->st_nlink = info.isDirectory() ? 2 : 1;
  st->st_uid = owner;
  st->st_gid = group;
  st->st_size = info.isDirectory() ? 0 : static_cast<off_t>(info.size);
  st->st_blksize = static_cast<blksize_t>(clusterBytes);
  // What the file takes on the volume: whole clusters, in 512-byte units.
  const std::uint64_t clusters = (static_cast<std::uint64_t>(info.size) + clusterBytes - 1) /
                                 (clusterBytes != 0 ? clusterBytes : 1);
  st->st_blocks = static_cast<blkcnt_t>(clusters * clusterBytes / 512);
  st->st_mtime = TimeFromLocal(info.modified);
  st->st_ctime = st->st_mtime;
  st->st_atime = TimeFromLocal(info.accessed);
}

std::string ParentPath(const std::string& path) {
  std::string parent = path;
  while (parent.size() > 1 && parent.back() == '/') parent.pop_back();
  const std::size_t slash = parent.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return parent.substr(0, slash);
}

int ReplaceCheck(bool sourceIsFolder, bool targetIsFolder, bool targetIsEmpty) {
  if (sourceIsFolder && !targetIsFolder) return ENOTDIR;
  if (!sourceIsFolder && targetIsFolder) return EISDIR;
  if (targetIsFolder && !targetIsEmpty) return ENOTEMPTY;
  return 0;
}

}  // namespace fatfs
