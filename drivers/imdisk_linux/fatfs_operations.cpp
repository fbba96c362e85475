#include "imdisk_linux/fatfs_operations.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "fat/dir_entry.h"
#include "imdisk_linux/fatfs_mapping.h"

namespace fatfs {
namespace {
// The largest file FAT holds.
constexpr off_t kMaxFileSize = 0xFFFFFFFF;
}  // namespace

FatfsOperations::FatfsOperations(fat::Volume& volume, uid_t owner, gid_t group)
    : volume_(volume), owner_(owner), group_(group) {}

int FatfsOperations::Fail(const fat::Status& status) const {
  return -ErrnoFromFat(status.error);
}

int FatfsOperations::IdOf(const std::string& path, EntryId* id, fat::DirEntryInfo* info) {
  fat::DirEntryInfo entry, folder;
  fat::Status s = volume_.Stat(path, &entry);
  if (s.ok()) s = volume_.Stat(ParentPath(path), &folder);
  if (!s.ok()) return Fail(s);
  id->folderCluster = folder.firstCluster;
  id->shortName = entry.shortName;
  if (info != nullptr) *info = entry;
  return 0;
}

bool FatfsOperations::Inside(const std::string& path, const EntryId& folder) {
  for (std::string at = ParentPath(path); at != "/"; at = ParentPath(at)) {
    EntryId id;
    if (IdOf(at, &id) == 0 && id == folder) return true;
  }
  return false;
}

FatfsOperations::Handle* FatfsOperations::Find(std::uint64_t handle) {
  const auto it = handles_.find(handle);
  return it == handles_.end() ? nullptr : &it->second;
}

std::uint64_t FatfsOperations::Add(Handle handle) {
  const std::uint64_t number = next_++;
  handles_.emplace(number, std::move(handle));
  return number;
}

int FatfsOperations::GetAttr(const std::string& path, struct stat* st) {
  fat::DirEntryInfo info;
  const fat::Status s = volume_.Stat(path, &info);
  if (!s.ok()) return Fail(s);
  FillStat(info, volume_.ClusterBytes(), owner_, group_, st);
  return 0;
}

int FatfsOperations::ReadDir(const std::string& path, std::vector<std::string>* names) {
  std::vector<fat::DirEntryInfo> entries;
  const fat::Status s = volume_.ListDirectory(path, &entries);
  if (!s.ok()) return Fail(s);
  names->clear();
  for (const fat::DirEntryInfo& entry : entries) names->push_back(entry.longName);
  return 0;
}

int FatfsOperations::StatFs(struct statvfs* st) {
  std::memset(st, 0, sizeof *st);
  const std::uint32_t cluster = volume_.ClusterBytes();
  st->f_bsize = cluster;
  st->f_frsize = cluster;
  st->f_blocks = volume_.TotalBytes() / cluster;
  st->f_bfree = volume_.FreeClusters();
  st->f_bavail = st->f_bfree;
  st->f_namemax = 255;
  if (!volume_.writable()) st->f_flag |= ST_RDONLY;
  return 0;
}

int FatfsOperations::Open(const std::string& path, int flags, std::uint64_t* handle) {
  Handle h;
  h.writable = (flags & O_ACCMODE) != O_RDONLY;
  fat::Status s;
  h.file = volume_.OpenFile(path, h.writable, &s);
  if (!h.file) return Fail(s);
  if (const int error = IdOf(path, &h.id)) return error;
  *handle = Add(std::move(h));
  return 0;
}

int FatfsOperations::Create(const std::string& path, mode_t mode, std::uint64_t* handle) {
  Handle h;
  h.writable = true;
  h.written = true;  // the new entry is a change to reach the image
  fat::Status s;
  h.file = volume_.CreateFile(path, AttributesWithMode(0, mode), &s);
  if (!h.file) return Fail(s);
  if (const int error = IdOf(path, &h.id)) return error;
  *handle = Add(std::move(h));
  return 0;
}

int FatfsOperations::Read(std::uint64_t handle, char* buffer, std::size_t size, off_t offset) {
  Handle* h = Find(handle);
  if (h == nullptr) return -EBADF;
  if (!h->file) return -EIO;
  if (offset < 0) return -EINVAL;
  std::size_t done = 0;
  const fat::Status s = h->file->ReadAt(static_cast<std::uint64_t>(offset), buffer, size, &done);
  if (!s.ok() && done == 0) return Fail(s);
  return static_cast<int>(done);
}

int FatfsOperations::Write(std::uint64_t handle, const char* buffer, std::size_t size,
                           off_t offset) {
  Handle* h = Find(handle);
  if (h == nullptr || !h->writable) return -EBADF;
  if (!h->file) return -EIO;
  if (offset < 0) return -EINVAL;
  if (offset + static_cast<off_t>(size) > kMaxFileSize) return -EFBIG;
  std::size_t done = 0;
  const fat::Status s = h->file->WriteAt(static_cast<std::uint64_t>(offset), buffer, size, &done);
  h->written = true;
  h->dirty = true;
  if (!s.ok()) return Fail(s);
  return static_cast<int>(done);
}

int FatfsOperations::Flush(std::uint64_t handle) {
  Handle* h = Find(handle);
  if (h == nullptr) return -EBADF;
  if (!h->dirty || !h->file) return 0;
  const fat::Status s = h->file->Flush();
  if (!s.ok()) return Fail(s);
  h->dirty = false;
  return 0;
}

int FatfsOperations::Fsync(std::uint64_t handle) {
  Handle* h = Find(handle);
  if (h == nullptr) return -EBADF;
  if (h->file && h->dirty) {
    const fat::Status s = h->file->Flush();
    if (!s.ok()) return Fail(s);
    h->dirty = false;
  }
  return Sync();
}

int FatfsOperations::Release(std::uint64_t handle) {
  const auto it = handles_.find(handle);
  if (it == handles_.end()) return -EBADF;
  fat::Status s;
  if (it->second.file) s = it->second.file->Close();
  const bool written = it->second.written;
  handles_.erase(it);
  if (written) {
    const fat::Status flushed = volume_.Flush();
    if (s.ok()) s = flushed;
  }
  return s.ok() ? 0 : Fail(s);
}

int FatfsOperations::Truncate(const std::string& path, off_t length) {
  if (length < 0) return -EINVAL;
  if (length > kMaxFileSize) return -EFBIG;
  const fat::Status s = volume_.Truncate(path, static_cast<std::uint64_t>(length));
  return s.ok() ? 0 : Fail(s);
}

int FatfsOperations::Ftruncate(std::uint64_t handle, off_t length) {
  Handle* h = Find(handle);
  if (h == nullptr || !h->writable) return -EBADF;
  if (!h->file) return -EIO;
  if (length < 0) return -EINVAL;
  if (length > kMaxFileSize) return -EFBIG;
  const fat::Status s = h->file->SetLength(static_cast<std::uint64_t>(length));
  h->written = true;
  h->dirty = true;
  return s.ok() ? 0 : Fail(s);
}

int FatfsOperations::Unlink(const std::string& path) {
  const fat::Status s = volume_.DeleteFile(path);
  return s.ok() ? 0 : Fail(s);
}

int FatfsOperations::Mkdir(const std::string& path) {
  const fat::Status s = volume_.CreateDirectory(path);
  return s.ok() ? 0 : Fail(s);
}

int FatfsOperations::Rmdir(const std::string& path) {
  const fat::Status s = volume_.RemoveDirectory(path);
  return s.ok() ? 0 : Fail(s);
}

int FatfsOperations::RemoveTarget(const std::string& to, const fat::DirEntryInfo& source,
                                  const fat::DirEntryInfo& target) {
  bool empty = true;
  if (target.isDirectory()) {
    std::vector<fat::DirEntryInfo> entries;
    const fat::Status s = volume_.ListDirectory(to, &entries);
    if (!s.ok()) return Fail(s);
    empty = entries.empty();
  }
  if (const int refused = ReplaceCheck(source.isDirectory(), target.isDirectory(), empty)) {
    return -refused;
  }
  const fat::Status s = target.isDirectory() ? volume_.RemoveDirectory(to) : volume_.DeleteFile(to);
  return s.ok() ? 0 : Fail(s);
}

void FatfsOperations::Reopen(const std::string& path, Handle* handle) {
  fat::Status s;
  handle->file = volume_.OpenFile(path, handle->writable, &s);
  std::uint8_t attributes = 0;
  if (!handle->file && handle->writable && s.error == fat::Error::kAccessDenied &&
      volume_.GetAttributes(path, &attributes).ok()) {
    // A file made read-only stays writable through what was opened for
    // writing before.
    const auto writable = static_cast<std::uint8_t>(attributes & ~fat::attr::kReadOnly);
    if (volume_.SetAttributes(path, writable).ok()) {
      handle->file = volume_.OpenFile(path, true, &s);
      volume_.SetAttributes(path, attributes);
    }
  }
  if (handle->file) IdOf(path, &handle->id);
}

int FatfsOperations::Rename(const std::string& from, const std::string& to) {
  if (from == to) return 0;
  EntryId sourceId;
  fat::DirEntryInfo source;
  if (const int error = IdOf(from, &sourceId, &source)) return error;
  if (source.isDirectory() && Inside(to, sourceId)) return -EINVAL;
  EntryId targetId;
  fat::DirEntryInfo target;
  const int found = IdOf(to, &targetId, &target);
  if (found == 0 && !(targetId == sourceId)) {
    // Not a new spelling of the same name: what is there is replaced.
    if (const int error = RemoveTarget(to, source, target)) return error;
  } else if (found != 0 && found != -ENOENT) {
    return found;
  }
  // The engine moves no entry of an open file: such files are closed for the
  // move and opened again under the new name.
  std::vector<Handle*> moved;
  if (!source.isDirectory()) {
    for (auto& [number, handle] : handles_) {
      if (!handle.file || !(handle.id == sourceId)) continue;
      handle.file->Close();
      handle.file.reset();
      moved.push_back(&handle);
    }
  }
  const fat::Status s = volume_.Rename(from, to);
  for (Handle* handle : moved) Reopen(s.ok() ? to : from, handle);
  return s.ok() ? 0 : Fail(s);
}

int FatfsOperations::Chmod(const std::string& path, mode_t mode) {
  if (ParentPath(path) == path) return 0;  // the root has no attributes
  std::uint8_t attributes = 0;
  fat::Status s = volume_.GetAttributes(path, &attributes);
  if (!s.ok()) return Fail(s);
  const std::uint8_t changed = AttributesWithMode(attributes, mode);
  if (changed == attributes) return 0;
  s = volume_.SetAttributes(path, changed);
  return s.ok() ? 0 : Fail(s);
}

int FatfsOperations::Chown(const std::string& path, uid_t owner, gid_t group) {
  // FAT keeps no owner: only the one every file has already is accepted.
  if ((owner != static_cast<uid_t>(-1) && owner != owner_) ||
      (group != static_cast<gid_t>(-1) && group != group_)) {
    return -EPERM;
  }
  return Utimens(path);
}

int FatfsOperations::Utimens(const std::string& path) {
  fat::DirEntryInfo info;
  const fat::Status s = volume_.Stat(path, &info);
  return s.ok() ? 0 : Fail(s);
}

int FatfsOperations::Sync() {
  const fat::Status s = volume_.Flush();
  return s.ok() ? 0 : Fail(s);
}

int FatfsOperations::Destroy() {
  fat::Status first;
  for (auto& [number, handle] : handles_) {
    if (!handle.file) continue;
    const fat::Status s = handle.file->Close();
    if (first.ok()) first = s;
  }
  handles_.clear();
  const fat::Status s = volume_.Flush();
  if (first.ok()) first = s;
  return first.ok() ? 0 : Fail(first);
}

}  // namespace fatfs
