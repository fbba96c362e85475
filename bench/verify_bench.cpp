// What the read-back after a write costs, on a card image FILE attached as
// a card (the image on the host's file system, as a user attaches one): a
// 99-image creation and a slot write, each with and without the verify, side
// by side in alternating order. Target: a slot write with the verify takes
// at most 1.3 times one without (the verify adds one read of what was
// written).
//
// Each iteration then reads what the unverified run wrote straight from the
// image file, past the page cache (one_read_median_ms): the least any
// read-back costs on this host. added_median_ms, the verify's own cost (the
// median of verified minus unverified, pair by pair), is to be set against
// it; floor_ratio_median is the ratio a verify costing exactly that one read
// would reach. Where a write reaches the medium cheaply (a virtual disk whose
// host caches writes), that floor itself lies above 1.3.
//
// The card is a sparse 512 MiB image made by sfdisk and mkfs.fat (FAT32)
// under the temporary folder ($TMPDIR or /tmp).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/write_verify.h"
#include "driveaccess/file_placement.h"
#include "platform/drive.h"
#include "platform/image/image_drive.h"
#include "platform/posix/medium_read.h"
#include "support/bench_support.h"

namespace {

constexpr char kLetter = 'W';
constexpr std::uint32_t kImages = 99;

using Clock = std::chrono::steady_clock;

// The card image, attached for the whole program.
class BenchCard {
 public:
  BenchCard() {
    const std::string image = folder_.File("card.img");
    if (!benchsupport::MakeMkfsCard(image, 512ull << 20, 32)) std::abort();
    std::uint32_t error = 0;
    if (platform::AttachCardImage(image, {}, kLetter, &error) != kLetter) std::abort();
    image_ = open(image.c_str(), O_RDONLY | O_CLOEXEC);
  }
  ~BenchCard() {
    if (image_ >= 0) close(image_);
    platform::DetachCardImage(kLetter);
  }
  void Sync() const { folder_.Sync(); }
  // The image file, for reads around the card's file system.
  int Image() const { return image_; }

 private:
  benchsupport::Folder folder_;
  int image_ = -1;
};

BenchCard& Card() {
  static BenchCard card;
  return card;
}

// Seconds of `work` with the verify on or off; negative when it failed.
template <typename Work>
double Timed(bool verify, Work work) {
  Card().Sync();
  FfaSetVerifyEnabled(verify);
  const auto start = Clock::now();
  const int result = work();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  FfaSetVerifyEnabled(true);
  return result == FFA_OK ? seconds : -1;
}

std::uint32_t lastSlot = 0;

int Create() {
  return FfaCreate(kLetter, kImages, "Benchmark", true, nullptr);
}

int WriteSlot() {
  static const ByteBuffer block = [] {
    ByteBuffer bytes(kContainerBlockSize);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 31);
    return bytes;
  }();
  lastSlot = (lastSlot + 7) % kImages;
  return FfaWriteSlot(kLetter, lastSlot, block, nullptr);
}

// Seconds of reading [offset, offset + size) of the container straight from
// the image file, past the page cache; negative when it failed.
double ReadFromImage(std::uint64_t offset, std::uint64_t size) {
  FilePlacement placement;
  if (GetFilePlacement(FfaGetContainerPath(kLetter).c_str(), placement) != 0 ||
      placement.extentCount != 1) {
    return -1;
  }
  constexpr std::uint32_t kPiece = 8u << 20;
  // Touched once, as the verify's kept buffer is.
  static const AlignedBuffer buffer = [] {
    AlignedBuffer b = AllocateAligned(kPiece);
    if (b) std::fill(b.get(), b.get() + kPiece, std::uint8_t{0});
    return b;
  }();
  if (!buffer) return -1;
  const std::uint64_t from = placement.startSector * 512 + offset;
  const auto start = Clock::now();
  for (std::uint64_t done = 0; done < size;) {
    const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(size - done, kPiece));
    // The writer's flush has put everything on the medium already.
    if (platform::ReadFromMedium(Card().Image(), from + done, buffer.get(), n, true) != 0) {
      return -1;
    }
    done += n;
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double ReadContainer() {
  return ReadFromImage(0, (kImages + 1) * std::uint64_t{kContainerBlockSize});
}

double ReadLastSlot() {
  return ReadFromImage(GetSlotPartOffset(lastSlot, kSlotPartImage), kContainerBlockSize);
}

// Both ways in every iteration, their order alternating, then one read of
// what the unverified run wrote; the iteration time is the verified one's.
template <typename Work, typename Read>
void WithAndWithout(benchmark::State& state, Work work, Read readBack) {
  benchsupport::SideBySide figures;
  std::vector<double> added;
  std::vector<double> reads;
  std::vector<double> floors;
  bool verifiedFirst = true;
  for (auto _ : state) {
    const double first = Timed(verifiedFirst, work);
    const double second = Timed(!verifiedFirst, work);
    const double verified = verifiedFirst ? first : second;
    const double plain = verifiedFirst ? second : first;
    // Of the run just done: the unverified one when the verified went first.
    const double read = verifiedFirst ? readBack() : 0;
    verifiedFirst = !verifiedFirst;
    if (verified < 0 || plain < 0 || read < 0) {
      state.SkipWithError("writing or reading failed");
      break;
    }
    state.SetIterationTime(verified);
    figures.Add(verified, plain);
    added.push_back(verified - plain);
    if (read > 0) {
      reads.push_back(read);
      floors.push_back((plain + read) / plain);
    }
  }
  figures.Report(state, "unverified");
  state.counters["added_median_ms"] = benchsupport::Median(added) * 1e3;
  state.counters["one_read_median_ms"] = benchsupport::Median(reads) * 1e3;
  state.counters["floor_ratio_median"] = benchsupport::Median(floors);
}

void BM_Create99ImagesVerifiedVsNot(benchmark::State& state) {
  WithAndWithout(state, Create, ReadContainer);
}

void BM_SlotWriteVerifiedVsNot(benchmark::State& state) {
  Card();  // attached before the container is made, also when run alone
  if (Create() != FFA_OK) {
    state.SkipWithError("no container");
    return;
  }
  WithAndWithout(state, WriteSlot, ReadLastSlot);
}

BENCHMARK(BM_Create99ImagesVerifiedVsNot)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);
BENCHMARK(BM_SlotWriteVerifiedVsNot)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);

}  // namespace
