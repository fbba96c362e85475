#include "fat/file.h"

#include "fat/open_files.h"

namespace fat {

File::File(std::shared_ptr<OpenNode> node, bool writable)
    : node_(std::move(node)), writable_(writable) {}

File::~File() {
  Close();
}

Status File::Usable(bool forWriting) const {
  if (closed_) return Fail(Error::kInvalidArgument, "the file is closed");
  if (node_->files == nullptr) return Fail(Error::kIo, "the volume is no longer mounted");
  if (forWriting && !writable_) return Fail(Error::kAccessDenied, "the file is open for reading");
  return Status::Ok();
}

Status File::ReadAt(std::uint64_t position, void* buffer, std::size_t size, std::size_t* done) {
  *done = 0;
  Status s = Usable(false);
  if (!s.ok()) return s;
  return node_->files->Read(*node_, position, buffer, size, done);
}

Status File::WriteAt(std::uint64_t position, const void* buffer, std::size_t size,
                     std::size_t* done) {
  *done = 0;
  Status s = Usable(true);
  if (!s.ok()) return s;
  s = node_->files->Write(*node_, position, buffer, size);
  if (s.ok()) *done = size;
  return s;
}

Status File::Read(void* buffer, std::size_t size, std::size_t* done) {
  Status s = ReadAt(position_, buffer, size, done);
  position_ += *done;
  return s;
}

Status File::Write(const void* buffer, std::size_t size, std::size_t* done) {
  Status s = WriteAt(position_, buffer, size, done);
  position_ += *done;
  return s;
}

Status File::Seek(std::uint64_t position) {
  Status s = Usable(false);
  if (!s.ok()) return s;
  position_ = position;
  return Status::Ok();
}

std::uint64_t File::Size() const {
  return node_->size;
}

std::uint32_t File::FirstCluster() const {
  return node_->firstCluster;
}

Status File::SetLength(std::uint64_t length) {
  Status s = Usable(true);
  if (!s.ok()) return s;
  return node_->files->SetLength(*node_, length);
}

Status File::Flush() {
  Status s = Usable(false);
  if (!s.ok() || !writable_) return s;
  s = node_->files->Flush(*node_);
  if (!s.ok()) return s;
  // The caller asked for the file to be on the medium (FlushFileBuffers).
  return node_->files->SyncDevice();
}

Status File::Close() {
  if (closed_) return Status::Ok();
  closed_ = true;
  OpenFiles* files = node_->files;
  if (files == nullptr) return Fail(Error::kIo, "the volume is no longer mounted");
  Status s;
  if (writable_) s = files->Flush(*node_);
  files->Release(node_, writable_);
  return s;
}

}  // namespace fat
