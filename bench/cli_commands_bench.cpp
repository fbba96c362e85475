// The small commands of the command-line tool, which the windows run after
// every click: their cost must not grow with the card. Each comparison runs
// both sides in every iteration, their order alternating, as child processes
// on card images made by sfdisk and mkfs.fat (the 32 GiB one sparse), in one
// folder under the temporary folder. Targets:
//
// BM_StateVsMdir: `state` on a 32 GiB FAT32 card holding a 99-image
//   container against `mdir -/ -a` of the container's folder: at most 1.5.
// BM_State32GiBVs64MiB: `state` on that card against `state` on a 64 MiB
//   FAT16 card holding a 25-image container: at most 1.3 (flat).
// BM_StateBytesRead: bytes read from the 32 GiB card image by what `state`
//   does, counted at the image layer: below 512 KiB. The tool's own count of
//   bytes read through read calls (program files included) is beside it.
// BM_StatePeakMemory: peak resident memory of `state` on both cards: the
//   32 GiB card's within 1 MiB of the 64 MiB card's.
// BM_WriteSlotVsDdFsync: `write-slot` of a 1.44 MB image into slot 5 against
//   `dd bs=2M count=1 conv=fsync,notrunc` over a 2 MiB file: at most 1.5.
// BM_ReadSlotVsDd: `read-slot` of slot 5 into a file against
//   `dd bs=2M count=1` of the same block of the card image: at most 1.5.
//
// The tool is found beside this program's build folder
// (<build>/src/quillfen-cli) unless $QUILLFEN_CLI names it.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "container/card_state.h"
#include "platform/drive.h"
#include "platform/image/image_drive.h"
#include "platform/image/image_file.h"
#include "support/bench_support.h"

namespace {

using benchsupport::CliPath;
using benchsupport::Run;

constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr int kSlot = 5;  // as the tool counts, from 1
constexpr std::uint64_t kSlotOffset = static_cast<std::uint64_t>(kSlot) * 2 * kMiB;

// The two cards and the files around them, made once for every benchmark.
class Cards {
 public:
  Cards() {
    setenv("MTOOLS_SKIP_CHECK", "1", 1);
    big_ = folder_.File("card32g.img");
    small_ = folder_.File("card64m.img");
    image_ = folder_.File("floppy.img");
    ready_ =
        benchsupport::MakeMkfsCard(big_, 32ull << 30, 32) &&
        benchsupport::MakeMkfsCard(small_, 64 * kMiB, 16) &&
        Run({CliPath(), "create", big_, "--count", "99"}).exitCode == 0 &&
        Run({CliPath(), "create", small_, "--count", "25"}).exitCode == 0 &&
        Run({"dd", "if=/dev/urandom", "of=" + image_, "bs=1474560", "count=1"}).exitCode == 0 &&
        Run({"dd", "if=/dev/zero", "of=" + Plain(), "bs=2M", "count=1"}).exitCode == 0 &&
        FindContainer();
    folder_.Sync();
  }
  bool ready() const { return ready_; }
  const std::string& big() const { return big_; }
  const std::string& small() const { return small_; }
  const std::string& image() const { return image_; }
  std::string Plain() const { return folder_.File("plain.bin"); }
  std::string Out(const char* name) const { return folder_.File(name); }
  // Byte offset of the container in the big card's image.
  std::uint64_t containerOffset() const { return containerOffset_; }

 private:
  bool FindContainer() {
    std::uint32_t error = 0;
    platform::ImageDriveOptions options;
    options.readOnly = true;
    const char letter = platform::AttachCardImage(big_, options, 0, &error);
    std::uint32_t sector = 0;
    const bool found = letter != 0 && FfaReadStartSector(letter, sector) == 0 && sector != 0;
    if (letter != 0) platform::DriveTable::Instance().Detach(letter);
    containerOffset_ = static_cast<std::uint64_t>(sector) * 512;
    return found;
  }

  benchsupport::Folder folder_;
  std::string big_;
  std::string small_;
  std::string image_;
  std::uint64_t containerOffset_ = 0;
  bool ready_ = false;
};

Cards& TheCards() {
  static Cards cards;
  return cards;
}

bool Ready(benchmark::State& state) {
  if (TheCards().ready()) return true;
  state.SkipWithError("cards not made (sfdisk, mkfs.fat and the tool needed)");
  return false;
}

// Both sides once per iteration, the first alternating; false (and the
// benchmark skipped) when a run fails.
bool Compare(benchmark::State& state, const std::vector<std::string>& ours,
             const std::vector<std::string>& theirs, benchsupport::SideBySide* figures) {
  bool oursFirst = true;
  for (auto _ : state) {
    benchsupport::ChildRun a;
    benchsupport::ChildRun b;
    if (oursFirst) {
      a = Run(ours);
      b = Run(theirs);
    } else {
      b = Run(theirs);
      a = Run(ours);
    }
    oursFirst = !oursFirst;
    if (a.exitCode != 0 || b.exitCode != 0) {
      state.SkipWithError((ours[1] + " or " + theirs[0] + " failed").c_str());
      return false;
    }
    state.SetIterationTime(a.seconds);
    figures->Add(a.seconds, b.seconds);
  }
  return true;
}

void BM_StateVsMdir(benchmark::State& state) {
  if (!Ready(state)) return;
  benchsupport::SideBySide figures;
  const std::string image = TheCards().big() + "@@" + std::to_string(benchsupport::kVolumeOffset);
  if (Compare(state, {CliPath(), "state", TheCards().big()},
              {"mdir", "-/", "-a", "-i", image, "::/DornveldFLP"}, &figures)) {
    figures.Report(state, "mdir");
  }
}

void BM_State32GiBVs64MiB(benchmark::State& state) {
  if (!Ready(state)) return;
  benchsupport::SideBySide figures;
  if (Compare(state, {CliPath(), "state", TheCards().big()},
              {CliPath(), "state", TheCards().small()}, &figures)) {
    figures.Report(state, "state_64m");
  }
}

// An image file whose reads are counted.
class CountingStore : public platform::IImageStore {
 public:
  explicit CountingStore(std::shared_ptr<platform::IImageStore> base) : base_(std::move(base)) {}
  const std::string& path() const override { return base_->path(); }
  std::uint64_t size() const override { return base_->size(); }
  bool writable() const override { return base_->writable(); }
  std::uint32_t ReadAt(std::uint64_t offset, void* buffer, std::uint32_t count) override {
    bytes_ += count;
    ++reads_;
    return base_->ReadAt(offset, buffer, count);
  }
  std::uint32_t WriteAt(std::uint64_t offset, const void* buffer, std::uint32_t count) override {
    return base_->WriteAt(offset, buffer, count);
  }
  std::uint32_t Sync() override { return base_->Sync(); }
  std::uint64_t bytes() const { return bytes_; }
  std::uint64_t reads() const { return reads_; }

 private:
  std::shared_ptr<platform::IImageStore> base_;
  std::uint64_t bytes_ = 0;
  std::uint64_t reads_ = 0;
};

void BM_StateBytesRead(benchmark::State& state) {
  if (!Ready(state)) return;
  std::uint64_t bytes = 0;
  std::uint64_t reads = 0;
  for (auto _ : state) {
    // What `state` does: attach the image for reading, the card state, the
    // start sector record, detach.
    std::uint32_t error = 0;
    auto image = platform::ImageFile::Open(TheCards().big(), true, &error);
    if (!image) {
      state.SkipWithError("image not opened");
      return;
    }
    auto counting = std::make_shared<CountingStore>(image);
    platform::ImageDriveOptions options;
    options.readOnly = true;
    const char letter = platform::AttachCardStore(counting, options, 0, &error);
    std::uint64_t size = 0;
    CardState card;
    const std::uint32_t flags = FfaGetCardState(std::string(1, letter) + ":", size, card);
    std::uint32_t recorded = 0;
    const int recordRead = FfaReadStartSector(letter, recorded);
    platform::DriveTable::Instance().Detach(letter);
    if (recordRead != 0 || flags != (CARD_RAW_ACCESS | CARD_CONTAINER_VALID | CARD_CONTIGUOUS |
                                     CARD_START_SECTOR_SET)) {
      state.SkipWithError("the card is not in the usable state");
      return;
    }
    bytes = counting->bytes();
    reads = counting->reads();
  }
  const benchsupport::ChildRun tool = Run({CliPath(), "state", TheCards().big()});
  state.counters["bytes_read_KiB"] = static_cast<double>(bytes) / 1024;
  state.counters["reads"] = static_cast<double>(reads);
  state.counters["tool_rchar_KiB"] = static_cast<double>(tool.bytesRead) / 1024;
}

void BM_StatePeakMemory(benchmark::State& state) {
  if (!Ready(state)) return;
  std::vector<double> big;
  std::vector<double> small;
  for (auto _ : state) {
    const benchsupport::ChildRun a = Run({CliPath(), "state", TheCards().big()});
    const benchsupport::ChildRun b = Run({CliPath(), "state", TheCards().small()});
    if (a.exitCode != 0 || b.exitCode != 0) {
      state.SkipWithError("state failed");
      return;
    }
    big.push_back(static_cast<double>(a.maxResidentKiB));
    small.push_back(static_cast<double>(b.maxResidentKiB));
  }
  state.counters["rss_32g_min_KiB"] = benchsupport::Min(big);
  state.counters["rss_32g_median_KiB"] = benchsupport::Median(big);
  state.counters["rss_64m_min_KiB"] = benchsupport::Min(small);
  state.counters["rss_64m_median_KiB"] = benchsupport::Median(small);
  state.counters["difference_median_KiB"] = benchsupport::Median(big) - benchsupport::Median(small);
}

void BM_WriteSlotVsDdFsync(benchmark::State& state) {
  if (!Ready(state)) return;
  benchsupport::SideBySide figures;
  if (Compare(
          state,
          {CliPath(), "write-slot", TheCards().big(), std::to_string(kSlot), TheCards().image()},
          {"dd", "if=/dev/zero", "of=" + TheCards().Plain(), "bs=2M", "count=1",
           "conv=fsync,notrunc"},
          &figures)) {
    figures.Report(state, "dd_fsync");
  }
}

void BM_ReadSlotVsDd(benchmark::State& state) {
  if (!Ready(state)) return;
  benchsupport::SideBySide figures;
  // dd reads the slot's block of the card image, where the tool reads.
  const std::string skip = std::to_string(TheCards().containerOffset() + kSlotOffset);
  if (Compare(state,
              {CliPath(), "read-slot", TheCards().big(), std::to_string(kSlot),
               TheCards().Out("slot.img")},
              {"dd", "if=" + TheCards().big(), "of=" + TheCards().Out("block.bin"), "bs=2M",
               "count=1", "iflag=skip_bytes", "skip=" + skip},
              &figures)) {
    figures.Report(state, "dd");
  }
}

BENCHMARK(BM_StateVsMdir)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(21);
BENCHMARK(BM_State32GiBVs64MiB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(21);
BENCHMARK(BM_StateBytesRead)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StatePeakMemory)->Unit(benchmark::kMillisecond)->Iterations(9);
BENCHMARK(BM_WriteSlotVsDdFsync)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(21);
BENCHMARK(BM_ReadSlotVsDd)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(21);

}  // namespace
