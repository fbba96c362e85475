#include "imdisk_linux/fatfs_fuse.h"

#include <fuse.h>

#include "imdisk_linux/fatfs_operations.h"

namespace fatfs {
namespace {
FatfsOperations& Ops() {
  return *static_cast<FatfsOperations*>(fuse_get_context()->private_data);
}

int GetAttr(const char* path, struct stat* st) {
  return Ops().GetAttr(path, st);
}

int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t /*offset*/,
            fuse_file_info* /*info*/) {
  std::vector<std::string> names;
  if (const int error = Ops().ReadDir(path, &names)) return error;
  fill(buffer, ".", nullptr, 0);
  fill(buffer, "..", nullptr, 0);
  for (const std::string& name : names) {
    if (fill(buffer, name.c_str(), nullptr, 0) != 0) break;
  }
  return 0;
}

int Open(const char* path, fuse_file_info* info) {
  std::uint64_t handle = 0;
  const int result = Ops().Open(path, info->flags, &handle);
  info->fh = handle;
  return result;
}

int Create(const char* path, mode_t mode, fuse_file_info* info) {
  std::uint64_t handle = 0;
  const int result = Ops().Create(path, mode, &handle);
  info->fh = handle;
  return result;
}

int Read(const char* /*path*/, char* buffer, size_t size, off_t offset, fuse_file_info* info) {
  return Ops().Read(info->fh, buffer, size, offset);
}

int Write(const char* /*path*/, const char* buffer, size_t size, off_t offset,
          fuse_file_info* info) {
  return Ops().Write(info->fh, buffer, size, offset);
}

int Flush(const char* /*path*/, fuse_file_info* info) {
  return Ops().Flush(info->fh);
}

int Fsync(const char* /*path*/, int /*dataOnly*/, fuse_file_info* info) {
  return Ops().Fsync(info->fh);
}

int Release(const char* /*path*/, fuse_file_info* info) {
  return Ops().Release(info->fh);
}

int Truncate(const char* path, off_t length) {
  return Ops().Truncate(path, length);
}

int Ftruncate(const char* /*path*/, off_t length, fuse_file_info* info) {
  return Ops().Ftruncate(info->fh, length);
}

int Unlink(const char* path) {
  return Ops().Unlink(path);
}

int Mkdir(const char* path, mode_t /*mode*/) {
  return Ops().Mkdir(path);
}

int Rmdir(const char* path) {
  return Ops().Rmdir(path);
}

int Rename(const char* from, const char* to) {
  return Ops().Rename(from, to);
}

int Chmod(const char* path, mode_t mode) {
  return Ops().Chmod(path, mode);
}

int Chown(const char* path, uid_t owner, gid_t group) {
  return Ops().Chown(path, owner, group);
}

int Utimens(const char* path, const struct timespec* /*times*/) {
  return Ops().Utimens(path);
}

int StatFs(const char* /*path*/, struct statvfs* st) {
  return Ops().StatFs(st);
}

int FsyncDir(const char* /*path*/, int /*dataOnly*/, fuse_file_info* /*info*/) {
  return Ops().Sync();
}

void* Init(fuse_conn_info* /*connection*/) {
  return fuse_get_context()->private_data;
}

// At unmount: what is still open is closed and everything written out.
void Destroy(void* data) {
  static_cast<FatfsOperations*>(data)->Destroy();
}

fuse_operations MakeTable() {
  fuse_operations table{};
  table.getattr = GetAttr;
  table.readdir = ReadDir;
  table.open = Open;
  table.create = Create;
  table.read = Read;
  table.write = Write;
  table.flush = Flush;
  table.fsync = Fsync;
  table.release = Release;
  table.truncate = Truncate;
  table.ftruncate = Ftruncate;
  table.unlink = Unlink;
  table.mkdir = Mkdir;
  table.rmdir = Rmdir;
  table.rename = Rename;
  table.chmod = Chmod;
  table.chown = Chown;
  table.utimens = Utimens;
  table.statfs = StatFs;
  table.fsyncdir = FsyncDir;
  table.init = Init;
  table.destroy = Destroy;
  return table;
}
}  // namespace

const fuse_operations& FatfsFuseOperations() {
  static const fuse_operations table = MakeTable();
  return table;
}

}  // namespace fatfs
