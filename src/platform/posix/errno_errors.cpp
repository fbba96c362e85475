// The POSIX backend's errno values in the platform layer's numbering.
#include <cerrno>

#include "platform/errors.h"

namespace platform {

std::uint32_t ErrorFromErrno(int err) {
  switch (err) {
    case 0:
      return kErrorSuccess;
    case ENOENT:
      return kErrorFileNotFound;
    case ENOTDIR:
      return kErrorPathNotFound;
    case EACCES:
    case EPERM:
      return kErrorAccessDenied;
    case EROFS:
      return kErrorWriteProtect;
    case EEXIST:
      return kErrorAlreadyExists;
    case ENOSPC:
    case EDQUOT:
      return kErrorDiskFull;
    case EBADF:
      return kErrorInvalidHandle;
    case ENOMEM:
      return kErrorNotEnoughMemory;
    case EINVAL:
      return kErrorInvalidParameter;
    case EMFILE:
    case ENFILE:
      return kErrorTooManyOpenFiles;
    case ENOTEMPTY:
      return kErrorDirNotEmpty;
    case EISDIR:
      return kErrorAccessDenied;
    case EBUSY:
      return kErrorBusy;
    case EWOULDBLOCK:
      return kErrorSharingViolation;
    case ENAMETOOLONG:
      return kErrorFilenameExcedRange;
#ifdef ENOMEDIUM  // Linux's; other POSIX systems have no such errno
    case ENOMEDIUM:
      return kErrorNoMediaInDrive;
#endif
    case ENXIO:
    case ENODEV:
      return kErrorDeviceNotConnected;
    case EIO:
      return kErrorIoDevice;
    case EFBIG:
      return kErrorDiskFull;
    case ENOTSUP:
      return kErrorNotSupported;
    case ENOSYS:
      return kErrorCallNotImplemented;
    default:
      return kErrorGenFailure;
  }
}

}  // namespace platform
