// Creating, deleting and renaming entries. Writes go in an order that never
// lets two entries claim one cluster, whatever write fails or is lost when
// the power goes: new clusters are zeroed and linked on the medium before an
// entry names them, and an entry is gone from the medium before its clusters
// are freed. A barrier (a wait for the medium) stands between the two halves
// of each such pair, and nowhere else.
#include <algorithm>
#include <cstring>

#include "fat/cross_links.h"
#include "fat/volume.h"

namespace fat {

Status Volume::CreateDirectory(const std::string& path) {
  Status s = core_.CanWrite();
  if (!s.ok()) return s;
  DirRef parentRef;
  std::u16string leaf;
  s = LocateNew(path, &parentRef, &leaf);
  if (!s.ok()) return s;
  Directory parent;
  s = Directory::Load(core_, parentRef, &parent);
  if (!s.ok()) return s;
  DirItem existing;
  if (parent.Find(leaf, &existing)) return Fail(Error::kExists, "the name exists");

  const platform::LocalTime now = platform::GetLocalTime();
  std::vector<ClusterSpan> added;
  s = core_.fat.Extend(0, 1, &added);
  if (!s.ok()) return s;
  const std::uint32_t cluster = added.front().first;
  core_.folders.erase(cluster);
  // The new folder's first cluster: "." and "..", the rest zero.
  ByteBuffer content(core_.geometry.ClusterBytes(), 0);
  ShortName dot;
  dot.fill(' ');
  dot[0] = '.';
  RawEntry self = MakeShortEntry(dot, attr::kDirectory, cluster, now);
  dot[1] = '.';
  const std::uint32_t parentCluster = parentRef == RootRef() ? 0 : parentRef.cluster;
  RawEntry up = MakeShortEntry(dot, attr::kDirectory, parentCluster, now);
  std::memcpy(content.data(), self.data(), kEntrySize);
  std::memcpy(content.data() + kEntrySize, up.data(), kEntrySize);
  s = core_.WriteBytes(core_.ClusterAddress(cluster), content.data(), content.size());
  std::vector<RawEntry> entries;
  if (s.ok())
    s = BuildEntries(parent, leaf, MakeShortEntry({}, attr::kDirectory, cluster, now), &entries);
  std::uint32_t last = 0;
  if (s.ok()) s = parent.Insert(core_, entries, &last);
  if (!s.ok()) {
    core_.fat.Release(added);
    return s;
  }
  s = core_.FlushFat();
  // The folder's cluster, its "." and "..", and its link are on the medium
  // before the entry that names it.
  if (s.ok()) s = core_.Barrier();
  if (!s.ok()) return s;
  return parent.Store(core_);
}

Status Volume::RemoveDirectory(const std::string& path) {
  Status s = core_.CanWrite();
  if (!s.ok()) return s;
  Located at;
  s = Locate(path, &at);
  if (!s.ok()) return s;
  if (at.isRoot) return Fail(Error::kAccessDenied, "the root cannot be removed");
  if (!at.item.isDirectory()) return Fail(Error::kNotDirectory, "not a folder");
  if (at.item.attributes() & attr::kReadOnly) {
    return Fail(Error::kAccessDenied, "the folder is read-only");
  }
  DirRef ref;
  s = SubfolderRef(at.item, &ref);
  if (!s.ok()) return s;
  Directory dir;
  s = Directory::Load(core_, ref, &dir);
  if (!s.ok()) return s;
  // Entries of any kind count, the label bit's too: removing the folder
  // would lose their clusters.
  if (dir.HoldsEntries()) return Fail(Error::kNotEmpty, "the folder is not empty");
  std::vector<ClusterSpan> spans;
  s = core_.fat.ReadChain(ref.cluster, &spans);
  if (!s.ok()) return s;
  s = CheckSoleOwner(at, spans);
  if (!s.ok()) return s;
  return EraseEntry(at, spans);
}

std::unique_ptr<File> Volume::CreateFile(const std::string& path, std::uint8_t attributes,
                                         Status* status) {
  *status = core_.CanWrite();
  if (!status->ok()) return nullptr;
  DirRef parentRef;
  std::u16string leaf;
  *status = LocateNew(path, &parentRef, &leaf);
  if (!status->ok()) return nullptr;
  Directory parent;
  *status = Directory::Load(core_, parentRef, &parent);
  if (!status->ok()) return nullptr;
  DirItem existing;
  if (parent.Find(leaf, &existing)) {
    *status = Fail(Error::kExists, "the name exists");
    return nullptr;
  }
  const std::uint8_t fileAttributes =
      static_cast<std::uint8_t>((attributes & attr::kChangeable) | attr::kArchive);
  std::vector<RawEntry> entries;
  *status = BuildEntries(parent, leaf,
                         MakeShortEntry({}, fileAttributes, 0, platform::GetLocalTime()), &entries);
  if (!status->ok()) return nullptr;
  std::uint32_t last = 0;
  *status = parent.Insert(core_, entries, &last);
  if (!status->ok()) return nullptr;
  *status = core_.FlushFat();
  if (!status->ok()) return nullptr;
  *status = parent.Store(core_);
  if (!status->ok()) return nullptr;
  DirItem item;
  item.shortIndex = last;
  std::memcpy(item.raw.data(), parent.Entry(last), kEntrySize);
  // A new file is opened for writing even when it is created read-only.
  return files_.Open(parentRef, item, true, status);
}

std::unique_ptr<File> Volume::OpenFile(const std::string& path, bool writable, Status* status) {
  if (writable) {
    *status = core_.CanWrite();
    if (!status->ok()) return nullptr;
  }
  Located at;
  *status = Locate(path, &at);
  if (!status->ok()) return nullptr;
  if (at.item.isDirectory()) {
    *status = Fail(Error::kIsDirectory, "a folder cannot be opened as a file");
    return nullptr;
  }
  if (writable && (at.item.attributes() & attr::kReadOnly)) {
    *status = Fail(Error::kAccessDenied, "the file is read-only");
    return nullptr;
  }
  const std::uint32_t first = EntryFirstCluster(at.item.raw.data(), core_.geometry.fatType);
  if (writable && first != 0 && !files_.IsOpen(at.parent, at.item.shortIndex)) {
    // Writing through a chain that runs into another file would change it.
    std::vector<ClusterSpan> spans;
    *status = core_.fat.ReadChain(first, &spans);
    if (status->ok()) *status = CheckSoleOwner(at, spans);
    if (!status->ok()) return nullptr;
  }
  return files_.Open(at.parent, at.item, writable, status);
}

Status Volume::DeleteFile(const std::string& path) {
  Status s = core_.CanWrite();
  if (!s.ok()) return s;
  Located at;
  s = Locate(path, &at);
  if (!s.ok()) return s;
  if (at.item.isDirectory()) return Fail(Error::kIsDirectory, "a folder is not deleted as a file");
  if (at.item.attributes() & attr::kReadOnly) {
    return Fail(Error::kAccessDenied, "the file is read-only");
  }
  if (files_.IsOpen(at.parent, at.item.shortIndex)) return Fail(Error::kBusy, "the file is open");
  std::vector<ClusterSpan> spans;
  const std::uint32_t first = EntryFirstCluster(at.item.raw.data(), core_.geometry.fatType);
  // A broken chain is left as it is (lost clusters for a disk check to
  // collect); freeing part of it could free clusters another file uses.
  if (first != 0 && !core_.fat.ReadChain(first, &spans).ok()) spans.clear();
  // A chain that runs into another file is not freed, nor is the entry
  // removed: the volume stays as it is for a disk check to mend.
  s = CheckSoleOwner(at, spans);
  if (!s.ok()) return s;
  return EraseEntry(at, spans);
}

Status Volume::Truncate(const std::string& path, std::uint64_t length) {
  Status s;
  std::unique_ptr<File> file = OpenFile(path, true, &s);
  if (!file) return s;
  s = file->SetLength(length);
  Status closed = file->Close();
  return s.ok() ? closed : s;
}

Status Volume::Rename(const std::string& from, const std::string& to) {
  Status s = core_.CanWrite();
  if (!s.ok()) return s;
  Located source;
  s = Locate(from, &source);
  if (!s.ok()) return s;
  if (source.isRoot) return Fail(Error::kAccessDenied, "the root cannot be renamed");
  if (files_.IsOpen(source.parent, source.item.shortIndex))
    return Fail(Error::kBusy, "the file is open");
  DirRef targetRef;
  std::u16string leaf;
  std::vector<DirRef> visited;
  s = LocateNew(to, &targetRef, &leaf, &visited);
  if (!s.ok()) return s;
  const bool isDir = source.item.isDirectory();
  DirRef movedRef;
  if (isDir) {
    s = SubfolderRef(source.item, &movedRef);
    if (!s.ok()) return s;
  }
  if (isDir && std::find(visited.begin(), visited.end(), movedRef) != visited.end()) {
    return Fail(Error::kInvalidArgument, "a folder cannot move into itself");
  }
  const bool sameDir = targetRef == source.parent;
  Directory sourceDir;
  s = Directory::Load(core_, source.parent, &sourceDir);
  if (!s.ok()) return s;
  Directory loadedTarget;
  if (!sameDir) {
    s = Directory::Load(core_, targetRef, &loadedTarget);
    if (!s.ok()) return s;
  }
  Directory& targetDir = sameDir ? sourceDir : loadedTarget;
  DirItem existing;
  if (targetDir.Find(leaf, &existing) &&
      !(sameDir && existing.shortIndex == source.item.shortIndex)) {
    return Fail(Error::kExists, "the target name exists");
  }
  // The old entries are removed on the medium before the new ones name the
  // clusters; in memory first, so that the old short name can be reused.
  sourceDir.Erase(source.item);
  std::vector<RawEntry> entries;
  s = BuildEntries(targetDir, leaf, source.item.raw, &entries);
  if (!s.ok()) return s;
  if (!targetDir.CanInsert(core_, static_cast<std::uint32_t>(entries.size()))) {
    return Fail(Error::kDiskFull, "the target folder cannot take another entry");
  }
  s = sourceDir.Store(core_);
  // The old entries are gone from the medium before the new ones name the
  // same clusters: two entries never share them.
  if (s.ok()) s = core_.Barrier();
  if (!s.ok()) return s;
  std::uint32_t last = 0;
  s = targetDir.Insert(core_, entries, &last);
  if (!s.ok()) return core_.Remember(s);
  s = core_.FlushFat();
  if (!s.ok()) return s;
  s = targetDir.Store(core_);
  if (!s.ok()) return s;
  if (isDir && !sameDir) {
    // The moved folder's ".." names its new parent.
    Directory moved;
    s = Directory::Load(core_, movedRef, &moved);
    if (!s.ok()) return s;
    for (const DirItem& item : moved.Items()) {
      if (item.isDotEntry() && item.raw[1] == '.') {
        SetEntryFirstCluster(moved.Entry(item.shortIndex),
                             targetRef == RootRef() ? 0 : targetRef.cluster);
        moved.Touch(item.shortIndex);
      }
    }
    s = moved.Store(core_);
  }
  return s;
}

Status Volume::EraseEntry(const Located& at, const std::vector<ClusterSpan>& spans) {
  Directory parent;
  Status s = Directory::Load(core_, at.parent, &parent);
  if (!s.ok()) return s;
  parent.Erase(at.item);
  s = parent.Store(core_);
  if (!s.ok() || spans.empty()) return s;
  // The entry is gone from the medium before its clusters are free.
  s = core_.Barrier();
  if (s.ok()) s = core_.ReleaseClusters(spans);
  if (!s.ok()) return s;
  return core_.FlushFat();
}

Status Volume::CheckSoleOwner(const Located& at, const std::vector<ClusterSpan>& spans) {
  return fat::CheckSoleOwner(core_, RootRef(), EntryRef{at.parent, at.item.shortIndex}, spans);
}

}  // namespace fat
