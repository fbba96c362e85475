// FAT engine speed: writing 200 MiB into a new file on a card image next to
// the same bytes written to a plain file on the same file system, and the
// cluster runs of a 200 MiB file on FAT32 with 4 KiB clusters.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "fat/format.h"
#include "fat/partition.h"
#include "fat/volume.h"
#include "platform/card_image_file.h"
#include "platform/file_sector_device.h"

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr std::uint64_t kFileBytes = 200 * kMiB;
constexpr std::size_t kChunk = 2 * kMiB;

std::string ScratchPath(const char* name) {
  return (std::filesystem::temp_directory_path() /
          ("quillfen-bench-" + std::to_string(getpid()) + "-" + name))
      .string();
}

struct Card {
  std::unique_ptr<platform::FileSectorDevice> disk;
  std::unique_ptr<fat::SubRangeDevice> part;
  std::unique_ptr<fat::Volume> volume;
};

// A fresh 512 MiB FAT32 card image (4 KiB clusters), mounted for writing.
bool MakeCard(const std::string& path, Card* card, benchmark::State& state) {
  fat::CardImageOptions options;
  options.sizeBytes = 512 * kMiB;
  options.fatType = 32;
  options.serial = 1;
  fat::Status s;
  if (!platform::MakeCardImage(path, options, &s)) {
    state.SkipWithError(("card image: " + s.message).c_str());
    return false;
  }
  card->volume.reset();
  card->part.reset();
  card->disk = platform::FileSectorDevice::Open(path, true, &s);
  if (!card->disk) {
    state.SkipWithError(s.message.c_str());
    return false;
  }
  card->part = std::make_unique<fat::SubRangeDevice>(
      *card->disk, options.partitionStart, card->disk->SectorCount() - options.partitionStart);
  card->volume = fat::Volume::Mount(*card->part, true, &s);
  if (!card->volume) {
    state.SkipWithError(s.message.c_str());
    return false;
  }
  return true;
}

// Seconds to write 200 MiB into a new file through the engine, flushed and synced.
double EngineWrite(Card& card, const std::string& data, benchmark::State& state) {
  const auto start = std::chrono::steady_clock::now();
  fat::Status s;
  auto file = card.volume->CreateFile("DornveldFLP.dfp", 0, &s);
  if (!file || !file->SetLength(kFileBytes).ok()) {
    state.SkipWithError("create or set length failed");
    return 0;
  }
  for (std::uint64_t at = 0; at < kFileBytes; at += kChunk) {
    std::size_t done = 0;
    if (!file->WriteAt(at, data.data(), kChunk, &done).ok()) {
      state.SkipWithError("write failed");
      return 0;
    }
  }
  if (!file->Close().ok() || !card.volume->Flush().ok()) state.SkipWithError("flush failed");
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Seconds to write the same bytes to a new plain file (like dd bs=2M), synced.
double PlainWrite(const std::string& path, const std::string& data, benchmark::State& state) {
  const auto start = std::chrono::steady_clock::now();
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    state.SkipWithError("cannot create the plain file");
    return 0;
  }
  for (std::uint64_t at = 0; at < kFileBytes; at += kChunk) {
    if (::write(fd, data.data(), kChunk) != static_cast<ssize_t>(kChunk)) {
      state.SkipWithError("plain write failed");
      break;
    }
  }
  ::fsync(fd);
  ::close(fd);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Both writes in each iteration, so that they meet the same disk conditions;
// the ratio engine / plain is the figure to watch (target: 1.3 or less).
void BM_Write200MiBEngineVsPlain(benchmark::State& state) {
  const std::string image = ScratchPath("card.img");
  const std::string plain = ScratchPath("plain.bin");
  const std::string data(kChunk, '\x5A');
  double engineTotal = 0;
  double plainTotal = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Card card;
    if (!MakeCard(image, &card, state)) break;
    std::remove(plain.c_str());
    state.ResumeTiming();
    const double engine = EngineWrite(card, data, state);
    const double raw = PlainWrite(plain, data, state);
    engineTotal += engine;
    plainTotal += raw;
    state.SetIterationTime(engine + raw);
    state.PauseTiming();
    card.volume.reset();
    std::remove(image.c_str());
    std::remove(plain.c_str());
    state.ResumeTiming();
  }
  const double n = static_cast<double>(state.iterations());
  if (n > 0 && plainTotal > 0) {
    state.counters["engine_MiB_s"] = 200.0 * n / engineTotal;
    state.counters["plain_MiB_s"] = 200.0 * n / plainTotal;
    state.counters["ratio"] = engineTotal / plainTotal;
  }
}
BENCHMARK(BM_Write200MiBEngineVsPlain)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// ClusterRuns of a contiguous 200 MiB file: 51,200 clusters of 4 KiB.
void BM_ClusterRuns200MiBFat32(benchmark::State& state) {
  const std::string image = ScratchPath("runs.img");
  Card card;
  if (!MakeCard(image, &card, state)) return;
  fat::Status s;
  {
    auto file = card.volume->CreateFile("DornveldCIF.dfp", 0, &s);
    if (!file || !file->SetLength(kFileBytes).ok() || !file->Close().ok()) {
      state.SkipWithError("cannot make the file");
      return;
    }
  }
  std::vector<fat::ClusterRun> runs;
  for (auto _ : state) {
    s = card.volume->ClusterRuns("DornveldCIF.dfp", &runs);
    benchmark::DoNotOptimize(runs.data());
  }
  if (!s.ok() || runs.size() != 1 || runs[0].length != 51200) {
    state.SkipWithError("unexpected runs");
  }
  state.counters["clusters"] = runs.empty() ? 0.0 : static_cast<double>(runs[0].length);
  card.volume.reset();
  std::remove(image.c_str());
}
BENCHMARK(BM_ClusterRuns200MiBFat32)->Unit(benchmark::kMillisecond);

}  // namespace
