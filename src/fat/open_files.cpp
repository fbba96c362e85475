#include "fat/open_files.h"

#include <algorithm>
#include <cstring>

#include "base/clock.h"
#include "fat/dir_entry.h"

namespace fat {
namespace {
constexpr std::uint64_t kMaxFileSize = 0xFFFFFFFFull;
constexpr std::uint64_t kZeroChunk = 1u << 20;

void AppendSpans(OpenNode& node, const std::vector<ClusterSpan>& added) {
  for (const ClusterSpan& span : added) {
    if (!node.spans.empty() && node.spans.back().first + node.spans.back().length == span.first) {
      node.spans.back().length += span.length;
    } else {
      node.spans.push_back(span);
      node.spanStarts.push_back(node.clusters);
    }
    node.clusters += span.length;
  }
}
}  // namespace

OpenFiles::~OpenFiles() {
  for (auto& [key, weak] : open_) {
    if (auto node = weak.lock()) node->files = nullptr;
  }
}

std::unique_ptr<File> OpenFiles::Open(const DirRef& dir, const DirItem& item, bool writable,
                                      Status* status) {
  const NodeKey key{dir.Key(), item.shortIndex};
  std::shared_ptr<OpenNode> node = open_[key].lock();
  if (!node) {
    node = std::make_shared<OpenNode>();
    node->files = this;
    node->dir = dir;
    node->entryIndex = item.shortIndex;
    node->firstCluster = EntryFirstCluster(item.raw.data(), core_.geometry.fatType);
    node->size = item.size();
    node->validLength = node->size;
    if (node->firstCluster != 0) {
      std::vector<ClusterSpan> spans;
      *status = core_.fat.ReadChain(node->firstCluster, &spans);
      if (!status->ok()) {
        open_.erase(key);
        return nullptr;
      }
      AppendSpans(*node, spans);
    }
    if (node->clusters * core_.geometry.ClusterBytes() < node->size) {
      open_.erase(key);
      *status = Fail(Error::kCorrupt, "the file is larger than its cluster chain");
      return nullptr;
    }
    open_[key] = node;
  }
  ++node->users;
  if (writable) ++node->writers;
  *status = Status::Ok();
  return std::unique_ptr<File>(new File(node, writable));
}

void OpenFiles::Release(const std::shared_ptr<OpenNode>& node, bool writer) {
  if (writer) --node->writers;
  if (--node->users == 0) {
    auto it = open_.find({node->dir.Key(), node->entryIndex});
    if (it != open_.end() && it->second.lock() == node) open_.erase(it);
  }
}

bool OpenFiles::IsOpen(const DirRef& dir, std::uint32_t index) const {
  auto it = open_.find({dir.Key(), index});
  return it != open_.end() && !it->second.expired();
}

void OpenFiles::ApplyOpenState(const DirRef& dir, DirItem* item) const {
  auto it = open_.find({dir.Key(), item->shortIndex});
  if (it == open_.end()) return;
  if (auto node = it->second.lock()) {
    le::Write32(item->raw.data() + entry::kSize, node->size);
    SetEntryFirstCluster(item->raw.data(), node->firstCluster);
  }
}

Status OpenFiles::FlushWriters() {
  Status first;
  for (auto& [key, weak] : open_) {
    auto node = weak.lock();
    if (!node || node->writers == 0) continue;
    Status s = Flush(*node);
    if (!s.ok() && first.ok()) first = s;
  }
  return first;
}

Status OpenFiles::Transfer(OpenNode& node, std::uint64_t position, std::uint8_t* read,
                           const std::uint8_t* write, std::uint64_t size) {
  const std::uint64_t clusterBytes = core_.geometry.ClusterBytes();
  while (size > 0) {
    const std::uint64_t index = position / clusterBytes;
    // The span that holds file cluster `index`.
    const auto it = std::upper_bound(node.spanStarts.begin(), node.spanStarts.end(), index);
    if (it == node.spanStarts.begin()) return Fail(Error::kCorrupt, "no cluster for the position");
    const std::size_t k = static_cast<std::size_t>(it - node.spanStarts.begin()) - 1;
    const ClusterSpan& span = node.spans[k];
    const std::uint64_t inSpan = index - node.spanStarts[k];
    if (inSpan >= span.length) return Fail(Error::kCorrupt, "no cluster for the position");
    const std::uint64_t offset = inSpan * clusterBytes + position % clusterBytes;
    const std::uint64_t n = std::min(size, span.length * clusterBytes - offset);
    const std::uint64_t address = core_.ClusterAddress(span.first) + offset;
    Status s = read ? core_.ReadBytes(address, read, n) : core_.WriteBytes(address, write, n);
    if (!s.ok()) return s;
    if (read) read += n;
    if (write) write += n;
    position += n;
    size -= n;
  }
  return Status::Ok();
}

Status OpenFiles::Read(OpenNode& node, std::uint64_t position, void* buffer, std::size_t size,
                       std::size_t* done) {
  *done = 0;
  if (position >= node.size || size == 0) return Status::Ok();
  const std::uint64_t n = std::min<std::uint64_t>(size, node.size - position);
  auto* out = static_cast<std::uint8_t*>(buffer);
  const std::uint64_t stored =
      position < node.validLength ? std::min(n, node.validLength - position) : 0;
  if (stored > 0) {
    Status s = Transfer(node, position, out, nullptr, stored);
    if (!s.ok()) return s;
  }
  std::memset(out + stored, 0, n - stored);
  *done = static_cast<std::size_t>(n);
  return Status::Ok();
}

Status OpenFiles::Allocate(OpenNode& node, std::uint64_t bytes) {
  const std::uint64_t clusterBytes = core_.geometry.ClusterBytes();
  const std::uint64_t needed = (bytes + clusterBytes - 1) / clusterBytes;
  if (needed <= node.clusters) return Status::Ok();
  const std::uint32_t last =
      node.spans.empty() ? 0 : node.spans.back().first + node.spans.back().length - 1;
  std::vector<ClusterSpan> added;
  Status s = core_.fat.Extend(last, static_cast<std::uint32_t>(needed - node.clusters), &added);
  if (!s.ok()) return s;
  if (node.firstCluster == 0) node.firstCluster = added.front().first;
  AppendSpans(node, added);
  node.entryDirty = true;
  node.linkedUnsynced = true;
  return Status::Ok();
}

Status OpenFiles::Zero(OpenNode& node, std::uint64_t from, std::uint64_t to) {
  const ByteBuffer zeros(std::min(to - from, kZeroChunk), 0);
  while (from < to) {
    const std::uint64_t n = std::min<std::uint64_t>(to - from, zeros.size());
    Status s = Transfer(node, from, nullptr, zeros.data(), n);
    if (!s.ok()) return s;
    from += n;
  }
  return Status::Ok();
}

Status OpenFiles::Write(OpenNode& node, std::uint64_t position, const void* buffer,
                        std::size_t size) {
  Status s = core_.CanWrite();
  if (!s.ok()) return s;
  if (size == 0) return Status::Ok();
  const std::uint64_t end = position + size;
  if (end > kMaxFileSize) return Fail(Error::kTooLarge, "a FAT file stays below 4 GiB");
  s = Allocate(node, end);
  if (!s.ok()) return s;
  if (position > node.validLength) {
    s = Zero(node, node.validLength, position);
    if (!s.ok()) return s;
    node.validLength = position;
  }
  s = Transfer(node, position, nullptr, static_cast<const std::uint8_t*>(buffer), size);
  if (!s.ok()) return s;
  node.validLength = std::max(node.validLength, end);
  node.size = static_cast<std::uint32_t>(std::max<std::uint64_t>(node.size, end));
  node.entryDirty = true;
  node.modified = true;
  return Status::Ok();
}

Status OpenFiles::SetLength(OpenNode& node, std::uint64_t length) {
  Status s = core_.CanWrite();
  if (!s.ok()) return s;
  if (length > kMaxFileSize) return Fail(Error::kTooLarge, "a FAT file stays below 4 GiB");
  node.modified = true;
  node.entryDirty = true;
  if (length >= node.size) {
    s = Allocate(node, length);
    if (!s.ok()) return s;
    node.size = static_cast<std::uint32_t>(length);
    return Status::Ok();
  }
  node.size = static_cast<std::uint32_t>(length);
  node.validLength = std::min<std::uint64_t>(node.validLength, length);
  const std::uint64_t clusterBytes = core_.geometry.ClusterBytes();
  const std::uint64_t keep = (length + clusterBytes - 1) / clusterBytes;
  if (keep >= node.clusters) return Status::Ok();
  // Split the spans into kept and freed ones.
  std::vector<ClusterSpan> kept;
  std::vector<ClusterSpan> freed;
  std::uint64_t counted = 0;
  for (const ClusterSpan& span : node.spans) {
    if (counted >= keep) {
      freed.push_back(span);
    } else if (counted + span.length <= keep) {
      kept.push_back(span);
    } else {
      const auto part = static_cast<std::uint32_t>(keep - counted);
      kept.push_back({span.first, part});
      freed.push_back({span.first + part, span.length - part});
    }
    counted += span.length;
  }
  // Pending allocations reach the medium first, then the entry with the new
  // size, and only then are the clusters freed.
  s = LinkBeforeNaming(node);
  if (!s.ok()) return s;
  if (keep == 0) node.firstCluster = 0;
  s = WriteEntry(node);
  if (s.ok()) s = core_.Barrier();
  if (!s.ok()) return s;
  if (!kept.empty()) {
    s = core_.fat.Set(kept.back().first + kept.back().length - 1, core_.fat.EndOfChain());
  }
  if (s.ok()) s = core_.ReleaseClusters(freed);
  if (!s.ok()) return s;
  node.spans.clear();
  node.spanStarts.clear();
  node.clusters = 0;
  AppendSpans(node, kept);
  return core_.FlushFat();
}

Status OpenFiles::WriteEntry(OpenNode& node) {
  Directory dir;
  Status s = Directory::Load(core_, node.dir, &dir);
  if (!s.ok()) return s;
  if (node.entryIndex >= dir.entryCount()) return Fail(Error::kCorrupt, "the file's entry is gone");
  std::uint8_t* e = dir.Entry(node.entryIndex);
  if (e[0] == 0x00 || e[0] == kDeletedMark || IsLongNameEntry(e)) {
    return Fail(Error::kCorrupt, "the file's entry is gone");
  }
  le::Write32(e + entry::kSize, node.size);
  SetEntryFirstCluster(e, node.firstCluster);
  if (node.modified) {
    StampWritten(e, platform::GetLocalTime());
    e[entry::kAttributes] |= attr::kArchive;
  }
  dir.Touch(node.entryIndex);
  s = dir.Store(core_);
  if (!s.ok()) return s;
  node.entryDirty = false;
  node.modified = false;
  return Status::Ok();
}

Status OpenFiles::LinkBeforeNaming(OpenNode& node) {
  Status s = core_.FlushFat();
  if (s.ok() && node.linkedUnsynced) s = core_.Barrier();
  if (s.ok()) node.linkedUnsynced = false;
  return s;
}

Status OpenFiles::Flush(OpenNode& node) {
  Status s = core_.CanWrite();
  if (!s.ok()) return s;
  Status zeroed;
  if (node.validLength < node.size) {
    zeroed = Zero(node, node.validLength, node.size);
    if (zeroed.ok()) node.validLength = node.size;
  }
  // Clusters are linked on the medium before the entry names them.
  s = LinkBeforeNaming(node);
  if (s.ok() && (node.entryDirty || node.modified)) s = WriteEntry(node);
  return zeroed.ok() ? s : zeroed;
}

}  // namespace fat
