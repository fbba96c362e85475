#include "platform/errors.h"

#include <cerrno>
#include <cstdio>

namespace platform {
namespace {
thread_local std::uint32_t t_lastError = kErrorSuccess;

struct ErrorText {
  std::uint32_t code;
  const char* text;
};

// Texts as the Windows system message table words them.
constexpr ErrorText kTexts[] = {
    {kErrorSuccess, "The operation completed successfully."},
    {kErrorInvalidFunction, "Incorrect function."},
    {kErrorFileNotFound, "The system cannot find the file specified."},
    {kErrorPathNotFound, "The system cannot find the path specified."},
    {kErrorTooManyOpenFiles, "The system cannot open the file."},
    {kErrorAccessDenied, "Access is denied."},
    {kErrorInvalidHandle, "The handle is invalid."},
    {kErrorNotEnoughMemory, "Not enough memory resources are available to process this command."},
    {kErrorBadFormat, "An attempt was made to load a program with an incorrect format."},
    {kErrorInvalidData, "The data is invalid."},
    {kErrorInvalidDrive, "The system cannot find the drive specified."},
    {kErrorNoMoreFiles, "There are no more files."},
    {kErrorWriteProtect, "The media is write protected."},
    {kErrorNotReady, "The device is not ready."},
    {kErrorCrc, "Data error (cyclic redundancy check)."},
    {kErrorSectorNotFound, "The drive cannot find the sector requested."},
    {kErrorWriteFault, "The system cannot write to the specified device."},
    {kErrorReadFault, "The system cannot read from the specified device."},
    {kErrorGenFailure, "A device attached to the system is not functioning."},
    {kErrorSharingViolation,
     "The process cannot access the file because it is being used by another process."},
    {kErrorLockViolation,
     "The process cannot access the file because another process has locked a portion of the "
     "file."},
    {kErrorHandleEof, "Reached the end of the file."},
    {kErrorHandleDiskFull, "The disk is full."},
    {kErrorNotSupported, "The request is not supported."},
    {kErrorFileExists, "The file exists."},
    {kErrorInvalidParameter, "The parameter is incorrect."},
    {kErrorBrokenPipe, "The pipe has been ended."},
    {kErrorDiskFull, "There is not enough space on the disk."},
    {kErrorCallNotImplemented, "This function is not supported on this system."},
    {kErrorInsufficientBuffer, "The data area passed to a system call is too small."},
    {kErrorInvalidName, "The filename, directory name, or volume label syntax is incorrect."},
    {kErrorModNotFound, "The specified module could not be found."},
    {kErrorProcNotFound, "The specified procedure could not be found."},
    {kErrorNegativeSeek,
     "An attempt was made to move the file pointer before the beginning of the file."},
    {kErrorDirNotEmpty, "The directory is not empty."},
    {kErrorBusy, "The requested resource is in use."},
    {kErrorAlreadyExists, "Cannot create a file when that file already exists."},
    {kErrorFilenameExcedRange, "The filename or extension is too long."},
    {kErrorBadFileType, "The file type being saved or retrieved has been blocked."},
    {kErrorFileTooLarge, "The file size exceeds the limit allowed and cannot be saved."},
    {kErrorMoreData, "More data is available."},
    {kErrorDirectory, "The directory name is invalid."},
    {kErrorFileSystemLimitation,
     "The requested operation could not be completed due to a file system limitation."},
    {kErrorNoMediaInDrive, "There is no media in the drive."},
    {kErrorNoUnicodeTranslation,
     "No mapping for the Unicode character exists in the target multi-byte code page."},
    {kErrorIoDevice, "The request could not be performed because of an I/O device error."},
    {kErrorDeviceNotConnected, "The device is not connected."},
    {kErrorNotFound, "Element not found."},
    {kErrorCancelled, "The operation was canceled by the user."},
    {kErrorFileCorrupt, "The file or directory is corrupted and unreadable."},
    {kErrorDiskCorrupt, "The disk structure is corrupted and unreadable."},
    {kErrorUnrecognizedMedia, "The disk media is not recognized. It may not be formatted."},
};
}  // namespace

std::uint32_t GetLastError() {
  return t_lastError;
}

void SetLastError(std::uint32_t code) {
  t_lastError = code;
}

std::string SystemErrorText(std::uint32_t code) {
  for (const ErrorText& entry : kTexts) {
    if (entry.code == code) return entry.text;
  }
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "System error %u.", code);
  return buffer;
}

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
    case ENOMEDIUM:
      return kErrorNoMediaInDrive;
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
