// System error codes of the platform layer.
//
// A failing platform call leaves a positive code that callers read with
// GetLastError(), as on Windows. Codes use the Windows numbering on every
// platform; each backend maps its native errors to them.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

inline constexpr std::uint32_t kErrorSuccess = 0;
inline constexpr std::uint32_t kErrorInvalidFunction = 1;
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorPathNotFound = 3;
inline constexpr std::uint32_t kErrorTooManyOpenFiles = 4;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidHandle = 6;
inline constexpr std::uint32_t kErrorNotEnoughMemory = 8;
inline constexpr std::uint32_t kErrorInvalidData = 13;
inline constexpr std::uint32_t kErrorInvalidDrive = 15;
inline constexpr std::uint32_t kErrorNoMoreFiles = 18;
inline constexpr std::uint32_t kErrorWriteProtect = 19;
inline constexpr std::uint32_t kErrorNotReady = 21;
inline constexpr std::uint32_t kErrorCrc = 23;
inline constexpr std::uint32_t kErrorSectorNotFound = 27;
inline constexpr std::uint32_t kErrorWriteFault = 29;
inline constexpr std::uint32_t kErrorReadFault = 30;
inline constexpr std::uint32_t kErrorGenFailure = 31;
inline constexpr std::uint32_t kErrorSharingViolation = 32;
inline constexpr std::uint32_t kErrorLockViolation = 33;
inline constexpr std::uint32_t kErrorHandleEof = 38;
inline constexpr std::uint32_t kErrorHandleDiskFull = 39;
inline constexpr std::uint32_t kErrorNotSupported = 50;
inline constexpr std::uint32_t kErrorFileExists = 80;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorBrokenPipe = 109;
inline constexpr std::uint32_t kErrorDiskFull = 112;
inline constexpr std::uint32_t kErrorCallNotImplemented = 120;
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;
inline constexpr std::uint32_t kErrorInvalidName = 123;
inline constexpr std::uint32_t kErrorModNotFound = 126;
inline constexpr std::uint32_t kErrorProcNotFound = 127;
inline constexpr std::uint32_t kErrorNegativeSeek = 131;
inline constexpr std::uint32_t kErrorDirNotEmpty = 145;
inline constexpr std::uint32_t kErrorBusy = 170;
inline constexpr std::uint32_t kErrorAlreadyExists = 183;
inline constexpr std::uint32_t kErrorFilenameExcedRange = 206;
// Opening a device, a pipe or a socket as a file.
inline constexpr std::uint32_t kErrorBadFileType = 222;
inline constexpr std::uint32_t kErrorFileTooLarge = 223;
inline constexpr std::uint32_t kErrorMoreData = 234;
inline constexpr std::uint32_t kErrorDirectory = 267;
inline constexpr std::uint32_t kErrorFileCorrupt = 1392;
inline constexpr std::uint32_t kErrorDiskCorrupt = 1393;
inline constexpr std::uint32_t kErrorUnrecognizedMedia = 1785;
inline constexpr std::uint32_t kErrorBadFormat = 11;
inline constexpr std::uint32_t kErrorNoMediaInDrive = 1112;
// A character without a byte in the single-byte code page of the target.
inline constexpr std::uint32_t kErrorNoUnicodeTranslation = 1113;
inline constexpr std::uint32_t kErrorIoDevice = 1117;
inline constexpr std::uint32_t kErrorDeviceNotConnected = 1167;
inline constexpr std::uint32_t kErrorNotFound = 1168;
inline constexpr std::uint32_t kErrorCancelled = 1223;
inline constexpr std::uint32_t kErrorFileSystemLimitation = 665;
// Ours (the customer bit): another program has the card's volume mounted, so
// writing around its file system would corrupt the card. Its text names the
// folder given to NoteMountedElsewhere.
inline constexpr std::uint32_t kErrorMountedElsewhere = 0x20000001;

// The calling thread's last error, like GetLastError()/SetLastError().
std::uint32_t GetLastError();
void SetLastError(std::uint32_t code);

// The system's message for a code, as the system message table gives it, in
// the current language (English or German; ends without a line break).
// Unknown codes get a generic text. On Windows the system's own message
// table answers first.
std::string SystemErrorText(std::uint32_t code);
// The message table kept here, for systems that have none.
std::string StandardErrorText(std::uint32_t code);

// The mount folder that kErrorMountedElsewhere's text names, for the
// process: the check that refuses a write records it.
void NoteMountedElsewhere(const std::string& folder);

// Maps a POSIX errno value to the nearest Windows-numbered code (the POSIX
// backend's; its callers are POSIX code).
std::uint32_t ErrorFromErrno(int err);

}  // namespace platform
