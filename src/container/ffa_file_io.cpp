#include <cstring>
#include <limits>

#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "platform/errors.h"
#include "platform/files.h"

using platform::Disposition;

bool FfaReadMainHeader(const std::string& path, std::uint8_t* header) {
  platform::File file =
      platform::OpenFile(path, platform::kGenericRead, Disposition::kOpenExisting);
  std::uint8_t bytes[kMainHeaderSize];
  if (!file.IsOpen() || !file.ReadExact(bytes, kMainHeaderSize)) return false;
  if (std::memcmp(bytes, kContainerSignature, kContainerSignatureLength) != 0) return false;
  std::memcpy(header, bytes, kMainHeaderSize);
  return true;
}

int FfaCheckMainHeader(const std::string& path, std::uint8_t* header) {
  if (FfaReadMainHeader(path, header)) return FFA_OK;
  return platform::GetLastError() == platform::kErrorSharingViolation ? FFA_ERR_OPEN
                                                                      : FFA_ERR_NO_SIGNATURE;
}

int FfaSetProtection(const std::string& path, bool protect) {
  if (!platform::PathExists(path)) return FFA_ERR_NOT_FOUND;
  const std::uint32_t attributes = protect
                                       ? platform::kAttributeReadOnly | platform::kAttributeSystem
                                       : platform::kAttributeNormal;
  return platform::SetAttributes(path, attributes) ? FFA_OK : FFA_ERR_SET_ATTRIBUTES;
}

int FfaFlushCard(const std::string& path) {
  return platform::FlushVolume(path.substr(0, 3)) ? FFA_OK : FFA_ERR_WRITE;
}

bool FfaWriteFile(const std::string& path, const ByteBuffer& bytes) {
  platform::File file =
      platform::OpenFile(path, platform::kGenericWrite, Disposition::kCreateAlways);
  if (!file.IsOpen()) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const auto piece =
        static_cast<std::uint32_t>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    if (!file.WriteExact(bytes.data() + done, piece)) return false;
    done += piece;
  }
  return file.Close();
}

bool FfaReadFile(const std::string& path, ByteBuffer& bytes, std::uint64_t maxBytes) {
  // The open refuses anything that is not a file, so the length from the
  // end is the file's own.
  platform::File file =
      platform::OpenFile(path, platform::kGenericRead, Disposition::kOpenExisting);
  std::uint64_t length = 0;
  if (!file.IsOpen() || !file.Seek(0, platform::SeekOrigin::kEnd, &length) ||
      !file.Seek(0, platform::SeekOrigin::kBegin)) {
    return false;
  }
  if (length > maxBytes || length > std::numeric_limits<std::uint32_t>::max()) {
    platform::SetLastError(platform::kErrorFileTooLarge);
    return false;
  }
  bytes.resize(length);
  return length == 0 || file.ReadExact(bytes.data(), static_cast<std::uint32_t>(length));
}

namespace {
std::string DriveRoot(char drive) {
  return std::string(1, drive) + ":\\";
}
}  // namespace

std::optional<std::uint64_t> FfaGetDriveTotalBytes(char drive) {
  std::uint64_t freeBytes = 0;
  std::uint64_t total = 0;
  if (!platform::GetDiskFreeSpace(DriveRoot(drive), &freeBytes, &total)) return std::nullopt;
  return total;
}

std::optional<std::uint64_t> FfaGetDriveFreeBytes(char drive) {
  std::uint64_t freeBytes = 0;
  std::uint64_t total = 0;
  if (!platform::GetDiskFreeSpace(DriveRoot(drive), &freeBytes, &total)) return std::nullopt;
  return freeBytes;
}

unsigned FfaGetMaxImageCount(char drive, std::uint64_t reserve) {
  const std::uint64_t freeBytes = FfaGetDriveFreeBytes(drive).value_or(0);
  if (freeBytes <= reserve) return 0;
  std::uint64_t count = (freeBytes - reserve) / kContainerBlockSize;
  if (count > 0) --count;  // the main header block
  return static_cast<unsigned>(std::min<std::uint64_t>(count, kMaxImageCount));
}
