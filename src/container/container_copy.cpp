#include "container/container_copy.h"

#include <cstdio>

#include "base/clock.h"
#include "base/progress_state_callback.h"
#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/user_files.h"

namespace {
constexpr char kHeaderFile[] = "header.blk";
constexpr char kMarkerFile[] = "complete";

std::string SlotFile(const ContainerCopy& copy, unsigned slot) {
  char name[32];
  std::snprintf(name, sizeof name, "slot-%02u.blk", slot + 1);
  return copy.folder + name;
}

// Written, flushed to the host's disk and read back: the copy may become the
// only place the images are.
bool WriteChecked(const std::string& path, const ByteBuffer& bytes) {
  {
    platform::File file =
        platform::OpenFile(path, platform::kGenericWrite, platform::Disposition::kCreateAlways);
    if (!file.IsOpen() ||
        !file.WriteExact(bytes.data(), static_cast<std::uint32_t>(bytes.size())) || !file.Flush() ||
        !file.Close()) {
      return false;
    }
  }
  ByteBuffer back;
  return FfaReadFile(path, back, bytes.size()) && back == bytes;
}

}  // namespace

int ReadContainerHeaderBlock(char drive, ByteBuffer& block) {
  const std::string path = FfaGetContainerPath(drive);
  platform::File file =
      platform::OpenFile(path, platform::kGenericRead, platform::Disposition::kOpenExisting);
  block.assign(kContainerBlockSize, 0);
  if (!file.IsOpen()) return FFA_ERR_OPEN;
  if (!file.ReadExact(block.data(), static_cast<std::uint32_t>(block.size()))) {
    return static_cast<int>(platform::GetLastError());
  }
  return HasContainerSignature(block.data(), block.size()) ? FFA_OK : FFA_ERR_NO_SIGNATURE;
}

namespace {

// A folder of its own for this copy; the user's private folder around it
// keeps others out.
std::string NewCopyFolder(const std::string& parent, char drive) {
  const platform::LocalTime now = platform::GetLocalTime();
  for (int n = 0; n < 100; ++n) {
    char name[64];
    std::snprintf(name, sizeof name, "rebuild-%c-%04u%02u%02u-%02u%02u%02u-%d", drive,
                  unsigned{now.year}, unsigned{now.month}, unsigned{now.day}, unsigned{now.hour},
                  unsigned{now.minute}, unsigned{now.second}, n);
    const std::string folder = parent + name;
    if (platform::PathExists(folder)) continue;
    if (platform::CreateFolders(folder) != platform::kErrorSuccess) return {};
    return folder + "/";
  }
  return {};
}

void FillFromHeader(ContainerCopy& copy, const ByteBuffer& block) {
  copy.header = MainHeader(block.data());
  copy.count = ContainerImageCount(copy.header);
  copy.highDensity = copy.header.IsHighDensity();
  copy.hasFpga = copy.header.FpgaPresent() != 0;
}
}  // namespace

unsigned ContainerImageCount(const MainHeader& header) {
  return header.FpgaPresent() != 0 ? header.SavedImageCount() : header.ImageCount();
}

int CopyContainerToHost(char drive, const std::string& parent, ContainerCopy& copy,
                        IProgressStateCallback* progress) {
  if (FfaContainerExists(drive) != FFA_OK) return FFA_ERR_NOT_FOUND;
  ByteBuffer block;
  if (const int rc = ReadContainerHeaderBlock(drive, block)) return rc;
  FillFromHeader(copy, block);
  if (copy.count < kMinImageCount || copy.count > kMaxImageCount) return FFA_ERR_TOO_MANY_IMAGES;
  if (copy.hasFpga && copy.header.FpgaLength() > kMaxFpgaLength) return FFA_ERR_NO_SIGNATURE;
  copy.folder = NewCopyFolder(parent, drive);
  if (copy.folder.empty()) return FFA_ERR_CREATE;
  if (progress) progress->SetProgressState(0, static_cast<int>(copy.count + 1));

  int result = WriteChecked(copy.folder + kHeaderFile, block) ? FFA_OK : FFA_ERR_WRITE;
  if (result == FFA_OK && copy.hasFpga) {
    const auto* data = block.data() + kFpgaDataOffset;
    const ByteBuffer fpga(data, data + copy.header.FpgaLength());
    if (!WriteChecked(copy.FpgaPath(), fpga)) result = FFA_ERR_WRITE;
  }
  for (unsigned slot = 0; slot < copy.count && result == FFA_OK; ++slot) {
    if (progress) progress->SetProgressState(1, static_cast<int>(slot + 1));
    block.assign(kContainerBlockSize, 0);
    result = FfaReadSlot(drive, slot, block, nullptr);
    if (result == FFA_OK && !WriteChecked(SlotFile(copy, slot), block)) result = FFA_ERR_WRITE;
  }
  if (result == FFA_OK && !WriteChecked(copy.folder + kMarkerFile, ByteBuffer())) {
    result = FFA_ERR_WRITE;
  }
  if (result != FFA_OK) RemoveContainerCopy(copy);
  return result;
}

int OpenContainerCopy(const std::string& folder, ContainerCopy& copy) {
  copy.folder = folder;
  if (!copy.folder.empty() && copy.folder.back() != '/') copy.folder += '/';
  std::uint64_t size = 0;
  ByteBuffer block;
  if (!platform::PathExists(copy.folder + kMarkerFile) ||
      !FfaReadFile(copy.folder + kHeaderFile, block, kContainerBlockSize) ||
      block.size() != kContainerBlockSize || !HasContainerSignature(block.data(), block.size())) {
    return FFA_ERR_NOT_FOUND;
  }
  FillFromHeader(copy, block);
  if (copy.count < kMinImageCount || copy.count > kMaxImageCount) return FFA_ERR_NOT_FOUND;
  if (copy.hasFpga &&
      (!platform::GetFileSize(copy.FpgaPath(), &size) || size != copy.header.FpgaLength())) {
    return FFA_ERR_NOT_FOUND;
  }
  for (unsigned slot = 0; slot < copy.count; ++slot) {
    if (!platform::GetFileSize(SlotFile(copy, slot), &size) || size != kContainerBlockSize) {
      return FFA_ERR_NOT_FOUND;
    }
  }
  return FFA_OK;
}

int ReadCopiedSlot(const ContainerCopy& copy, unsigned slot, ByteBuffer& block) {
  if (!FfaReadFile(SlotFile(copy, slot), block, kContainerBlockSize) ||
      block.size() != kContainerBlockSize) {
    return FFA_ERR_NOT_FOUND;
  }
  return FFA_OK;
}

void RemoveContainerCopy(const ContainerCopy& copy) {
  if (copy.folder.empty()) return;
  // What is not there is no failure; a folder that stays is only clutter.
  (void)platform::RemoveFile(copy.folder + kMarkerFile);
  for (unsigned slot = 0; slot < kMaxImageCount; ++slot) {
    (void)platform::RemoveFile(SlotFile(copy, slot));
  }
  (void)platform::RemoveFile(copy.FpgaPath());
  (void)platform::RemoveFile(copy.folder + kHeaderFile);
  (void)platform::RemoveFolder(copy.folder.substr(0, copy.folder.size() - 1));
}
