// The file operations of quillfen-fatfs on a mounted FAT volume, in the
// kernel's terms: paths from the mount's root ("/a/b"), open files by handle,
// results as 0 (or a byte count) or a negative errno value. Every change goes
// through the FAT engine, so names, short names, dates and both FATs are
// written as Windows writes them. One thread at a time.
#pragma once

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fat/file.h"
#include "fat/volume.h"

namespace fatfs {

class FatfsOperations {
 public:
  // Files are owned by `owner`:`group` (the user who serves the volume).
  FatfsOperations(fat::Volume& volume, uid_t owner, gid_t group);
  FatfsOperations(const FatfsOperations&) = delete;
  FatfsOperations& operator=(const FatfsOperations&) = delete;

  int GetAttr(const std::string& path, struct stat* st);
  // The names in a folder, without "." and "..".
  int ReadDir(const std::string& path, std::vector<std::string>* names);
  int StatFs(struct statvfs* st);

  // `flags` as open(2) takes them; O_TRUNC comes as a separate truncate.
  int Open(const std::string& path, int flags, std::uint64_t* handle);
  int Create(const std::string& path, mode_t mode, std::uint64_t* handle);
  // The bytes transferred, or a negative errno value.
  int Read(std::uint64_t handle, char* buffer, std::size_t size, off_t offset);
  int Write(std::uint64_t handle, const char* buffer, std::size_t size, off_t offset);
  // At every close of a descriptor: the file's entry and the FAT to the image.
  int Flush(std::uint64_t handle);
  // The whole volume to the image, synced.
  int Fsync(std::uint64_t handle);
  // The last close: the file is closed and, when it was written, the volume
  // flushed to the image.
  int Release(std::uint64_t handle);
  int Truncate(const std::string& path, off_t length);
  int Ftruncate(std::uint64_t handle, off_t length);

  int Unlink(const std::string& path);
  int Mkdir(const std::string& path);
  int Rmdir(const std::string& path);
  // Replaces the target as rename(2) does; open files stay usable.
  int Rename(const std::string& from, const std::string& to);
  int Chmod(const std::string& path, mode_t mode);
  int Chown(const std::string& path, uid_t owner, gid_t group);
  // The engine stamps the time of each write itself; other times are taken
  // as given without being kept.
  int Utimens(const std::string& path);

  // Writes everything to the image, synced; open files stay open.
  int Sync();
  // Closes what is still open and writes everything to the image, synced.
  int Destroy();

  std::size_t OpenHandles() const { return handles_.size(); }

 private:
  // An entry as the volume knows it: its folder's first cluster and its short
  // name, which no other entry of the folder has.
  struct EntryId {
    std::uint32_t folderCluster = 0;
    std::string shortName;
    bool operator==(const EntryId&) const = default;
  };
  struct Handle {
    std::unique_ptr<fat::File> file;  // null once it could not be opened again
    bool writable = false;
    bool written = false;  // since it was opened
    bool dirty = false;    // since the last flush
    EntryId id;
  };

  int Fail(const fat::Status& status) const;
  int IdOf(const std::string& path, EntryId* id, fat::DirEntryInfo* info = nullptr);
  // True when `path` lies inside the folder `folder` (at any depth).
  bool Inside(const std::string& path, const EntryId& folder);
  Handle* Find(std::uint64_t handle);
  std::uint64_t Add(Handle handle);
  // Removes what a rename replaces; 0 or a negative errno value.
  int RemoveTarget(const std::string& to, const fat::DirEntryInfo& source,
                   const fat::DirEntryInfo& target);
  // Opens the handle's file again at `path` after its entry moved.
  void Reopen(const std::string& path, Handle* handle);

  fat::Volume& volume_;
  uid_t owner_;
  gid_t group_;
  std::map<std::uint64_t, Handle> handles_;
  std::uint64_t next_ = 1;
};

}  // namespace fatfs
