// Creating the largest container (99 images, 200 MiB) on a folder-backed
// drive, against writing the same number of bytes the plain way, as
// `dd if=/dev/zero bs=2M count=100` does: open, 100 writes of a 2 MiB zero
// buffer, close. The target is a ratio of at most 1.3.
//
// Both write into the same folder under the temporary folder ($TMPDIR or
// /tmp). Before every measured run the old files are removed and the file
// system is synced, so each run starts from the same state; the removal and
// the sync are not measured.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "platform/drive.h"
#include "platform/host/host_folder_drive.h"

namespace {

constexpr char kLetter = 'Q';
constexpr std::uint32_t kImages = 99;
constexpr std::size_t kBlocks = kImages + 1;
constexpr std::int64_t kBytes = static_cast<std::int64_t>(kBlocks * kContainerBlockSize);

// The folder and the drive, for the whole program.
class BenchCard {
 public:
  BenchCard() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quillfen-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    folder_ = pattern;
    scoped_ = std::make_unique<platform::ScopedDrive>(
        kLetter, std::make_shared<platform::HostFolderDrive>(folder_));
    if (!scoped_->attached()) std::abort();
  }
  ~BenchCard() {
    scoped_.reset();
    std::error_code ignored;
    std::filesystem::permissions(ContainerHostPath(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(folder_, ignored);
  }

  std::string ContainerHostPath() const { return folder_ + "/DornveldFLP/DornveldCIF.dfp"; }
  std::string PlainPath() const { return folder_ + "/zero.bin"; }

  // Removes both files and flushes the file system, unmeasured.
  void Reset() const {
    std::error_code ignored;
    std::filesystem::permissions(ContainerHostPath(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove(ContainerHostPath(), ignored);
    std::filesystem::remove(PlainPath(), ignored);
    const int fd = open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
      syncfs(fd);
      close(fd);
    }
  }

 private:
  std::string folder_;
  std::unique_ptr<platform::ScopedDrive> scoped_;
};

BenchCard& Card() {
  static BenchCard card;
  return card;
}

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Seconds for FfaCreate of 99 images; negative on failure.
double TimeCreate() {
  const auto start = Clock::now();
  const int result = FfaCreate(kLetter, kImages, "Benchmark", true, nullptr);
  const double seconds = Seconds(start);
  return result == FFA_OK ? seconds : -1;
}

// Seconds for what dd does: open, 100 writes of 2 MiB of zeros, close.
double TimeZeroWrites() {
  static const std::vector<char> zeros(kContainerBlockSize, 0);
  const auto start = Clock::now();
  const int fd = open(Card().PlainPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return -1;
  for (std::size_t i = 0; i < kBlocks; ++i) {
    if (write(fd, zeros.data(), zeros.size()) != static_cast<ssize_t>(zeros.size())) {
      close(fd);
      return -1;
    }
  }
  if (close(fd) != 0) return -1;
  return Seconds(start);
}

bool Measured(benchmark::State& state, double seconds) {
  if (seconds < 0) {
    state.SkipWithError("writing failed");
    return false;
  }
  state.SetIterationTime(seconds);
  return true;
}

void BM_FfaCreate99Images(benchmark::State& state) {
  for (auto _ : state) {
    Card().Reset();
    if (!Measured(state, TimeCreate())) break;
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}

void BM_DdZero100x2MiB(benchmark::State& state) {
  for (auto _ : state) {
    Card().Reset();
    if (!Measured(state, TimeZeroWrites())) break;
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}

// Both ways in every iteration, their order alternating, so that the ratio
// is taken under the same conditions. The iteration time is the creation's.
void BM_CreateVsDd(benchmark::State& state) {
  double create = 0;
  double dd = 0;
  bool createFirst = true;
  for (auto _ : state) {
    double c = 0;
    double d = 0;
    Card().Reset();
    if (createFirst) {
      c = TimeCreate();
      Card().Reset();
      d = TimeZeroWrites();
    } else {
      d = TimeZeroWrites();
      Card().Reset();
      c = TimeCreate();
    }
    createFirst = !createFirst;
    if (d < 0 || !Measured(state, c)) {
      state.SkipWithError("writing failed");
      break;
    }
    create += c;
    dd += d;
  }
  const auto n = static_cast<double>(state.iterations());
  if (n > 0 && dd > 0) {
    state.counters["create_ms"] = create / n * 1e3;
    state.counters["dd_ms"] = dd / n * 1e3;
    state.counters["ratio"] = create / dd;
  }
}

BENCHMARK(BM_FfaCreate99Images)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(BM_DdZero100x2MiB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(BM_CreateVsDd)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(6);

}  // namespace
