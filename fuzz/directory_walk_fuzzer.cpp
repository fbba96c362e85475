// Walking every folder of a card's volume with the FAT engine, mounted
// read-only: listings, lookups by path, attributes, cluster runs, reading
// each file, and the lookup of the container by its long and short names.
// Input: a card (fuzz_card.h).
//
// Beyond not crashing or hanging: a read-only mount never writes, and what
// a listing shows can be looked up by its path.
#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "fat/partition.h"
#include "fat/volume.h"
#include "fuzz_card.h"

namespace {
using fuzzcard::Fail;

constexpr int kMaxDepth = 12;
constexpr int kMaxEntries = 4000;
// A lookup by path loads and decodes every folder on the path, whole, so a
// walk through folders of thousands of entries (or long chains) costs their
// product. Each visit counts the entry slots of the folders on its path (it
// makes four lookups there); the walk stops at this many, about a second.
constexpr std::uint64_t kMaxLookupWork = 250'000;
constexpr std::size_t kMaxReadPerFile = 64 * 1024;

class Walk {
 public:
  explicit Walk(fat::Volume& volume) : volume_(volume) {}

  // `pathSlots`: how many entry slots the folders above this one span.
  void Folder(const std::string& path, int depth, std::uint64_t pathSlots = 0) {
    std::vector<fat::DirEntryInfo> entries;
    if (!volume_.ListDirectory(path, &entries).ok()) return;
    pathSlots += std::max<std::uint64_t>(entries.size(), Slots(path));
    // Names that appear once and can stand in a path; corrupt folders may
    // hold anything.
    std::multiset<std::string> names;
    for (const fat::DirEntryInfo& e : entries) names.insert(Upper(e.longName));
    for (const fat::DirEntryInfo& e : entries) {
      if (++visited_ > kMaxEntries) return;
      lookupWork_ += pathSlots;
      if (lookupWork_ > kMaxLookupWork) return;
      if (e.longName == "." || e.longName == "..") continue;
      const std::string child = path.empty() ? e.longName : path + "\\" + e.longName;
      fat::DirEntryInfo info;
      const fat::Status found = volume_.Stat(child, &info);
      if (PlainName(e.longName) && names.count(Upper(e.longName)) == 1 && !found.ok() &&
          found.error != fat::Error::kCorrupt && found.error != fat::Error::kIo) {
        Fail("listed \"" + child + "\" but cannot look it up: " + found.message);
      }
      if (!found.ok()) continue;
      std::uint8_t attributes = 0;
      volume_.GetAttributes(child, &attributes);
      std::vector<fat::ClusterRun> runs;
      volume_.ClusterRuns(child, &runs);
      if (info.isDirectory()) {
        if (depth < kMaxDepth) Folder(child, depth + 1, pathSlots);
      } else {
        Read(child, info);
      }
    }
  }

 private:
  static std::string Upper(std::string s) {
    for (char& c : s) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
  }
  // The entry slots of a folder's clusters (0 for a fixed root folder).
  std::uint64_t Slots(const std::string& path) {
    std::vector<fat::ClusterRun> runs;
    if (!volume_.ClusterRuns(path, &runs).ok()) return 0;
    std::uint64_t clusters = 0;
    for (const fat::ClusterRun& run : runs) clusters += run.length;
    return clusters * volume_.ClusterBytes() / 32;
  }
  // A name a path can carry as it is.
  static bool PlainName(const std::string& name) {
    if (name.empty() || name.size() > 255 || name.back() == ' ' || name.back() == '.') {
      return false;
    }
    for (const char c : name) {
      const auto u = static_cast<unsigned char>(c);
      if (u < 0x20 || u >= 0x7F || std::string("\\/:*?\"<>|").find(c) != std::string::npos) {
        return false;
      }
    }
    return true;
  }

  void Read(const std::string& path, const fat::DirEntryInfo& info) {
    fat::Status status;
    std::unique_ptr<fat::File> file = volume_.OpenFile(path, false, &status);
    if (!file) return;
    std::uint8_t buffer[4096];
    std::size_t total = 0;
    std::size_t done = 0;
    while (total < kMaxReadPerFile && file->Read(buffer, sizeof buffer, &done).ok() && done > 0) {
      total += done;
    }
    if (info.size > 0) file->ReadAt(info.size - 1, buffer, 2, &done);
    file->ReadAt(0xFFFFFFFFull, buffer, 16, &done);
    file->Close();
  }

  fat::Volume& volume_;
  int visited_ = 0;
  std::uint64_t lookupWork_ = 0;
};
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzcard::FixTheClock();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzzcard::CardInput card = fuzzcard::DecodeCard(data, size);
  fuzzcard::SparseDevice disk(card);
  std::uint64_t start = 0;
  std::uint64_t count = 0;
  fat::Status status;
  if (!fat::FindFatVolume(disk, &start, &count, &status)) return 0;
  fat::SubRangeDevice range(disk, start, count);
  fuzzcard::GuardDevice guard(range, false);
  std::unique_ptr<fat::Volume> volume = fat::Volume::Mount(guard, false, &status);
  if (!volume) return 0;

  std::string label;
  volume->GetLabel(&label);
  Walk(*volume).Folder("", 0);

  // The container lookup, as the store makes it and by the short names.
  for (const char* path : {"DornveldFLP\\DornveldCIF.dfp", "dornveldflp/DORNVELDCIF.DFP",
                           "DORNVE~1\\DORNVE~1.DFP", "DornveldFLP"}) {
    fat::DirEntryInfo info;
    if (!volume->Stat(path, &info).ok()) continue;
    std::vector<fat::ClusterRun> runs;
    volume->ClusterRuns(path, &runs);
    std::uint64_t clusters = 0;
    for (const fat::ClusterRun& run : runs) {
      if (run.logicalCluster + run.length > volume->geometry().clusterCount) {
        Fail("a cluster run reaches past the volume");
      }
      clusters += run.length;
    }
    if (!info.isDirectory() && !runs.empty() && clusters * volume->ClusterBytes() < info.size) {
      Fail("the cluster runs of a file are shorter than its size");
    }
  }
  return 0;
}
