#include "fat/volume.h"

#include <algorithm>
#include <cstring>

namespace fat {

Volume::Volume(ISectorDevice& device, const Geometry& geometry, bool writable)
    : core_(device, geometry, writable) {}

std::unique_ptr<Volume> Volume::Mount(ISectorDevice& device, bool writable, Status* status) {
  const std::uint32_t deviceSector = device.SectorSize();
  if (deviceSector < 512 || (deviceSector & (deviceSector - 1)) != 0) {
    *status = Fail(Error::kInvalidArgument, "device sector size must be a power of two >= 512");
    return nullptr;
  }
  ByteBuffer sector(deviceSector);
  Status s = device.ReadSectors(0, 1, sector.data());
  if (!s.ok()) {
    *status = Fail(s.error, "cannot read the boot sector: " + s.message);
    return nullptr;
  }
  const std::uint32_t bps = le::Read16(sector.data() + 11);
  std::uint64_t deviceSectors = device.SectorCount();
  if (bps >= deviceSector && bps % deviceSector == 0) deviceSectors /= bps / deviceSector;
  Geometry g;
  if (!ParseBootSector(sector.data(), deviceSectors, &g, status)) return nullptr;
  if (g.bytesPerSector % deviceSector != 0) {
    *status = Fail(Error::kNotFat, "the volume's sectors are smaller than the device's");
    return nullptr;
  }
  std::unique_ptr<Volume> volume(new Volume(device, g, writable));
  s = volume->core_.Load();
  if (!s.ok()) {
    *status = s;
    return nullptr;
  }
  *status = Status::Ok();
  return volume;
}

Volume::~Volume() {
  if (writable()) Flush();
}

Status Volume::WriteOut() {
  if (!writable()) return Status::Ok();
  Status first = files_.FlushWriters();
  Status s = core_.FlushFat();
  return first.ok() ? s : first;
}

Status Volume::Flush() {
  Status first = WriteOut();
  // What a caller flushes is on the medium when this returns.
  Status s = writable() ? core_.io.Sync() : Status::Ok();
  return first.ok() ? s : first;
}

std::uint64_t Volume::FreeClusters() {
  std::uint32_t count = 0;
  return core_.CountFreeClusters(&count).ok() ? count : 0;
}

Status Volume::ForgetCached() {
  Status s = WriteOut();
  core_.ForgetCached();
  return s;
}

DirRef Volume::RootRef() const {
  const Geometry& g = core_.geometry;
  return g.fatType == 32 ? DirRef{false, g.rootCluster} : DirRef{true, 0};
}

Status Volume::SubfolderRef(const DirItem& item, DirRef* ref) const {
  const std::uint32_t cluster = EntryFirstCluster(item.raw.data(), core_.geometry.fatType);
  if (cluster == 0 || (core_.geometry.fatType == 32 && cluster == core_.geometry.rootCluster)) {
    return Fail(Error::kCorrupt, "a subfolder entry points at the root");
  }
  if (!core_.fat.IsCluster(cluster)) {
    return Fail(Error::kCorrupt, "a subfolder entry points outside the volume");
  }
  *ref = DirRef{false, cluster};
  return Status::Ok();
}

DirEntryInfo Volume::InfoOf(const DirItem& item) const {
  DirEntryInfo info;
  info.longName = Utf16ToUtf8(item.DisplayName());
  info.shortName = ShortNameToString(item.shortName());
  info.attributes = item.attributes();
  info.size = item.size();
  info.firstCluster = EntryFirstCluster(item.raw.data(), core_.geometry.fatType);
  const std::uint8_t* e = item.raw.data();
  info.created = FromDos(le::Read16(e + entry::kCreateDate), le::Read16(e + entry::kCreateTime),
                         e[entry::kCreateTenths]);
  info.modified = FromDos(le::Read16(e + entry::kWriteDate), le::Read16(e + entry::kWriteTime));
  info.accessed = FromDos(le::Read16(e + entry::kAccessDate), 0);
  return info;
}

Status Volume::SplitPath(const std::string& path, std::vector<std::u16string>* parts) {
  parts->clear();
  std::u16string wide;
  if (!Utf8ToUtf16(path, &wide)) return Fail(Error::kInvalidName, "path is not valid UTF-8");
  std::u16string part;
  auto flush = [&]() -> Status {
    if (part.empty() || part == u".") {
    } else if (part == u"..") {
      if (parts->empty()) return Fail(Error::kInvalidName, "path leads above the root");
      parts->pop_back();
    } else {
      parts->push_back(part);
    }
    part.clear();
    return Status::Ok();
  };
  for (char16_t c : wide) {
    if (c == u'\\' || c == u'/') {
      Status s = flush();
      if (!s.ok()) return s;
    } else {
      part.push_back(c);
    }
  }
  return flush();
}

Status Volume::WalkToParent(const std::vector<std::u16string>& parts, DirRef* parent,
                            std::vector<DirRef>* visited) {
  DirRef ref = RootRef();
  if (visited) visited->push_back(ref);
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    Directory dir;
    Status s = Directory::Load(core_, ref, &dir);
    if (!s.ok()) return s;
    DirItem item;
    if (!dir.Find(parts[i], &item) || !item.isDirectory()) {
      return Fail(Error::kPathNotFound, "folder \"" + Utf16ToUtf8(parts[i]) + "\" not found");
    }
    s = SubfolderRef(item, &ref);
    if (!s.ok()) return s;
    if (visited) visited->push_back(ref);
  }
  *parent = ref;
  return Status::Ok();
}

Status Volume::Locate(const std::string& path, Located* out) {
  std::vector<std::u16string> parts;
  Status s = SplitPath(path, &parts);
  if (!s.ok()) return s;
  *out = Located{};
  if (parts.empty()) {
    out->isRoot = true;
    out->item.raw[entry::kAttributes] = attr::kDirectory;
    SetEntryFirstCluster(out->item.raw.data(), RootRef().cluster);
    return Status::Ok();
  }
  s = WalkToParent(parts, &out->parent);
  if (!s.ok()) return s;
  Directory dir;
  s = Directory::Load(core_, out->parent, &dir);
  if (!s.ok()) return s;
  if (!dir.Find(parts.back(), &out->item)) {
    return Fail(Error::kNotFound, "\"" + Utf16ToUtf8(parts.back()) + "\" not found");
  }
  return Status::Ok();
}

Status Volume::LocateNew(const std::string& path, DirRef* parent, std::u16string* leaf,
                         std::vector<DirRef>* visited) {
  std::vector<std::u16string> parts;
  Status s = SplitPath(path, &parts);
  if (!s.ok()) return s;
  if (parts.empty()) return Fail(Error::kInvalidName, "the root has no name");
  s = CleanLongName(parts.back(), leaf);
  if (!s.ok()) return s;
  return WalkToParent(parts, parent, visited);
}

Status Volume::BuildEntries(const Directory& dir, const std::u16string& name, const RawEntry& base,
                            std::vector<RawEntry>* entries) {
  ShortName shortName;
  bool needsLongName = false;
  Status s = MakeShortName(
      name, [&](const ShortName& n) { return dir.HasShortName(n); }, &shortName, &needsLongName);
  if (!s.ok()) return s.error == Error::kExists ? Fail(Error::kExists, "the name exists") : s;
  entries->clear();
  if (needsLongName) *entries = MakeLongNameEntries(name, ShortNameChecksum(shortName));
  RawEntry e = base;
  std::memcpy(e.data(), shortName.data(), shortName.size());
  e[entry::kCaseBits] = 0;
  entries->push_back(e);
  return Status::Ok();
}

Status Volume::Stat(const std::string& path, DirEntryInfo* info) {
  Located at;
  Status s = Locate(path, &at);
  if (!s.ok()) return s;
  if (at.isRoot) {
    *info = DirEntryInfo{};
    info->attributes = attr::kDirectory;
    info->firstCluster = RootRef().cluster;
    return Status::Ok();
  }
  files_.ApplyOpenState(at.parent, &at.item);
  *info = InfoOf(at.item);
  return Status::Ok();
}

Status Volume::ListDirectory(const std::string& path, std::vector<DirEntryInfo>* entries) {
  Located at;
  Status s = Locate(path, &at);
  if (!s.ok()) return s;
  if (!at.item.isDirectory()) return Fail(Error::kNotDirectory, "not a folder");
  DirRef ref = RootRef();
  if (!at.isRoot) {
    s = SubfolderRef(at.item, &ref);
    if (!s.ok()) return s;
  }
  Directory dir;
  s = Directory::Load(core_, ref, &dir);
  if (!s.ok()) return s;
  entries->clear();
  for (const DirItem& item : dir.Items()) {
    if (item.isDotEntry()) continue;
    DirItem current = item;
    files_.ApplyOpenState(dir.ref(), &current);
    entries->push_back(InfoOf(current));
  }
  return Status::Ok();
}

Status Volume::GetAttributes(const std::string& path, std::uint8_t* attributes) {
  Located at;
  Status s = Locate(path, &at);
  if (!s.ok()) return s;
  *attributes = at.item.attributes();
  return Status::Ok();
}

Status Volume::SetAttributes(const std::string& path, std::uint8_t attributes) {
  Status s = core_.CanWrite();
  if (!s.ok()) return s;
  Located at;
  s = Locate(path, &at);
  if (!s.ok()) return s;
  if (at.isRoot) return Fail(Error::kInvalidArgument, "the root has no attributes");
  Directory dir;
  s = Directory::Load(core_, at.parent, &dir);
  if (!s.ok()) return s;
  std::uint8_t* e = dir.Entry(at.item.shortIndex);
  e[entry::kAttributes] = static_cast<std::uint8_t>((e[entry::kAttributes] & ~attr::kChangeable) |
                                                    (attributes & attr::kChangeable));
  dir.Touch(at.item.shortIndex);
  return dir.Store(core_);
}

Status Volume::LocateChain(const std::string& path, Located* at, std::vector<ClusterSpan>* spans,
                           std::uint64_t enoughClusters) {
  spans->clear();
  Status s = Locate(path, at);
  if (!s.ok()) return s;
  if (at->isRoot && core_.geometry.fatType != 32) return Status::Ok();
  if (!at->isRoot) files_.ApplyOpenState(at->parent, &at->item);
  const std::uint32_t first = EntryFirstCluster(at->item.raw.data(), core_.geometry.fatType);
  return first != 0 ? core_.fat.ReadChain(first, spans, ~std::uint64_t{0}, enoughClusters)
                    : Status::Ok();
}

Status Volume::ClusterRuns(const std::string& path, std::vector<ClusterRun>* runs) {
  runs->clear();
  Located at;
  std::vector<ClusterSpan> spans;
  Status s = LocateChain(path, &at, &spans);
  if (!s.ok()) return s;
  std::uint64_t vcn = 0;
  runs->reserve(spans.size());
  for (const ClusterSpan& span : spans) {
    runs->push_back({vcn, span.first - 2u, span.length});
    vcn += span.length;
  }
  if (at.isRoot || at.item.isDirectory()) return Status::Ok();
  // A reader by sector number (the controller) would be sent into clusters
  // that are not, or not only, the file's: runs that end before the file
  // does, a chain another entry claims too (the other file would overwrite
  // what is read), or a chain behind an entry that says the file is empty.
  if (vcn * ClusterBytes() < at.item.size()) {
    s = Fail(Error::kCorrupt, "the file is larger than its cluster chain");
  } else if (at.item.size() == 0 && !spans.empty()) {
    s = Fail(Error::kCorrupt, "an empty file holds a cluster chain");
  } else if (!spans.empty()) {
    s = CheckSoleOwner(at, spans);
  }
  if (!s.ok()) runs->clear();
  return s;
}

Status Volume::ReadFromMedium(const std::string& path, std::uint64_t offset, void* buffer,
                              std::uint64_t size) {
  Status s = WriteOut();
  if (!s.ok()) return s;
  Located at;
  std::vector<ClusterSpan> spans;
  const std::uint64_t clusterBytes = ClusterBytes();
  // The chain only as far as the range: a slot near the start of a large
  // container needs no walk to its end.
  s = LocateChain(path, &at, &spans, (offset + size + clusterBytes - 1) / clusterBytes);
  if (!s.ok()) return s;
  if (at.isRoot || at.item.isDirectory()) return Fail(Error::kIsDirectory, "not a file");
  if (offset > at.item.size() || size > at.item.size() - offset) {
    return Fail(Error::kOutOfRange, "the range reaches past the end of the file");
  }
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::uint64_t spanStart = 0;  // file offset of the span's first byte
  for (const ClusterSpan& span : spans) {
    const std::uint64_t spanEnd = spanStart + std::uint64_t{span.length} * clusterBytes;
    const std::uint64_t from = std::max(offset, spanStart);
    const std::uint64_t to = std::min(offset + size, spanEnd);
    if (from < to) {
      s = core_.ReadBytes(core_.ClusterAddress(span.first) + (from - spanStart),
                          out + (from - offset), to - from, true);
      if (!s.ok()) return s;
    }
    spanStart = spanEnd;
  }
  if (spanStart < offset + size) return Fail(Error::kCorrupt, "the file is larger than its chain");
  return Status::Ok();
}

Status Volume::GetLabel(std::string* label) {
  Directory root;
  Status s = Directory::Load(core_, RootRef(), &root);
  if (!s.ok()) return s;
  const int index = root.LabelIndex();
  if (index < 0) {
    *label = core_.geometry.label;
    return Status::Ok();
  }
  // A label may hold a dot as an ordinary character; the 8.3 split does not apply.
  const ShortName raw = EntryShortName(root.Entry(static_cast<std::uint32_t>(index)));
  std::string text(raw.begin(), raw.end());
  while (!text.empty() && text.back() == ' ') text.pop_back();
  *label = text;
  return Status::Ok();
}

Status Volume::WriteBootLabel(const ShortName& field) {
  const Geometry& g = core_.geometry;
  ByteBuffer sector(g.bytesPerSector);
  std::vector<std::uint32_t> sectors = {0};
  if (g.fatType == 32 && g.backupBootSector != 0) sectors.push_back(g.backupBootSector);
  for (std::uint32_t at : sectors) {
    Status s = core_.io.Read(at, 1, sector.data());
    if (!s.ok()) return s;
    const std::uint32_t signature = g.LabelOffset() - 5;
    if (sector[signature] != 0x29) continue;  // no extended fields to hold a label
    std::memcpy(sector.data() + g.LabelOffset(), field.data(), field.size());
    s = core_.Remember(core_.io.Write(at, 1, sector.data()));
    if (!s.ok()) return s;
  }
  return Status::Ok();
}

Status Volume::SetLabel(const std::string& label) {
  Status s = core_.CanWrite();
  if (!s.ok()) return s;
  ShortName field;
  const bool remove = label.empty();
  if (remove) {
    std::memcpy(field.data(), "NO NAME    ", 11);
  } else {
    s = MakeLabelField(label, &field);
    if (!s.ok()) return s;
  }
  Directory root;
  s = Directory::Load(core_, RootRef(), &root);
  if (!s.ok()) return s;
  const int index = root.LabelIndex();
  if (remove) {
    if (index >= 0) {
      root.Entry(static_cast<std::uint32_t>(index))[0] = kDeletedMark;
      root.Touch(static_cast<std::uint32_t>(index));
    }
  } else if (index >= 0) {
    std::uint8_t* e = root.Entry(static_cast<std::uint32_t>(index));
    std::memcpy(e, field.data(), field.size());
    StampWritten(e, platform::GetLocalTime());
    root.Touch(static_cast<std::uint32_t>(index));
  } else {
    RawEntry e{};
    std::memcpy(e.data(), field.data(), field.size());
    e[entry::kAttributes] = attr::kVolume;
    StampWritten(e.data(), platform::GetLocalTime());
    std::uint32_t last = 0;
    s = root.Insert(core_, {e}, &last);
    if (!s.ok()) return s;
    s = core_.FlushFat();
    if (!s.ok()) return s;
  }
  s = root.Store(core_);
  if (!s.ok()) return s;
  s = WriteBootLabel(field);
  if (!s.ok()) return s;
  std::string text(field.begin(), field.end());
  while (!text.empty() && text.back() == ' ') text.pop_back();
  core_.geometry.label = remove ? std::string() : text;
  return Status::Ok();
}

}  // namespace fat
