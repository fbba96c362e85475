#include "fat/directory.h"

#include <algorithm>
#include <cstring>

namespace fat {
namespace {
constexpr std::uint32_t kMaxEntries = 65536;
}  // namespace

std::u16string DirItem::DisplayName() const {
  if (!longName.empty()) return longName;
  std::u16string out;
  Utf8ToUtf16(ShortNameToString(shortName(), raw[entry::kCaseBits]), &out);
  return out;
}

Status Directory::Load(VolumeCore& core, const DirRef& ref, Directory* out) {
  const Geometry& g = core.geometry;
  Directory d;
  d.ref_ = ref;
  d.sectorBytes_ = g.bytesPerSector;
  d.isRoot_ = ref.fixedRoot || (g.fatType == 32 && ref.cluster == g.rootCluster);
  if (!ref.fixedRoot) {
    std::vector<ClusterSpan> spans;
    const std::uint64_t maxClusters =
        (kMaxEntries * kEntrySize + g.ClusterBytes() - 1) / g.ClusterBytes();
    Status s = core.fat.ReadChain(ref.cluster, &spans, maxClusters);
    if (!s.ok())
      return Fail(s.error, "folder at cluster " + std::to_string(ref.cluster) + ": " + s.message);
    for (const ClusterSpan& span : spans) {
      for (std::uint32_t c = 0; c < span.length; ++c) d.clusters_.push_back(span.first + c);
    }
  }
  // A folder read before is taken from memory while its chain is the same.
  auto cached = core.folders.find(ref.Key());
  if (cached != core.folders.end() && cached->second.clusters == d.clusters_) {
    d.data_ = cached->second.data;
  } else {
    Status s = d.ReadFromMedium(core);
    if (!s.ok()) return s;
    core.folders[ref.Key()] = CachedFolder{d.data_, d.clusters_};
  }
  d.entries_ = static_cast<std::uint32_t>(d.data_.size() / kEntrySize);
  d.end_ = d.entryCount();
  for (std::uint32_t i = 0; i < d.entryCount(); ++i) {
    if (d.Entry(i)[0] == 0x00) {
      d.end_ = i;
      break;
    }
  }
  *out = std::move(d);
  return Status::Ok();
}

Status Directory::ReadFromMedium(VolumeCore& core) {
  const Geometry& g = core.geometry;
  if (ref_.fixedRoot) {
    data_.resize(static_cast<std::size_t>(g.rootDirSectors) * g.bytesPerSector);
    Status s = core.io.Read(g.rootStart, g.rootDirSectors, data_.data());
    if (!s.ok()) return Fail(s.error, "cannot read the root folder: " + s.message);
  } else {
    data_.resize(clusters_.size() * g.ClusterBytes());
    std::size_t i = 0;
    while (i < clusters_.size()) {
      std::size_t n = 1;
      while (i + n < clusters_.size() && clusters_[i + n] == clusters_[i] + n) ++n;
      Status s = core.io.Read(g.ClusterSector(clusters_[i]),
                              static_cast<std::uint64_t>(n) * g.sectorsPerCluster,
                              data_.data() + i * g.ClusterBytes());
      if (!s.ok()) return Fail(s.error, "cannot read a folder: " + s.message);
      i += n;
    }
  }
  // Everything after the first 0x00 entry is unused, whatever it holds.
  for (std::size_t at = 0; at < data_.size(); at += kEntrySize) {
    if (data_[at] == 0x00) {
      std::memset(data_.data() + at, 0, data_.size() - at);
      break;
    }
  }
  return Status::Ok();
}

void Directory::Touch(std::uint32_t index) {
  dirtySectors_.insert(static_cast<std::uint32_t>(index * kEntrySize / sectorBytes_));
}

std::vector<DirItem> Directory::Items() const {
  std::vector<DirItem> items;
  std::u16string parts;
  int expected = 0;  // next long-name ordinal expected; 0 = none pending
  std::uint8_t checksum = 0;
  std::uint32_t start = 0;
  auto* self = const_cast<Directory*>(this);
  for (std::uint32_t i = 0; i < end_; ++i) {
    const std::uint8_t* e = self->Entry(i);
    if (e[0] == kDeletedMark) {
      expected = 0;
      continue;
    }
    if (IsLongNameEntry(e)) {
      const int ordinal = e[0] & 0x1F;
      if (e[0] & 0x40) {
        if (ordinal == 0 || ordinal > 20) {
          expected = 0;
          continue;
        }
        parts.assign(static_cast<std::size_t>(ordinal) * kLongNameUnitsPerEntry, u'\0');
        checksum = e[13];
        start = i;
      } else if (expected == 0 || ordinal != expected || e[13] != checksum) {
        expected = 0;
        continue;
      }
      LongNameUnits(e, &parts[static_cast<std::size_t>(ordinal - 1) * kLongNameUnitsPerEntry]);
      expected = ordinal - 1;
      if (expected == 0) expected = -1;  // complete; the short entry must follow
      continue;
    }
    const bool complete = expected == -1;
    expected = 0;
    if (IsVolumeLabelEntry(e)) continue;
    DirItem item;
    item.shortIndex = i;
    item.firstIndex = i;
    std::memcpy(item.raw.data(), e, kEntrySize);
    if (complete && ShortNameChecksum(EntryShortName(e)) == checksum) {
      const std::size_t nul = parts.find(u'\0');
      item.longName = parts.substr(0, nul);
      item.firstIndex = start;
    }
    items.push_back(item);
  }
  return items;
}

bool Directory::Find(const std::u16string& name, DirItem* item) const {
  for (const DirItem& candidate : Items()) {
    if (candidate.isDotEntry()) continue;
    if ((!candidate.longName.empty() && NamesEqual(candidate.longName, name))) {
      *item = candidate;
      return true;
    }
    std::u16string shortName;
    Utf8ToUtf16(ShortNameToString(candidate.shortName()), &shortName);
    if (NamesEqual(shortName, name)) {
      *item = candidate;
      return true;
    }
  }
  return false;
}

bool Directory::HasShortName(const ShortName& name) const {
  auto* self = const_cast<Directory*>(this);
  for (std::uint32_t i = 0; i < end_; ++i) {
    const std::uint8_t* e = self->Entry(i);
    // The root's label has a name space of its own; an entry with the label
    // bit in a folder is some other system's file and keeps its name.
    if (e[0] == kDeletedMark || IsLongNameEntry(e) || (isRoot_ && IsVolumeLabelEntry(e))) continue;
    if (std::memcmp(e, name.data(), name.size()) == 0) return true;
  }
  return false;
}

int Directory::LabelIndex() const {
  auto* self = const_cast<Directory*>(this);
  for (std::uint32_t i = 0; i < end_; ++i) {
    const std::uint8_t* e = self->Entry(i);
    if (e[0] != kDeletedMark && IsVolumeLabelEntry(e)) return static_cast<int>(i);
  }
  return -1;
}

Status Directory::Insert(VolumeCore& core, const std::vector<RawEntry>& entries,
                         std::uint32_t* lastIndex) {
  const auto needed = static_cast<std::uint32_t>(entries.size());
  for (;;) {
    std::uint32_t run = 0;
    for (std::uint32_t i = 0; i < entryCount(); ++i) {
      const std::uint8_t first = Entry(i)[0];
      run = (first == 0x00 || first == kDeletedMark) ? run + 1 : 0;
      if (run < needed) continue;
      const std::uint32_t from = i + 1 - needed;
      for (std::uint32_t k = 0; k < needed; ++k) {
        std::memcpy(Entry(from + k), entries[k].data(), kEntrySize);
        Touch(from + k);
      }
      if (i + 1 > end_) {
        // The run reached into the unused tail: the entry after it must read
        // as the end marker on the medium too.
        if (i + 1 < entryCount()) Touch(i + 1);
        end_ = i + 1;
      }
      *lastIndex = i;
      return Status::Ok();
    }
    if (ref_.fixedRoot) return Fail(Error::kDiskFull, "the root folder is full");
    Status s = Grow(core);
    if (!s.ok()) return s;
  }
}

bool Directory::CanInsert(VolumeCore& core, std::uint32_t count) const {
  auto* self = const_cast<Directory*>(this);
  std::uint32_t run = 0;
  for (std::uint32_t i = 0; i < entryCount(); ++i) {
    const std::uint8_t first = self->Entry(i)[0];
    run = (first == 0x00 || first == kDeletedMark) ? run + 1 : 0;
    if (run >= count) return true;
  }
  if (ref_.fixedRoot) return false;
  const std::uint64_t growth =
      (static_cast<std::uint64_t>(count - run) * kEntrySize + core.geometry.ClusterBytes() - 1) /
      core.geometry.ClusterBytes();
  if (data_.size() + growth * core.geometry.ClusterBytes() > kMaxEntries * kEntrySize) return false;
  bool enough = false;
  return core.fat.HasFree(static_cast<std::uint32_t>(growth), &enough).ok() && enough;
}

bool Directory::HoldsEntries() const {
  auto* self = const_cast<Directory*>(this);
  for (std::uint32_t i = 0; i < end_; ++i) {
    const std::uint8_t* e = self->Entry(i);
    if (e[0] == kDeletedMark || e[0] == '.' || IsLongNameEntry(e)) continue;
    return true;  // a file, a folder, or anything else with the label bit
  }
  return false;
}

Status Directory::Grow(VolumeCore& core) {
  const std::uint32_t clusterBytes = core.geometry.ClusterBytes();
  if (data_.size() + clusterBytes > kMaxEntries * kEntrySize) {
    return Fail(Error::kDiskFull, "a folder holds at most 65536 entries");
  }
  std::vector<ClusterSpan> added;
  Status s = core.fat.Extend(clusters_.back(), 1, &added);
  if (!s.ok()) return s;
  // The new cluster reads as zeros on the medium before the link to it can
  // reach the medium: a folder never shows stale bytes as entries.
  s = core.ZeroClusters(added.front());
  if (s.ok()) s = core.Barrier();
  if (!s.ok()) {
    // Both entries are in memory already: undoing cannot fail.
    core.fat.Release(added);
    core.fat.Set(clusters_.back(), core.fat.EndOfChain());
    return s;
  }
  clusters_.push_back(added.front().first);
  data_.resize(data_.size() + clusterBytes, 0);
  entries_ = static_cast<std::uint32_t>(data_.size() / kEntrySize);
  return Status::Ok();
}

void Directory::Erase(const DirItem& item) {
  for (std::uint32_t i = item.firstIndex; i <= item.shortIndex; ++i) {
    Entry(i)[0] = kDeletedMark;
    Touch(i);
  }
}

std::uint64_t Directory::SectorOf(const VolumeCore& core, std::uint32_t dirSector) const {
  const Geometry& g = core.geometry;
  if (ref_.fixedRoot) return g.rootStart + static_cast<std::uint64_t>(dirSector);
  return g.ClusterSector(clusters_[dirSector / g.sectorsPerCluster]) +
         dirSector % g.sectorsPerCluster;
}

Status Directory::Store(VolumeCore& core) {
  const std::uint32_t bps = core.geometry.bytesPerSector;
  auto cached = core.folders.find(ref_.Key());
  // A copy held for a shorter chain grows with the folder: what the new
  // clusters hold is zeros on the medium unless it is written below.
  if (cached != core.folders.end()) {
    std::vector<std::uint32_t>& kept = cached->second.clusters;
    if (kept.size() < clusters_.size() && std::equal(kept.begin(), kept.end(), clusters_.begin())) {
      const std::size_t from = cached->second.data.size();
      cached->second.data.resize(data_.size(), 0);
      kept = clusters_;
      for (std::size_t at = from; at < data_.size(); at += bps) {
        if (dirtySectors_.count(static_cast<std::uint32_t>(at / bps)) == 0) {
          std::memset(cached->second.data.data() + at, 0, bps);
        }
      }
    } else if (kept != clusters_) {
      core.folders.erase(cached);
      cached = core.folders.end();
    }
  }
  while (!dirtySectors_.empty()) {
    const std::uint32_t first = *dirtySectors_.begin();
    std::uint32_t count = 1;
    while (dirtySectors_.count(first + count) != 0 &&
           SectorOf(core, first + count) == SectorOf(core, first) + count) {
      ++count;
    }
    Status s = core.Remember(core.io.Write(SectorOf(core, first), count,
                                           data_.data() + static_cast<std::size_t>(first) * bps));
    if (!s.ok()) {
      core.folders.erase(ref_.Key());
      return Fail(s.error, "cannot write a folder: " + s.message);
    }
    if (cached != core.folders.end()) {
      std::memcpy(cached->second.data.data() + static_cast<std::size_t>(first) * bps,
                  data_.data() + static_cast<std::size_t>(first) * bps,
                  static_cast<std::size_t>(count) * bps);
    }
    for (std::uint32_t k = 0; k < count; ++k) dirtySectors_.erase(first + k);
  }
  return Status::Ok();
}

}  // namespace fat
