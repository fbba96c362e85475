#include "platform/image/container_file_drive.h"

#include <algorithm>
#include <cctype>

#include "platform/drive_images.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/path_resolver.h"

namespace platform {
namespace {
bool SameNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

bool Creates(Disposition disposition) {
  return disposition != Disposition::kOpenExisting && disposition != Disposition::kOpenAlways;
}

// A file opened for writing is on the disk when it closes, as a card's
// container is once the store flushes the card.
class SyncOnCloseFile : public IFile {
 public:
  explicit SyncOnCloseFile(std::unique_ptr<IFile> file) : file_(std::move(file)) {}
  ~SyncOnCloseFile() override { (void)Close(); }

  std::uint32_t Read(void* buffer, std::uint32_t count, std::uint32_t* done) override {
    return file_->Read(buffer, count, done);
  }
  std::uint32_t Write(const void* buffer, std::uint32_t count, std::uint32_t* done) override {
    return file_->Write(buffer, count, done);
  }
  std::uint32_t Seek(std::int64_t distance, SeekOrigin origin, std::uint64_t* position) override {
    return file_->Seek(distance, origin, position);
  }
  std::uint32_t SetLength(std::uint64_t length) override { return file_->SetLength(length); }
  std::uint32_t Flush() override { return file_->Flush(); }
  std::uint32_t Close() override {
    if (closed_) return kErrorSuccess;
    closed_ = true;
    const std::uint32_t flushed = file_->Flush();
    const std::uint32_t closed = file_->Close();
    return flushed != kErrorSuccess ? flushed : closed;
  }

 private:
  std::unique_ptr<IFile> file_;
  bool closed_ = false;
};
}  // namespace

ContainerFileFiles::ContainerFileFiles(std::string hostPath, std::string innerPath, bool readOnly)
    : hostPath_(std::move(hostPath)), innerPath_(std::move(innerPath)), readOnly_(readOnly) {}

ContainerFileFiles::Entry ContainerFileFiles::Find(const std::string& path) const {
  if (path.empty()) return Entry::kRoot;
  if (SameNoCase(path, innerPath_)) return Entry::kFile;
  const std::size_t slash = innerPath_.find('\\');
  if (slash != std::string::npos && SameNoCase(path, innerPath_.substr(0, slash))) {
    return Entry::kFolder;
  }
  return Entry::kNone;
}

std::uint32_t ContainerFileFiles::Open(const std::string& path, const OpenRequest& request,
                                       std::unique_ptr<IFile>* file) {
  const Entry entry = Find(path);
  if (entry == Entry::kRoot || entry == Entry::kFolder) return kErrorAccessDenied;
  // Nothing new comes onto the volume, and the one file is never replaced.
  if (Creates(request.disposition)) return readOnly_ ? kErrorWriteProtect : kErrorAccessDenied;
  if (entry == Entry::kNone) {
    return path.find('\\') == std::string::npos ||
                   Find(path.substr(0, path.rfind('\\'))) != Entry::kNone
               ? kErrorFileNotFound
               : kErrorPathNotFound;
  }
  const bool writing = (request.access & kGenericWrite) != 0;
  if (writing && readOnly_) return kErrorWriteProtect;
  OpenRequest host = request;
  host.disposition = Disposition::kOpenExisting;
  std::unique_ptr<IFile> opened;
  if (const std::uint32_t rc = HostFiles().Open(hostPath_, host, &opened)) return rc;
  *file = writing ? std::make_unique<SyncOnCloseFile>(std::move(opened)) : std::move(opened);
  return kErrorSuccess;
}

std::uint32_t ContainerFileFiles::GetAttributes(const std::string& path,
                                                std::uint32_t* attributes) {
  switch (Find(path)) {
    case Entry::kRoot:
    case Entry::kFolder:
      *attributes = kAttributeDirectory;
      return kErrorSuccess;
    case Entry::kFile: {
      std::uint32_t host = 0;
      // A file deleted or moved on the host is gone from the drive too.
      if (const std::uint32_t rc = HostFiles().GetAttributes(hostPath_, &host)) return rc;
      const std::lock_guard<std::mutex> lock(mutex_);
      *attributes = attributes_ | (readOnly_ ? kAttributeReadOnly : 0);
      return kErrorSuccess;
    }
    default:
      return kErrorFileNotFound;
  }
}

std::uint32_t ContainerFileFiles::SetAttributes(const std::string& path, std::uint32_t attributes) {
  const Entry entry = Find(path);
  if (entry == Entry::kNone) return kErrorFileNotFound;
  if (readOnly_) return kErrorWriteProtect;
  if (entry != Entry::kFile) return kErrorAccessDenied;
  std::uint32_t host = 0;
  if (const std::uint32_t rc = HostFiles().GetAttributes(hostPath_, &host)) return rc;
  const std::lock_guard<std::mutex> lock(mutex_);
  attributes_ = attributes & ~kAttributeDirectory;
  return kErrorSuccess;
}

// The user's file is never deleted through the drive, nor anything made
// beside it.
std::uint32_t ContainerFileFiles::DeleteFile(const std::string&) {
  return readOnly_ ? kErrorWriteProtect : kErrorAccessDenied;
}

std::uint32_t ContainerFileFiles::CreateDirectory(const std::string&) {
  return readOnly_ ? kErrorWriteProtect : kErrorAccessDenied;
}

std::uint32_t ContainerFileFiles::RemoveDirectory(const std::string&) {
  return readOnly_ ? kErrorWriteProtect : kErrorAccessDenied;
}

std::uint32_t ContainerFileFiles::FreeSpace(const std::string&, std::uint64_t* freeToCaller,
                                            std::uint64_t* totalBytes) {
  std::uint64_t length = 0;
  if (!GetFileSize(hostPath_, &length)) return GetLastError();
  *freeToCaller = 0;
  *totalBytes = length;
  return kErrorSuccess;
}

std::uint32_t ContainerFileFiles::Identity(const std::string& path, FileId* id) {
  if (Find(path) != Entry::kFile) return kErrorInvalidFunction;
  return HostFiles().Identity(hostPath_, id);
}

ContainerFileDrive::ContainerFileDrive(std::string hostPath, std::string innerPath, bool readOnly)
    : files_(std::move(hostPath), std::move(innerPath), readOnly) {}

bool ContainerFileDrive::VolumeInformation(std::string* label, std::string* fileSystem) {
  if (label) {
    const std::size_t slash = hostPath().find_last_of('/');
    *label = slash == std::string::npos ? hostPath() : hostPath().substr(slash + 1);
  }
  if (fileSystem) fileSystem->clear();
  return true;
}

char AttachContainerFile(const std::string& hostPath, const std::string& innerPath, bool readOnly,
                         char letter, std::uint32_t* error) {
  // Opened once to see that it is there and whether it takes writes; a file
  // the user may only read becomes a write-protected drive.
  OpenRequest request;
  request.access = kGenericRead | (readOnly ? 0 : kGenericWrite);
  std::unique_ptr<IFile> probe;
  std::uint32_t rc = HostFiles().Open(hostPath, request, &probe);
  if (!readOnly && (rc == kErrorAccessDenied || rc == kErrorWriteProtect)) {
    readOnly = true;
    request.access = kGenericRead;
    rc = HostFiles().Open(hostPath, request, &probe);
  }
  if (rc != kErrorSuccess) {
    *error = rc;
    return 0;
  }
  (void)probe->Close();
  auto drive = std::make_shared<ContainerFileDrive>(hostPath, innerPath, readOnly);
  char attached = 0;
  if (letter != 0) {
    attached = DriveTable::Instance().Attach(letter, drive) ? letter : 0;
  } else {
    attached = DriveTable::Instance().AttachFirstFree(drive, 'D');
  }
  *error = attached != 0 ? kErrorSuccess : kErrorAlreadyExists;
  return attached;
}

bool IsContainerFileDrive(char letter) {
  return std::dynamic_pointer_cast<ContainerFileDrive>(FindDrive(letter)) != nullptr;
}

std::string ContainerFileDrivePath(char letter) {
  const auto drive = std::dynamic_pointer_cast<ContainerFileDrive>(FindDrive(letter));
  return drive ? drive->hostPath() : std::string();
}

bool DetachContainerFile(char letter) {
  return IsContainerFileDrive(letter) && DriveTable::Instance().Detach(letter);
}

}  // namespace platform
