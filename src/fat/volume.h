// A mounted FAT12/FAT16/FAT32 volume: folders, files, attributes, label,
// free space and the cluster runs of a file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "fat/boot_sector.h"
#include "fat/dir_entry.h"
#include "fat/directory.h"
#include "fat/file.h"
#include "fat/open_files.h"
#include "fat/sector_device.h"
#include "fat/volume_core.h"

namespace fat {

struct DirEntryInfo {
  std::string longName;   // the name as shown: the long name, or the short name with its case
  std::string shortName;  // "DORNVE~1", "README.TXT"
  std::uint8_t attributes = 0;
  std::uint32_t size = 0;
  std::uint32_t firstCluster = 0;
  platform::LocalTime created;
  platform::LocalTime modified;
  platform::LocalTime accessed;  // date only
  bool isDirectory() const { return (attributes & attr::kDirectory) != 0; }
};

// One extent of a file as Windows retrieval pointers give it: logical
// clusters count from the first cluster of the data area (FAT cluster - 2).
struct ClusterRun {
  std::uint64_t virtualCluster = 0;
  std::uint64_t logicalCluster = 0;
  std::uint64_t length = 0;
  bool operator==(const ClusterRun&) const = default;
};

class Volume {
 public:
  // Mounts the volume that fills `device` (use SubRangeDevice for a
  // partition). A read-only mount never writes.
  static std::unique_ptr<Volume> Mount(ISectorDevice& device, bool writable, Status* status);
  // Writes what is buffered; errors are lost here, so call Flush() first.
  ~Volume();
  Volume(const Volume&) = delete;
  Volume& operator=(const Volume&) = delete;

  const Geometry& geometry() const { return core_.geometry; }
  bool writable() const { return core_.io.writable(); }

  // Writes open files' entries, the FAT and FSInfo, and waits until the
  // medium holds every write made so far (no wait when nothing was written).
  Status Flush();
  // The same without the wait: for readers around the engine, such as raw
  // sector reads of the same medium.
  Status WriteOut();

  // The exact free count, from one pass over the FAT the first time it is
  // asked for on this mount; 0 when the FAT cannot be read.
  std::uint64_t FreeClusters();
  std::uint64_t FreeBytes() { return FreeClusters() * ClusterBytes(); }
  std::uint64_t TotalBytes() const {
    return static_cast<std::uint64_t>(core_.geometry.clusterCount) * ClusterBytes();
  }
  std::uint32_t ClusterBytes() const { return core_.geometry.ClusterBytes(); }

  // The label entry of the root folder, else the boot sector's label; empty
  // when there is none.
  Status GetLabel(std::string* label);
  // Sets both; an empty label removes it.
  Status SetLabel(const std::string& label);

  // Paths are relative to the root; '\\' or '/' separate; "" is the root.
  Status Stat(const std::string& path, DirEntryInfo* info);
  Status ListDirectory(const std::string& path, std::vector<DirEntryInfo>* entries);
  Status CreateDirectory(const std::string& path);
  Status RemoveDirectory(const std::string& path);

  // Creates a new empty file (kExists when the name is taken) and opens it
  // for writing. The archive bit is always set, as Windows does.
  std::unique_ptr<File> CreateFile(const std::string& path, std::uint8_t attributes,
                                   Status* status);
  // kAccessDenied when writing is asked of a read-only file.
  std::unique_ptr<File> OpenFile(const std::string& path, bool writable, Status* status);
  Status DeleteFile(const std::string& path);
  Status Truncate(const std::string& path, std::uint64_t length);
  // Within a folder or across folders; kExists when the target exists.
  Status Rename(const std::string& from, const std::string& to);

  Status GetAttributes(const std::string& path, std::uint8_t* attributes);
  // Sets read-only, hidden, system and archive; the folder bit stays.
  Status SetAttributes(const std::string& path, std::uint8_t attributes);

  // The cluster runs of a file or folder; none for an empty file. A file that
  // a reader by sector number cannot trust gives kCorrupt: its chain is
  // shorter than its size, claimed by another entry too, or present while
  // its entry says it is empty.
  Status ClusterRuns(const std::string& path, std::vector<ClusterRun>* runs);
  // Bytes [offset, offset + size) of a file as the medium holds them, past
  // any cache under the device, once what the engine buffers is written:
  // the read-back of a verify. Reading past the file's end is kOutOfRange.
  Status ReadFromMedium(const std::string& path, std::uint64_t offset, void* buffer,
                        std::uint64_t size);

  // Forgets what was read of the FAT and the folders, after the medium was
  // written around the engine (raw sector writes); writes out what is
  // buffered first.
  Status ForgetCached();
  // Bytes held for the FAT's sectors, for tests of the memory bound.
  std::uint64_t CachedFatBytes() const { return core_.fat.cachedBytes(); }

 private:
  struct Located {
    bool isRoot = false;
    DirRef parent;
    DirItem item;
  };

  Volume(ISectorDevice& device, const Geometry& geometry, bool writable);
  DirRef RootRef() const;
  // The folder a subfolder entry names; kCorrupt when it names the root or
  // no cluster at all.
  Status SubfolderRef(const DirItem& item, DirRef* ref) const;
  DirEntryInfo InfoOf(const DirItem& item) const;
  // The entry of a path (with an open file's state) and its chain.
  Status LocateChain(const std::string& path, Located* at, std::vector<ClusterSpan>* spans,
                     std::uint64_t enoughClusters = ~std::uint64_t{0});
  static Status SplitPath(const std::string& path, std::vector<std::u16string>* parts);
  // Walks to the folder that holds the last part of `parts`; `visited`
  // receives the folders on the way.
  Status WalkToParent(const std::vector<std::u16string>& parts, DirRef* parent,
                      std::vector<DirRef>* visited = nullptr);
  Status Locate(const std::string& path, Located* out);
  // The folder and the cleaned leaf name for a new entry.
  Status LocateNew(const std::string& path, DirRef* parent, std::u16string* leaf,
                   std::vector<DirRef>* visited = nullptr);
  // Long-name entries (if needed) and the short entry for a new name.
  Status BuildEntries(const Directory& dir, const std::u16string& name, const RawEntry& base,
                      std::vector<RawEntry>* entries);
  Status WriteBootLabel(const ShortName& field);
  // Removes the entry from its folder, then frees its clusters.
  Status EraseEntry(const Located& at, const std::vector<ClusterSpan>& spans);
  // kCorrupt when another entry of the volume claims a cluster of `spans`.
  Status CheckSoleOwner(const Located& at, const std::vector<ClusterSpan>& spans);

  VolumeCore core_;
  OpenFiles files_{core_};  // after core_, which it uses
};

}  // namespace fat
