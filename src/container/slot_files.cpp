#include "container/slot_files.h"

#include <memory>

#include "container/ffa_store.h"
#include "driveaccess/dda_error_codes.h"
#include "platform/errors.h"
#include "platform/fat_error_codes.h"
#include "platform/files.h"

namespace {
int EngineFailure(const fat::Status& status, std::string& detail) {
  detail = status.message;
  return static_cast<int>(platform::ToSystemError(status.error));
}

// The slot's image in `device`, mounted read only.
int MountSlot(const SlotTarget& target, std::unique_ptr<fat::MemorySectorDevice>& device,
              std::unique_ptr<fat::Volume>& volume, std::string& detail, ICardUser& user) {
  ByteBuffer image;
  if (const int rc = CardReadSlot(target, image, false, user)) return rc;
  device = std::make_unique<fat::MemorySectorDevice>(std::move(image));
  fat::Status status;
  volume = fat::Volume::Mount(*device, false, &status);
  return volume ? 0 : EngineFailure(status, detail);
}
}  // namespace

int CardListSlotFolder(const SlotTarget& target, const std::string& path,
                       std::vector<fat::DirEntryInfo>& entries, std::string& detail,
                       ICardUser& user) {
  std::unique_ptr<fat::MemorySectorDevice> device;
  std::unique_ptr<fat::Volume> volume;
  if (const int rc = MountSlot(target, device, volume, detail, user)) return rc;
  const fat::Status status = volume->ListDirectory(path, &entries);
  return status.ok() ? 0 : EngineFailure(status, detail);
}

int CardCopyFileOutOfSlot(const SlotTarget& target, const std::string& path,
                          const std::string& file, std::string& detail, ICardUser& user) {
  std::unique_ptr<fat::MemorySectorDevice> device;
  std::unique_ptr<fat::Volume> volume;
  if (const int rc = MountSlot(target, device, volume, detail, user)) return rc;
  fat::Status status;
  const std::unique_ptr<fat::File> source = volume->OpenFile(path, false, &status);
  if (!source) return EngineFailure(status, detail);
  // A floppy's file is small: the whole of it is read before the host file
  // is touched, so that a broken chain leaves no file behind.
  ByteBuffer bytes(source->Size());
  std::size_t done = 0;
  status = source->ReadAt(0, bytes.data(), bytes.size(), &done);
  if (!status.ok()) return EngineFailure(status, detail);
  if (done != bytes.size()) {
    detail = "the file ends before its size";
    return static_cast<int>(platform::kErrorDiskCorrupt);
  }
  if (!FfaWriteFile(file, bytes)) {
    (void)platform::RemoveFile(file);
    return DDA_ERR_OPEN_FILE;
  }
  return 0;
}
