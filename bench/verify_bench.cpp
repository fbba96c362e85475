// What the read-back after a write costs, on a card image FILE attached as
// a card (the image on the host's file system, as a user attaches one): a
// 99-image creation and a slot write, each with and without the verify, side
// by side in alternating order. Target: a slot write with the verify takes
// at most 1.3 times one without (the verify adds one read of what was
// written).
//
// The card is a sparse 512 MiB image made by sfdisk and mkfs.fat (FAT32)
// under the temporary folder ($TMPDIR or /tmp).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/write_verify.h"
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
  }
  ~BenchCard() { platform::DetachCardImage(kLetter); }
  void Sync() const { folder_.Sync(); }
  std::string Image() const { return folder_.File("card.img"); }

 private:
  benchsupport::Folder folder_;
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

int Create() {
  return FfaCreate(kLetter, kImages, "Benchmark", true, nullptr);
}

int WriteSlot() {
  static const ByteBuffer block = [] {
    ByteBuffer bytes(kContainerBlockSize);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 31);
    return bytes;
  }();
  static std::uint32_t slot = 0;
  slot = (slot + 7) % kImages;
  return FfaWriteSlot(kLetter, slot, block, nullptr);
}

// Both ways in every iteration, their order alternating; the iteration time
// is the verified one's.
template <typename Work>
void WithAndWithout(benchmark::State& state, Work work) {
  benchsupport::SideBySide figures;
  bool verifiedFirst = true;
  for (auto _ : state) {
    const double first = Timed(verifiedFirst, work);
    const double second = Timed(!verifiedFirst, work);
    const double verified = verifiedFirst ? first : second;
    const double plain = verifiedFirst ? second : first;
    verifiedFirst = !verifiedFirst;
    if (verified < 0 || plain < 0) {
      state.SkipWithError("writing failed");
      break;
    }
    state.SetIterationTime(verified);
    figures.Add(verified, plain);
  }
  figures.Report(state, "unverified");
}

// The least a read-back can cost: one read of a slot's 2 MiB from the medium,
// straight from the image file, without the card's file system.
void BM_BareReadOf2MiBFromTheMedium(benchmark::State& state) {
  const int fd = open(Card().Image().c_str(), O_RDONLY | O_CLOEXEC);
  ByteBuffer buffer(kContainerBlockSize);
  for (auto _ : state) {
    const auto start = Clock::now();
    if (fd < 0 || platform::ReadFromMedium(fd, 64u << 20, buffer.data(),
                                           static_cast<std::uint32_t>(buffer.size())) != 0) {
      state.SkipWithError("reading failed");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
  if (fd >= 0) close(fd);
}

void BM_Create99ImagesVerifiedVsNot(benchmark::State& state) {
  WithAndWithout(state, Create);
}

void BM_SlotWriteVerifiedVsNot(benchmark::State& state) {
  if (Create() != FFA_OK) {
    state.SkipWithError("no container");
    return;
  }
  WithAndWithout(state, WriteSlot);
}

BENCHMARK(BM_BareReadOf2MiBFromTheMedium)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);
BENCHMARK(BM_Create99ImagesVerifiedVsNot)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);
BENCHMARK(BM_SlotWriteVerifiedVsNot)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

}  // namespace
