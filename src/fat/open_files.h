// The files open on a mounted volume: one shared node per folder entry, with
// the cached cluster spans of its data, through which every File of that
// entry reads and writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "fat/directory.h"
#include "fat/fat_table.h"
#include "fat/file.h"
#include "fat/status.h"
#include "fat/volume_core.h"

namespace fat {

class OpenFiles;

// The state shared by every File open on one directory entry.
struct OpenNode {
  OpenFiles* files = nullptr;  // null once the volume is gone
  DirRef dir;
  std::uint32_t entryIndex = 0;
  std::uint32_t firstCluster = 0;
  std::uint32_t size = 0;
  std::uint64_t validLength = 0;  // bytes below this were written; above, zeros
  std::vector<ClusterSpan> spans;
  std::vector<std::uint64_t> spanStarts;  // file cluster index of each span
  std::uint64_t clusters = 0;
  bool entryDirty = false;
  bool modified = false;
  // Clusters were added since the last barrier: the entry may name them on
  // the medium only after the next one.
  bool linkedUnsynced = false;
  int writers = 0;
  int users = 0;  // open File objects
};

// Reads and writes go to the device one request per contiguous piece;
// growth allocates at once; the folder entry is written back on flush.
class OpenFiles {
 public:
  explicit OpenFiles(VolumeCore& core) : core_(core) {}
  // Files still open then fail their operations.
  ~OpenFiles();
  OpenFiles(const OpenFiles&) = delete;
  OpenFiles& operator=(const OpenFiles&) = delete;

  // Opens the entry `item` of folder `dir`; a second open shares the node.
  std::unique_ptr<File> Open(const DirRef& dir, const DirItem& item, bool writable, Status* status);
  bool IsOpen(const DirRef& dir, std::uint32_t index) const;
  // Size and first cluster of an open file as they are now, not as last written.
  void ApplyOpenState(const DirRef& dir, DirItem* item) const;
  // Flushes every file open for writing; the first failure.
  Status FlushWriters();

  // What the File objects ask of their node.
  void Release(const std::shared_ptr<OpenNode>& node, bool writer);
  Status Read(OpenNode& node, std::uint64_t position, void* buffer, std::size_t size,
              std::size_t* done);
  Status Write(OpenNode& node, std::uint64_t position, const void* buffer, std::size_t size);
  Status SetLength(OpenNode& node, std::uint64_t length);
  // Writes the zeros still owed, the FAT and the folder entry. When the
  // zeros cannot all be written, the FAT and the entry are written still, so
  // that every cluster the file was given stays its own (and goes with it
  // when it is deleted); the failure is reported.
  Status Flush(OpenNode& node);
  Status SyncDevice() { return core_.io.Sync(); }

 private:
  using NodeKey = std::pair<std::uint32_t, std::uint32_t>;

  Status Allocate(OpenNode& node, std::uint64_t bytes);
  Status Transfer(OpenNode& node, std::uint64_t position, std::uint8_t* read,
                  const std::uint8_t* write, std::uint64_t size);
  Status Zero(OpenNode& node, std::uint64_t from, std::uint64_t to);
  Status WriteEntry(OpenNode& node);
  // Writes the FAT and, when the node gained clusters since the last
  // barrier, waits until the medium holds the links.
  Status LinkBeforeNaming(OpenNode& node);

  VolumeCore& core_;
  std::map<NodeKey, std::weak_ptr<OpenNode>> open_;
};

}  // namespace fat
