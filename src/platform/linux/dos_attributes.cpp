#include "platform/host/dos_attributes.h"

#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>

#include "platform/errors.h"
#include "platform/files.h"

namespace platform {
namespace {
constexpr const char* kXattrName = "user.quillfen.dosattrib";
constexpr std::uint32_t kKeptBits = kAttributeHidden | kAttributeSystem | kAttributeArchive;
constexpr long kMsdosSuperMagic = 0x4d44;

// The vfat attribute ioctl works on an open descriptor of the file or folder.
std::uint32_t VfatAttributes(const std::string& hostPath, bool set, std::uint32_t* value) {
  const int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ErrorFromErrno(errno);
  std::uint32_t raw = *value;
  const int rc = ioctl(fd, set ? FAT_IOCTL_SET_ATTRIBUTES : FAT_IOCTL_GET_ATTRIBUTES, &raw);
  const int err = errno;
  close(fd);
  if (rc != 0) return ErrorFromErrno(err);
  *value = raw;
  return kErrorSuccess;
}
bool CannotKeepAttributes(int err) {
  return err == ENOSYS || err == ENOTSUP || err == EOPNOTSUPP;
}
}  // namespace

bool IsOnVfat(const std::string& hostPath) {
  struct statfs fs {};
  return statfs(hostPath.c_str(), &fs) == 0 && fs.f_type == kMsdosSuperMagic;
}

std::uint32_t ReadDosAttributes(const std::string& hostPath, std::uint32_t* attributes) {
  struct stat st {};
  if (stat(hostPath.c_str(), &st) != 0) return ErrorFromErrno(errno);
  std::uint32_t value = 0;
  if (IsOnVfat(hostPath)) {
    if (const std::uint32_t code = VfatAttributes(hostPath, false, &value)) return code;
    value &= 0x3F;
  } else {
    if ((st.st_mode & S_IWUSR) == 0) value |= kAttributeReadOnly;
    unsigned char kept = 0;
    if (getxattr(hostPath.c_str(), kXattrName, &kept, 1) == 1) value |= kept & kKeptBits;
    if (S_ISDIR(st.st_mode)) value |= kAttributeDirectory;
  }
  *attributes = value == 0 ? kAttributeNormal : value;
  return kErrorSuccess;
}

std::uint32_t WriteDosAttributes(const std::string& hostPath, std::uint32_t attributes) {
  struct stat st {};
  if (stat(hostPath.c_str(), &st) != 0) return ErrorFromErrno(errno);
  if (attributes & kAttributeNormal) attributes = 0;
  if (IsOnVfat(hostPath)) {
    std::uint32_t value = attributes & (kAttributeReadOnly | kKeptBits);
    if (S_ISDIR(st.st_mode)) value |= kAttributeDirectory;
    return VfatAttributes(hostPath, true, &value);
  }
  const mode_t mode = (attributes & kAttributeReadOnly)
                          ? (st.st_mode & ~mode_t{S_IWUSR | S_IWGRP | S_IWOTH})
                          : (st.st_mode | S_IWUSR);
  if ((mode & 07777) != (st.st_mode & 07777) && chmod(hostPath.c_str(), mode & 07777) != 0) {
    // A mount that keeps no permissions at all (fusefat answers ENOSYS)
    // cannot keep DOS attributes either: the work goes on without them.
    if (CannotKeepAttributes(errno)) return kErrorSuccess;
    return ErrorFromErrno(errno);
  }
  const unsigned char kept = static_cast<unsigned char>(attributes & kKeptBits);
  if (kept != 0) {
    // A file system without extended attributes keeps only read-only.
    setxattr(hostPath.c_str(), kXattrName, &kept, 1, 0);
  } else {
    removexattr(hostPath.c_str(), kXattrName);
  }
  return kErrorSuccess;
}

}  // namespace platform
