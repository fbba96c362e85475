#include "fat/cross_links.h"

#include <algorithm>
#include <set>

namespace fat {
namespace {

// The spans sorted by their first cluster, for lookups.
class ClusterSet {
 public:
  explicit ClusterSet(std::vector<ClusterSpan> spans) : spans_(std::move(spans)) {
    std::sort(spans_.begin(), spans_.end(),
              [](const ClusterSpan& a, const ClusterSpan& b) { return a.first < b.first; });
  }
  bool Contains(std::uint32_t cluster) const {
    auto it =
        std::upper_bound(spans_.begin(), spans_.end(), cluster,
                         [](std::uint32_t c, const ClusterSpan& span) { return c < span.first; });
    if (it == spans_.begin()) return false;
    --it;
    return cluster - it->first < it->length;
  }

 private:
  std::vector<ClusterSpan> spans_;
};

// True when the chain from `first` reaches a cluster of `set`. `walked`
// holds the clusters earlier chains went through without meeting the set: a
// chain that joins one of them cannot meet it either, so every cluster is
// followed once however many entries share or loop through it.
Status ChainMeets(VolumeCore& core, std::uint32_t first, const ClusterSet& set,
                  std::vector<bool>& walked, bool* meets) {
  *meets = false;
  FatTable& fat = core.fat;
  std::uint32_t c = first;
  for (std::uint64_t steps = 0; fat.IsCluster(c) && steps < core.geometry.clusterCount; ++steps) {
    if (set.Contains(c)) {
      *meets = true;
      return Status::Ok();
    }
    if (c < walked.size()) {
      if (walked[c]) break;
      walked[c] = true;
    }
    std::uint32_t next = 0;
    Status s = fat.Get(c, &next);
    if (!s.ok()) return s;
    if (fat.IsEndOfChain(next)) break;
    c = next;  // free, bad and out-of-range links end the loop
  }
  return Status::Ok();
}

std::string NameOf(const std::uint8_t* e) {
  std::string name(reinterpret_cast<const char*>(e), 11);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

}  // namespace

Status CheckSoleOwner(VolumeCore& core, const DirRef& root, const EntryRef& self,
                      const std::vector<ClusterSpan>& spans) {
  if (spans.empty()) return Status::Ok();
  const ClusterSet set(spans);
  std::vector<bool> walked(static_cast<std::size_t>(core.geometry.clusterCount) + 2, false);
  std::vector<DirRef> pending = {root};
  std::set<std::uint32_t> seen = {root.Key()};
  if (!root.fixedRoot) {
    bool meets = false;
    Status s = ChainMeets(core, root.cluster, set, walked, &meets);
    if (!s.ok()) return s;
    if (meets) return Fail(Error::kCorrupt, "the chain runs into the root folder's clusters");
  }
  while (!pending.empty()) {
    const DirRef ref = pending.back();
    pending.pop_back();
    Directory dir;
    Status s = Directory::Load(core, ref, &dir);
    if (!s.ok()) continue;  // an unreadable folder claims nothing we can see
    for (std::uint32_t i = 0; i < dir.entryCount(); ++i) {
      const std::uint8_t* e = dir.Entry(i);
      if (e[0] == 0x00) break;
      if (e[0] == kDeletedMark || e[0] == '.' || IsLongNameEntry(e)) continue;
      if (ref == self.folder && i == self.index) continue;
      const std::uint32_t first = EntryFirstCluster(e, core.geometry.fatType);
      if (!core.fat.IsCluster(first)) continue;
      bool meets = false;
      s = ChainMeets(core, first, set, walked, &meets);
      if (!s.ok()) return s;
      if (meets) {
        return Fail(Error::kCorrupt,
                    "the chain runs into the clusters of \"" + NameOf(e) + "\"; it is left alone");
      }
      const bool folder =
          (e[entry::kAttributes] & (attr::kDirectory | attr::kVolume)) == attr::kDirectory;
      if (folder && seen.insert(first).second) pending.push_back(DirRef{false, first});
    }
  }
  return Status::Ok();
}

}  // namespace fat
