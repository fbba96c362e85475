#include "platform/image/fat_volume_files.h"

#include <algorithm>
#include <cctype>

#include "platform/errors.h"
#include "platform/fat_error_codes.h"

namespace platform {
namespace {
std::uint32_t Code(const fat::Status& status) {
  return ToSystemError(status.error);
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// An open file of the volume; the volume's lock serialises the engine.
class FatFile : public IFile {
 public:
  FatFile(std::shared_ptr<FatVolumeFiles> owner, std::unique_ptr<fat::File> file, std::string key)
      : owner_(std::move(owner)), file_(std::move(file)), key_(std::move(key)) {}
  ~FatFile() override { Close(); }

  std::uint32_t Read(void* buffer, std::uint32_t count, std::uint32_t* done) override {
    std::lock_guard<std::mutex> lock(owner_->mutex());
    std::size_t n = 0;
    const fat::Status status = file_->Read(buffer, count, &n);
    *done = static_cast<std::uint32_t>(n);
    return Code(status);
  }
  std::uint32_t Write(const void* buffer, std::uint32_t count, std::uint32_t* done) override {
    std::lock_guard<std::mutex> lock(owner_->mutex());
    std::size_t n = 0;
    const fat::Status status = file_->Write(buffer, count, &n);
    *done = static_cast<std::uint32_t>(n);
    return Code(status);
  }
  std::uint32_t Seek(std::int64_t distance, SeekOrigin origin, std::uint64_t* position) override {
    std::lock_guard<std::mutex> lock(owner_->mutex());
    const std::int64_t base = origin == SeekOrigin::kBegin ? 0
                              : origin == SeekOrigin::kCurrent
                                  ? static_cast<std::int64_t>(file_->Position())
                                  : static_cast<std::int64_t>(file_->Size());
    if (base + distance < 0) return kErrorNegativeSeek;
    const fat::Status status = file_->Seek(static_cast<std::uint64_t>(base + distance));
    *position = file_->Position();
    return Code(status);
  }
  std::uint32_t SetLength(std::uint64_t length) override {
    std::lock_guard<std::mutex> lock(owner_->mutex());
    return Code(file_->SetLength(length));
  }
  std::uint32_t Flush() override {
    std::lock_guard<std::mutex> lock(owner_->mutex());
    // The file's data, its entry and the volume's tables are on the medium
    // when this returns.
    return Code(owner_->volume().Flush());
  }
  std::uint32_t Close() override {
    if (!file_) return kErrorSuccess;
    std::uint32_t code;
    {
      // The FAT and the entry are written; waiting for the medium is left to
      // Flush and FlushVolume, as a handle's close does not wait either.
      std::lock_guard<std::mutex> lock(owner_->mutex());
      code = Code(file_->Close());
      file_.reset();
    }
    owner_->Release(key_);
    return code;
  }

 private:
  std::shared_ptr<FatVolumeFiles> owner_;
  std::unique_ptr<fat::File> file_;
  std::string key_;
};
}  // namespace

FatVolumeFiles::FatVolumeFiles(std::unique_ptr<fat::ISectorDevice> device,
                               std::unique_ptr<fat::Volume> volume, bool writeProtected)
    : device_(std::move(device)), volume_(std::move(volume)), writeProtected_(writeProtected) {}

FatVolumeFiles::~FatVolumeFiles() {
  // A card detached holds what was written to it (a wait only when something
  // was written since the last one).
  volume_->Flush();
  volume_.reset();
}

void FatVolumeFiles::WriteOut() {
  std::lock_guard<std::mutex> lock(mutex_);
  volume_->WriteOut();
}

std::uint32_t FatVolumeFiles::Writable() const {
  return (writeProtected_ || !volume_->writable()) ? kErrorWriteProtect : kErrorSuccess;
}

std::string FatVolumeFiles::KeyOf(const std::string& path) {
  std::string key;
  std::string prefix;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find_first_of("\\/", start), path.size());
    if (end > start) {
      prefix += (prefix.empty() ? "" : "\\") + path.substr(start, end - start);
      fat::DirEntryInfo info;
      const bool known = volume_->Stat(prefix, &info).ok();
      key += "\\" + Upper(known ? info.longName : path.substr(start, end - start));
    }
    start = end + 1;
  }
  return key;
}

void FatVolumeFiles::Release(const std::string& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  open_.erase(key);
}

std::uint32_t FatVolumeFiles::Open(const std::string& path, const OpenRequest& request,
                                   std::unique_ptr<IFile>* file) {
  std::lock_guard<std::mutex> lock(mutex_);
  const bool writing = (request.access & kGenericWrite) != 0;
  fat::DirEntryInfo info;
  const fat::Status found = volume_->Stat(path, &info);
  const bool exists = found.ok();
  if (!exists && found.error != fat::Error::kNotFound) return Code(found);
  if (exists && info.isDirectory()) return kErrorAccessDenied;

  const Disposition d = request.disposition;
  if (exists && d == Disposition::kCreateNew) return kErrorFileExists;
  if (!exists && (d == Disposition::kOpenExisting || d == Disposition::kTruncateExisting)) {
    return kErrorFileNotFound;
  }
  const bool truncate =
      exists && (d == Disposition::kCreateAlways || d == Disposition::kTruncateExisting);
  if ((writing || truncate || !exists) && Writable() != kErrorSuccess) return Writable();

  const std::string key = KeyOf(path);
  if (open_.count(key) != 0) return kErrorSharingViolation;

  fat::Status status;
  std::unique_ptr<fat::File> opened = exists ? volume_->OpenFile(path, writing || truncate, &status)
                                             : volume_->CreateFile(path, 0, &status);
  if (!opened) return Code(status);
  if (truncate && !(status = opened->SetLength(0)).ok()) return Code(status);
  const std::string finalKey = exists ? key : KeyOf(path);
  open_.insert(finalKey);
  *file = std::make_unique<FatFile>(shared_from_this(), std::move(opened), finalKey);
  return kErrorSuccess;
}

std::uint32_t FatVolumeFiles::GetAttributes(const std::string& path, std::uint32_t* attributes) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (path.empty()) {
    *attributes = kAttributeDirectory;
    return kErrorSuccess;
  }
  std::uint8_t raw = 0;
  const fat::Status status = volume_->GetAttributes(path, &raw);
  if (!status.ok()) return Code(status);
  *attributes = raw == 0 ? kAttributeNormal : raw;
  return kErrorSuccess;
}

std::uint32_t FatVolumeFiles::SetAttributes(const std::string& path, std::uint32_t attributes) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (const std::uint32_t code = Writable()) return code;
  if (attributes & kAttributeNormal) attributes = 0;
  const auto raw = static_cast<std::uint8_t>(
      attributes & (kAttributeReadOnly | kAttributeHidden | kAttributeSystem | kAttributeArchive));
  return Code(volume_->SetAttributes(path, raw));
}

std::uint32_t FatVolumeFiles::DeleteFile(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::uint8_t raw = 0;
  const fat::Status found = volume_->GetAttributes(path, &raw);
  if (!found.ok()) return Code(found);
  if (raw & (fat::attr::kDirectory | fat::attr::kReadOnly)) return kErrorAccessDenied;
  if (const std::uint32_t code = Writable()) return code;
  if (open_.count(KeyOf(path)) != 0) return kErrorSharingViolation;
  return Code(volume_->DeleteFile(path));
}

std::uint32_t FatVolumeFiles::CreateDirectory(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (const std::uint32_t code = Writable()) return code;
  const fat::Status status = volume_->CreateDirectory(path);
  if (status.error == fat::Error::kExists) return kErrorAlreadyExists;
  return Code(status);
}

std::uint32_t FatVolumeFiles::RemoveDirectory(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::uint8_t raw = 0;
  const fat::Status found = volume_->GetAttributes(path, &raw);
  if (!found.ok()) return Code(found);
  if (raw & fat::attr::kReadOnly) return kErrorAccessDenied;
  if (const std::uint32_t code = Writable()) return code;
  return Code(volume_->RemoveDirectory(path));
}

std::uint32_t FatVolumeFiles::ListFiles(const std::string& path, std::vector<std::string>* names) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<fat::DirEntryInfo> entries;
  if (const fat::Status listed = volume_->ListDirectory(path, &entries); !listed.ok()) {
    return Code(listed);
  }
  for (const fat::DirEntryInfo& entry : entries) {
    if (!entry.isDirectory()) names->push_back(entry.longName);
  }
  return kErrorSuccess;
}

std::uint32_t FatVolumeFiles::FreeSpace(const std::string&, std::uint64_t* freeToCaller,
                                        std::uint64_t* totalBytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  // Exact: the callers decide from it whether a container fits. The count
  // takes one pass over the FAT per mount.
  *freeToCaller = volume_->FreeBytes();
  *totalBytes = volume_->TotalBytes();
  return kErrorSuccess;
}

std::uint32_t FatVolumeFiles::FlushVolume() {
  std::lock_guard<std::mutex> lock(mutex_);
  // The end of an operation on the card: it may be pulled once this returns.
  return Code(volume_->Flush());
}

std::uint32_t FatVolumeFiles::ClusterRuns(const std::string& path, std::vector<ClusterRun>* runs) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<fat::ClusterRun> found;
  const fat::Status status = volume_->ClusterRuns(path, &found);
  if (!status.ok()) return Code(status);
  runs->clear();
  for (const fat::ClusterRun& run : found) {
    runs->push_back({run.virtualCluster, run.logicalCluster, run.length});
  }
  return kErrorSuccess;
}

std::uint32_t FatVolumeFiles::ReadFromMedium(const std::string& path, std::uint64_t offset,
                                             void* buffer, std::uint32_t count) {
  std::lock_guard<std::mutex> lock(mutex_);
  const fat::Status status = volume_->ReadFromMedium(path, offset, buffer, count);
  return status.error == fat::Error::kOutOfRange ? kErrorHandleEof : Code(status);
}

std::uint32_t FatVolumeFiles::ClusterSize(std::uint32_t* sectorsPerCluster,
                                          std::uint32_t* bytesPerSector) {
  *sectorsPerCluster = volume_->geometry().sectorsPerCluster;
  *bytesPerSector = volume_->geometry().bytesPerSector;
  return kErrorSuccess;
}

}  // namespace platform
