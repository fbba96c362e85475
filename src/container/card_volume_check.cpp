#include "container/card_volume_check.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "container/card_volume_sectors.h"
#include "container/ffa_store.h"
#include "driveaccess/dda_error_codes.h"
#include "driveaccess/direct_disk_access.h"
#include "fat/cross_links.h"
#include "fat/partition.h"
#include "fat/volume_core.h"
#include "platform/drive.h"
#include "platform/files.h"

namespace {

constexpr std::uint32_t kSectorSize = 512;

// The card's sectors through raw access, for the FAT engine; never written.
class RawDiskDevice : public fat::ISectorDevice {
 public:
  RawDiskDevice(CDirectDiskAccess& disk, std::uint64_t sectors) : disk_(disk), sectors_(sectors) {}
  std::uint32_t SectorSize() const override { return kSectorSize; }
  std::uint64_t SectorCount() const override { return sectors_; }
  fat::Status ReadSectors(std::uint64_t first, std::uint32_t count, void* buffer) override {
    fat::Status s = fat::CheckRange(first, count, sectors_);
    if (!s.ok()) return s;
    if (disk_.ReadSectors(buffer, first, count) != DDA_NO_ERROR) {
      return fat::Fail(fat::Error::kIo, "the card cannot be read");
    }
    return fat::Status::Ok();
  }
  fat::Status WriteSectors(std::uint64_t, std::uint32_t, const void*) override {
    return fat::Fail(fat::Error::kReadOnly, "the check only reads");
  }
  fat::Status Sync() override { return fat::Status::Ok(); }

 private:
  CDirectDiskAccess& disk_;
  std::uint64_t sectors_;
};

bool HasBootSignature(const std::uint8_t* sector) {
  return sector[510] == 0x55 && sector[511] == 0xAA;
}

// A boot sector without its signature, read as if it had one: systems that
// do not look at the signature mount such a volume, so the check still looks
// at it and names what is missing.
bool ParseUnsigned(const std::uint8_t* sector, std::uint64_t sectors, fat::Geometry* g) {
  std::uint8_t copy[kSectorSize];
  std::memcpy(copy, sector, kSectorSize);
  copy[510] = 0x55;
  copy[511] = 0xAA;
  fat::Status status;
  return fat::ParseBootSector(copy, sectors, g, &status);
}

// Where the volume is when only its boot sector's signature is missing: the
// whole card, or the first partition whose first sector is such a sector.
bool FindUnsignedVolume(fat::ISectorDevice& device, std::uint64_t* start, std::uint64_t* sectors) {
  std::uint8_t sector[kSectorSize];
  fat::Geometry g;
  if (!device.ReadSectors(0, 1, sector).ok()) return false;
  if (!HasBootSignature(sector) && ParseUnsigned(sector, device.SectorCount(), &g)) {
    *start = 0;
    *sectors = device.SectorCount();
    return true;
  }
  const fat::MbrInfo mbr = fat::ParseMbr(sector);
  if (!mbr.valid) return false;
  for (const fat::MbrPartition& p : mbr.partitions) {
    if (!p.used() || fat::IsExtendedPartitionType(p.type) || p.lbaStart >= device.SectorCount()) {
      continue;
    }
    const std::uint64_t available =
        std::min<std::uint64_t>(p.sectorCount, device.SectorCount() - p.lbaStart);
    if (!device.ReadSectors(p.lbaStart, 1, sector).ok()) return false;
    if (!HasBootSignature(sector) && ParseUnsigned(sector, available, &g)) {
      *start = p.lbaStart;
      *sectors = available;
      return true;
    }
  }
  return false;
}

std::uint64_t ClusterTotal(const std::vector<fat::ClusterSpan>& spans) {
  std::uint64_t total = 0;
  for (const fat::ClusterSpan& span : spans) total += span.length;
  return total;
}

// The engine names the other owner in quotes; the finding shows just that.
std::string QuotedPart(const std::string& message) {
  const std::size_t open = message.find('"');
  const std::size_t close = message.rfind('"');
  if (open == std::string::npos || close <= open) return std::string();
  return message.substr(open + 1, close - open - 1);
}

fat::DirRef RootOf(const fat::Geometry& g) {
  return g.fatType == 32 ? fat::DirRef{false, g.rootCluster} : fat::DirRef{true, 0};
}

// Where the container's entry is, when the volume has one.
struct ContainerEntry {
  fat::EntryRef ref;
  std::uint32_t firstCluster = 0;
  std::uint32_t size = 0;
};

bool FindContainerEntry(fat::VolumeCore& core, ContainerEntry* out) {
  fat::Directory root;
  if (!fat::Directory::Load(core, RootOf(core.geometry), &root).ok()) return false;
  fat::DirItem folder;
  if (!root.Find(u"DornveldFLP", &folder) || !folder.isDirectory()) return false;
  const std::uint32_t folderCluster =
      fat::EntryFirstCluster(folder.raw.data(), core.geometry.fatType);
  if (!core.fat.IsCluster(folderCluster)) return false;
  const fat::DirRef folderRef{false, folderCluster};
  fat::Directory dir;
  if (!fat::Directory::Load(core, folderRef, &dir).ok()) return false;
  fat::DirItem file;
  if (!dir.Find(u"DornveldCIF.dfp", &file) || file.isDirectory()) return false;
  out->ref = fat::EntryRef{folderRef, file.shortIndex};
  out->firstCluster = fat::EntryFirstCluster(file.raw.data(), core.geometry.fatType);
  out->size = file.size();
  return true;
}

// Which clusters some entry owns: 0 none, 1 the container, 2 another entry.
class Owners {
 public:
  explicit Owners(std::uint32_t maxCluster) : owner_(static_cast<std::size_t>(maxCluster) + 1) {}
  void Mark(const std::vector<fat::ClusterSpan>& spans, std::uint8_t who, bool* clash) {
    for (const fat::ClusterSpan& span : spans) {
      for (std::uint32_t c = span.first; c < span.first + span.length && c < owner_.size(); ++c) {
        // A clash with the container is its own finding already.
        if (owner_[c] == 2 && who == 2) *clash = true;
        if (owner_[c] == 0) owner_[c] = who;
      }
    }
  }
  std::uint8_t Of(std::uint32_t c) const { return c < owner_.size() ? owner_[c] : 0; }

 private:
  std::vector<std::uint8_t> owner_;
};

// The FAT entry of `cluster` in a piece of a FAT that starts at entry `base`.
std::uint32_t DecodeEntry(const std::uint8_t* piece, std::uint32_t index, int fatType) {
  if (fatType == 32) return le::Read32(piece + index * 4u) & 0x0FFFFFFF;
  if (fatType == 16) return le::Read16(piece + index * 2u);
  const std::uint16_t pair = le::Read16(piece + index * 3u / 2u);
  return (index & 1) != 0 ? pair >> 4 : pair & 0x0FFF;
}

// Compares the FAT copies entry by entry; counts the differing clusters of
// the container and those of the rest of the volume. Pieces of 96 sectors
// hold whole FAT12 entries.
void CompareFatCopies(fat::VolumeCore& core, const Owners& owners, std::uint64_t* inContainer,
                      std::uint64_t* elsewhere) {
  const fat::Geometry& g = core.geometry;
  if (g.fatCount < 2) return;
  constexpr std::uint32_t kPiece = 96;
  const std::uint32_t bytesPerEntryTimes2 = g.fatType == 12 ? 3 : g.fatType == 16 ? 4 : 8;
  ByteBuffer first(static_cast<std::size_t>(kPiece) * g.bytesPerSector);
  ByteBuffer other(first.size());
  for (std::uint32_t at = 0; at < g.fatSectors; at += kPiece) {
    const std::uint32_t count = std::min(kPiece, g.fatSectors - at);
    if (!core.io.Read(g.fatStart + at, count, first.data()).ok()) return;
    for (std::uint32_t copy = 1; copy < g.fatCount; ++copy) {
      if (!core.io.Read(g.fatStart + copy * g.fatSectors + at, count, other.data()).ok()) return;
      const std::size_t bytes = static_cast<std::size_t>(count) * g.bytesPerSector;
      if (std::equal(first.begin(), first.begin() + bytes, other.begin())) continue;
      const std::uint64_t base =
          static_cast<std::uint64_t>(at) * g.bytesPerSector * 2 / bytesPerEntryTimes2;
      const std::uint32_t entries = static_cast<std::uint32_t>(bytes * 2 / bytesPerEntryTimes2);
      for (std::uint32_t i = 0; i < entries; ++i) {
        const std::uint64_t c = base + i;
        if (c < 2 || c > g.MaxCluster()) continue;
        if (DecodeEntry(first.data(), i, g.fatType) == DecodeEntry(other.data(), i, g.fatType)) {
          continue;
        }
        ++(owners.Of(static_cast<std::uint32_t>(c)) == 1 ? *inContainer : *elsewhere);
      }
    }
  }
}

// The volume's own health: chains that break or loop, files whose length
// their chain does not hold, clusters two entries claim, clusters in use
// that no entry claims. Counts each kind once.
struct VolumeFaults {
  std::uint64_t brokenChains = 0;
  std::uint64_t wrongLengths = 0;
  bool crossLinks = false;
  std::uint64_t lostClusters = 0;
  std::uint64_t fatDifferences = 0;
  std::uint32_t freeClusters = 0;
  bool fatReadThrough = false;  // freeClusters counts the whole FAT
};

void WalkVolume(fat::VolumeCore& core, const ContainerEntry* container, Owners& owners,
                VolumeFaults& faults) {
  const fat::Geometry& g = core.geometry;
  const fat::DirRef root = RootOf(g);
  std::vector<fat::ClusterSpan> spans;
  if (!root.fixedRoot) {
    if (core.fat.ReadChain(root.cluster, &spans, g.clusterCount).ok()) {
      owners.Mark(spans, 2, &faults.crossLinks);
    } else {
      ++faults.brokenChains;
    }
  }
  std::vector<fat::DirRef> pending = {root};
  std::set<std::uint32_t> seen = {root.Key()};
  while (!pending.empty()) {
    const fat::DirRef ref = pending.back();
    pending.pop_back();
    fat::Directory dir;
    if (!fat::Directory::Load(core, ref, &dir).ok()) {
      ++faults.brokenChains;
      continue;
    }
    for (std::uint32_t i = 0; i < dir.entryCount(); ++i) {
      const std::uint8_t* e = dir.Entry(i);
      if (e[0] == 0x00) break;
      if (e[0] == fat::kDeletedMark || e[0] == '.' || fat::IsLongNameEntry(e)) continue;
      if (container != nullptr && ref == container->ref.folder && i == container->ref.index) {
        continue;  // looked at on its own
      }
      const std::uint32_t first = fat::EntryFirstCluster(e, g.fatType);
      const bool folder = (e[fat::entry::kAttributes] &
                           (fat::attr::kDirectory | fat::attr::kVolume)) == fat::attr::kDirectory;
      if (first == 0) {
        if (!folder && fat::EntrySize(e) != 0) ++faults.wrongLengths;
        continue;
      }
      if (!core.fat.ReadChain(first, &spans, g.clusterCount).ok()) {
        ++faults.brokenChains;
        owners.Mark(spans, 2, &faults.crossLinks);
        continue;
      }
      owners.Mark(spans, 2, &faults.crossLinks);
      if (!folder) {
        const std::uint64_t needed =
            (static_cast<std::uint64_t>(fat::EntrySize(e)) + g.ClusterBytes() - 1) /
            g.ClusterBytes();
        if (needed != ClusterTotal(spans)) ++faults.wrongLengths;
      } else if (seen.insert(first).second) {
        pending.push_back(fat::DirRef{false, first});
      }
    }
  }
  const std::uint32_t bad = g.fatType == 12 ? 0xFF7 : g.fatType == 16 ? 0xFFF7 : 0x0FFFFFF7;
  for (std::uint32_t c = 2; c <= g.MaxCluster(); ++c) {
    std::uint32_t value = 0;
    if (!core.fat.Get(c, &value).ok()) return;
    if (value == 0) ++faults.freeClusters;
    if (value != 0 && value != bad && owners.Of(c) == 0) ++faults.lostClusters;
  }
  faults.fatReadThrough = true;
}

// A card device the system has mounted, as opposed to a card image or a
// device no system mount holds.
bool SystemMounted(char drive) {
  const std::shared_ptr<platform::IDrive> d = platform::DriveTable::Instance().Find(drive);
  if (!d) return false;
  const platform::DriveDescription description = d->Description();
  return description.isDevice && !description.mountFolder.empty();
}

std::string Count(std::uint64_t n) {
  return std::to_string(n);
}

}  // namespace

void CheckContainerOnVolume(char drive, std::vector<CheckFinding>& findings) {
  // What the system still holds for the card reaches it first.
  (void)platform::FlushVolume(std::string(1, drive) + ":\\");
  CDirectDiskAccess disk;
  if (disk.Open(drive, false) != DDA_NO_ERROR) return;
  DriveGeometry geometry;
  if (disk.GetGeometry(geometry) != DDA_NO_ERROR || geometry.bytesPerSector != kSectorSize) return;
  disk.SetSectorSize(kSectorSize);
  RawDiskDevice device(disk, geometry.totalSectors);
  std::uint64_t start = 0;
  std::uint64_t sectors = 0;
  fat::Status status;
  if (!fat::FindFatVolume(device, &start, &sectors, &status) &&
      !FindUnsignedVolume(device, &start, &sectors)) {
    return;
  }
  fat::SubRangeDevice volume(device, start, sectors);
  std::uint8_t boot[kSectorSize];
  if (!volume.ReadSectors(0, 1, boot).ok()) return;
  fat::Geometry g;
  if (!ParseUnsigned(boot, volume.SectorCount(), &g)) return;
  if (g.bytesPerSector != kSectorSize) return;  // cards have 512-byte sectors
  fat::VolumeCore core(volume, g, false);
  if (!core.Load().ok()) return;

  Owners owners(g.MaxCluster());
  ContainerEntry container;
  const bool found = FindContainerEntry(core, &container);
  if (found) {
    std::vector<fat::ClusterSpan> spans;
    const bool whole = core.fat.IsCluster(container.firstCluster) &&
                       core.fat.ReadChain(container.firstCluster, &spans, g.clusterCount).ok();
    const std::uint64_t needed =
        (static_cast<std::uint64_t>(container.size) + g.ClusterBytes() - 1) / g.ClusterBytes();
    const std::uint64_t held = ClusterTotal(spans);
    // An empty file without a chain is whole; anything else must hold its length.
    if ((!whole && !(container.firstCluster == 0 && needed == 0)) || held != needed) {
      findings.push_back({CheckCode::kChainLength, CheckSeverity::kError, -1,
                          Count(held) + " / " + Count(needed)});
    }
    bool unused = false;  // the container's own marks never clash
    owners.Mark(spans, 1, &unused);
    const fat::Status sole = fat::CheckSoleOwner(core, RootOf(g), container.ref, spans);
    if (!sole.ok()) {
      findings.push_back(
          {CheckCode::kCrossLinked, CheckSeverity::kError, -1, QuotedPart(sole.message)});
    }
  }

  VolumeFaults faults;
  WalkVolume(core, found ? &container : nullptr, owners, faults);
  std::uint64_t containerDiffs = 0;
  CompareFatCopies(core, owners, &containerDiffs, &faults.fatDifferences);
  if (containerDiffs != 0) {
    findings.push_back({CheckCode::kFatCopies, CheckSeverity::kError, -1, Count(containerDiffs)});
  }
  auto fault = [&](std::uint64_t n, CheckCode code) {
    if (n != 0) findings.push_back({code, CheckSeverity::kWarning, -1, Count(n)});
  };
  fault(faults.brokenChains, CheckCode::kVolumeChains);
  fault(faults.wrongLengths, CheckCode::kVolumeLengths);
  if (faults.crossLinks)
    findings.push_back({CheckCode::kVolumeCrossLinks, CheckSeverity::kWarning, -1, ""});
  fault(faults.lostClusters, CheckCode::kVolumeLostClusters);
  fault(faults.fatDifferences, CheckCode::kVolumeFatCopies);
  CheckVolumeSectors(core, boot, faults.fatReadThrough ? &faults.freeClusters : nullptr,
                     SystemMounted(drive), findings);
  disk.CloseAfterReading();
}
