#include "platform/files.h"

#include <algorithm>
#include <vector>

#include "base/ascii_case.h"
#include "platform/errors.h"
#include "platform/path_resolver.h"

namespace platform {
namespace {
bool Report(std::uint32_t code) {
  SetLastError(code);
  return code == kErrorSuccess;
}
}  // namespace

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (file_) file_->Close();
    file_ = std::move(other.file_);
  }
  return *this;
}

File::~File() {
  if (file_) file_->Close();
}

bool File::Done(std::uint32_t code) {
  return Report(code);
}

bool File::Read(void* buffer, std::uint32_t count, std::uint32_t* done) {
  std::uint32_t n = 0;
  const bool ok = file_ ? Done(file_->Read(buffer, count, &n)) : Done(kErrorInvalidHandle);
  if (done) *done = n;
  return ok;
}

bool File::Write(const void* buffer, std::uint32_t count, std::uint32_t* done) {
  std::uint32_t n = 0;
  const bool ok = file_ ? Done(file_->Write(buffer, count, &n)) : Done(kErrorInvalidHandle);
  if (done) *done = n;
  return ok;
}

bool File::ReadExact(void* buffer, std::uint32_t count) {
  std::uint32_t n = 0;
  if (!Read(buffer, count, &n)) return false;
  return n == count || Done(kErrorHandleEof);
}

bool File::WriteExact(const void* buffer, std::uint32_t count) {
  std::uint32_t n = 0;
  if (!Write(buffer, count, &n)) return false;
  return n == count || Done(kErrorDiskFull);
}

bool File::Seek(std::int64_t distance, SeekOrigin origin, std::uint64_t* position) {
  std::uint64_t p = 0;
  const bool ok = file_ ? Done(file_->Seek(distance, origin, &p)) : Done(kErrorInvalidHandle);
  if (ok && position) *position = p;
  return ok;
}

bool File::SetLength(std::uint64_t length) {
  return file_ ? Done(file_->SetLength(length)) : Done(kErrorInvalidHandle);
}

bool File::Flush() {
  return file_ ? Done(file_->Flush()) : Done(kErrorInvalidHandle);
}

bool File::Close() {
  if (!file_) return Done(kErrorInvalidHandle);
  const std::uint32_t code = file_->Close();
  file_.reset();
  return Done(code);
}

File OpenFile(const std::string& path, std::uint32_t access, Disposition disposition,
              std::uint32_t flags) {
  ResolvedPath resolved;
  if (!ResolvePath(path, &resolved)) return File();
  if (resolved.relative.empty()) {
    Report(kErrorAccessDenied);  // the root folder is no file
    return File();
  }
  std::unique_ptr<IFile> file;
  const OpenRequest request{access, disposition, flags};
  if (!Report(resolved.files->Open(resolved.relative, request, &file))) return File();
  return File(std::move(file));
}

std::uint32_t GetAttributes(const std::string& path) {
  ResolvedPath resolved;
  if (!ResolvePath(path, &resolved)) return kInvalidFileAttributes;
  std::uint32_t attributes = 0;
  if (!Report(resolved.files->GetAttributes(resolved.relative, &attributes))) {
    return kInvalidFileAttributes;
  }
  return attributes;
}

bool SetAttributes(const std::string& path, std::uint32_t attributes) {
  ResolvedPath resolved;
  return ResolvePath(path, &resolved) &&
         Report(resolved.files->SetAttributes(resolved.relative, attributes));
}

bool PathExists(const std::string& path) {
  return GetAttributes(path) != kInvalidFileAttributes;
}

bool RemoveFile(const std::string& path) {
  ResolvedPath resolved;
  return ResolvePath(path, &resolved) && Report(resolved.files->DeleteFile(resolved.relative));
}

bool MakeFolder(const std::string& path) {
  ResolvedPath resolved;
  return ResolvePath(path, &resolved) && Report(resolved.files->CreateDirectory(resolved.relative));
}

bool RemoveFolder(const std::string& path) {
  ResolvedPath resolved;
  return ResolvePath(path, &resolved) && Report(resolved.files->RemoveDirectory(resolved.relative));
}

bool ListFolderFiles(const std::string& path, std::vector<std::string>* names) {
  ResolvedPath resolved;
  names->clear();
  if (!ResolvePath(path, &resolved) || !Report(resolved.files->ListFiles(resolved.relative, names)))
    return false;
  std::sort(names->begin(), names->end());
  return true;
}

bool GetFileSize(const std::string& path, std::uint64_t* size) {
  File file = OpenFile(path, kGenericRead, Disposition::kOpenExisting);
  return file.IsOpen() && file.Seek(0, SeekOrigin::kEnd, size);
}

bool IsSameFile(const std::string& first, const std::string& second) {
  ResolvedPath a;
  ResolvedPath b;
  FileId idA;
  FileId idB;
  if (ResolvePath(first, &a) && ResolvePath(second, &b) && !a.relative.empty() &&
      !b.relative.empty() && a.files->Identity(a.relative, &idA) == kErrorSuccess &&
      b.files->Identity(b.relative, &idB) == kErrorSuccess) {
    return idA == idB;
  }
  return base::EqualIgnoringAsciiCase(first, second) && PathExists(first);
}

bool ReadFileFromMedium(const std::string& path, std::uint64_t offset, void* buffer,
                        std::uint32_t count) {
  ResolvedPath resolved;
  return ResolvePath(path, &resolved) &&
         Report(resolved.files->ReadFromMedium(resolved.relative, offset, buffer, count));
}

bool CopyFileTo(const std::string& source, const std::string& target, bool failIfExists) {
  File in = OpenFile(source, kGenericRead, Disposition::kOpenExisting);
  if (!in.IsOpen()) return false;
  File out = OpenFile(target, kGenericWrite,
                      failIfExists ? Disposition::kCreateNew : Disposition::kCreateAlways);
  if (!out.IsOpen()) return false;
  std::vector<std::uint8_t> buffer(1 << 20);
  for (;;) {
    std::uint32_t n = 0;
    if (!in.Read(buffer.data(), static_cast<std::uint32_t>(buffer.size()), &n)) return false;
    if (n == 0) break;
    if (!out.WriteExact(buffer.data(), n)) return false;
  }
  const bool closed = out.Close();
  in.Close();
  return closed || Report(kErrorWriteFault);
}

bool FlushVolume(const std::string& root) {
  ResolvedPath resolved;
  return ResolvePath(root, &resolved) && Report(resolved.files->FlushVolume());
}

bool GetDiskFreeSpace(const std::string& root, std::uint64_t* freeToCaller,
                      std::uint64_t* totalBytes) {
  ResolvedPath resolved;
  std::uint64_t freeBytes = 0;
  std::uint64_t total = 0;
  if (!ResolvePath(root, &resolved) ||
      !Report(resolved.files->FreeSpace(resolved.relative, &freeBytes, &total))) {
    return false;
  }
  if (freeToCaller) *freeToCaller = freeBytes;
  if (totalBytes) *totalBytes = total;
  return true;
}

}  // namespace platform
