// Changing a card's volume with the FAT engine, mounted writable in memory:
// a sequence of file and folder operations decoded from the input, on the
// entries the card already holds and on new ones. Input: a card
// (fuzz_card.h), then the operations, one kind byte each and its arguments.
//
// Beyond not crashing or hanging: the engine never writes outside its
// volume, and the volume mounts again afterwards.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "fat/partition.h"
#include "fat/volume.h"
#include "fuzz_card.h"

namespace {
using fuzzcard::Fail;

constexpr std::size_t kMaxKnownPaths = 64;
constexpr int kMaxOperations = 64;
constexpr std::uint32_t kMaxWrite = 80 * 1024;
constexpr std::uint32_t kMaxLength = 8u << 20;

const char* const kNames[] = {"DornveldFLP",
                              "DornveldCIF.dfp",
                              "A.TXT",
                              "long file name.txt",
                              "x",
                              "DORNVE~1",
                              "a.b.c",
                              "NAME WITH SPACE",
                              "TOOLONGNAME.EXTENSION",
                              "\xC3\xA4\xC3\xB6\xC3\xBC.bin"};

class Operations {
 public:
  Operations(fat::Volume& volume, fuzzcard::Reader& in) : volume_(volume), in_(in) {
    Learn("");
    for (std::size_t i = 0; i < known_.size() && known_.size() < kMaxKnownPaths; ++i) {
      if (folders_[i]) Learn(std::string(known_[i]));  // a copy: Learn() adds to known_
    }
  }

  void Run() {
    for (int i = 0; i < kMaxOperations && !in_.empty(); ++i) One();
  }

 private:
  void One() {
    switch (in_.Byte() % 12) {
      case 0: {  // a new file with some bytes
        const std::string path = NewPath();
        fat::Status status;
        auto file = volume_.CreateFile(path, in_.Byte(), &status);
        if (file) {
          Write(*file);
          file->Close();
          Remember(path, false);
        }
        break;
      }
      case 1: {  // bytes written into a file
        fat::Status status;
        auto file = volume_.OpenFile(Known(), true, &status);
        if (file) Write(*file);
        break;
      }
      case 2:
        volume_.Truncate(Known(), in_.U32() % kMaxLength);
        break;
      case 3: {  // a length set on an open file, then read through
        fat::Status status;
        auto file = volume_.OpenFile(Known(), true, &status);
        if (!file) break;
        file->SetLength(in_.U32() % kMaxLength);
        ReadAll(*file);
        break;
      }
      case 4:
        volume_.DeleteFile(Known());
        break;
      case 5: {
        const std::string to = NewPath();
        if (volume_.Rename(Known(), to).ok()) Remember(to, false);
        break;
      }
      case 6: {
        const std::string path = NewPath();
        if (volume_.CreateDirectory(path).ok()) Remember(path, true);
        break;
      }
      case 7:
        volume_.RemoveDirectory(Known());
        break;
      case 8:
        volume_.SetAttributes(Known(), in_.Byte());
        break;
      case 9:
        volume_.SetLabel(in_.Text(13));
        break;
      case 10:
        volume_.Flush();
        break;
      default: {
        const std::string path = Known();
        std::vector<fat::ClusterRun> runs;
        volume_.ClusterRuns(path, &runs);
        fat::Status status;
        if (auto file = volume_.OpenFile(path, false, &status)) ReadAll(*file);
        Learn(path);  // a copy of the known path
        break;
      }
    }
  }

  void Write(fat::File& file) {
    const std::uint64_t position = in_.U32() % kMaxLength;
    const std::uint32_t length = in_.U32() % kMaxWrite;
    const ByteBuffer bytes(length, in_.Byte());
    std::size_t done = 0;
    file.WriteAt(position, bytes.data(), bytes.size(), &done);
    if (done > bytes.size()) Fail("a write reports more bytes than it had");
  }

  static void ReadAll(fat::File& file) {
    std::uint8_t buffer[8192];
    std::size_t done = 0;
    std::size_t total = 0;
    while (total < kMaxLength && file.Read(buffer, sizeof buffer, &done).ok() && done > 0) {
      total += done;
    }
  }

  // A path the card holds (or held), or one more name.
  std::string Known() {
    if (known_.empty()) return NewPath();
    return known_[in_.Below(static_cast<std::uint32_t>(known_.size()))];
  }

  std::string NewPath() {
    std::string folder;
    std::vector<std::string> folders;
    for (std::size_t i = 0; i < known_.size(); ++i) {
      if (folders_[i]) folders.push_back(known_[i]);
    }
    const std::uint32_t pick = in_.Below(static_cast<std::uint32_t>(folders.size()) + 1);
    if (pick > 0) folder = folders[pick - 1];
    const std::uint8_t choice = in_.Byte();
    const std::string name =
        choice < 200 ? std::string(kNames[choice % std::size(kNames)]) : in_.Text(60);
    return folder.empty() ? name : folder + "\\" + name;
  }

  void Remember(const std::string& path, bool folder) {
    if (known_.size() >= kMaxKnownPaths) return;
    known_.push_back(path);
    folders_.push_back(folder);
  }

  void Learn(const std::string& folder) {
    std::vector<fat::DirEntryInfo> entries;
    if (!volume_.ListDirectory(folder, &entries).ok()) return;
    for (const fat::DirEntryInfo& e : entries) {
      if (e.longName == "." || e.longName == "..") continue;
      Remember(folder.empty() ? e.longName : folder + "\\" + e.longName, e.isDirectory());
    }
  }

  fat::Volume& volume_;
  fuzzcard::Reader& in_;
  std::vector<std::string> known_;
  std::vector<bool> folders_;
};

// Everything a listing shows, read once more: each folder once, however
// many entries lead to it (a corrupt card may hold thousands of entries that
// name one folder of 65,536 entries), and a few dozen folders at most, so
// that one input never runs for seconds.
constexpr std::size_t kMaxFoldersWalked = 32;

void WalkAll(fat::Volume& volume, const std::string& folder, int depth,
             std::set<std::uint32_t>* seen) {
  std::vector<fat::DirEntryInfo> entries;
  if (depth > 8 || !volume.ListDirectory(folder, &entries).ok()) return;
  for (const fat::DirEntryInfo& e : entries) {
    if (!e.isDirectory() || e.longName == "." || e.longName == "..") continue;
    if (seen->size() >= kMaxFoldersWalked || !seen->insert(e.firstCluster).second) continue;
    WalkAll(volume, folder.empty() ? e.longName : folder + "\\" + e.longName, depth + 1, seen);
  }
}
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
  const fuzzcard::SparseDevice before(disk);
  fat::SubRangeDevice range(disk, start, count);
  {
    fuzzcard::GuardDevice guard(range, true);
    std::unique_ptr<fat::Volume> volume = fat::Volume::Mount(guard, true, &status);
    if (!volume) return 0;
    fuzzcard::Reader in(card.rest, card.restSize);
    Operations(*volume, in).Run();
    volume->Flush();
  }
  if (!disk.SameOutside(before, start, count)) Fail("sectors outside the volume changed");

  fuzzcard::GuardDevice readOnly(range, false);
  std::unique_ptr<fat::Volume> again = fat::Volume::Mount(readOnly, false, &status);
  if (!again) Fail("the volume no longer mounts after the operations: " + status.message);
  std::set<std::uint32_t> seen;
  WalkAll(*again, "", 0, &seen);
  return 0;
}
