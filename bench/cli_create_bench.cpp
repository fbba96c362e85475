// The command-line tool on card images.
//
// BM_CliCreateVsDd: `quillfen-cli create CARD --count 99` on a fresh 512 MiB
// FAT32 card image against `dd if=/dev/zero bs=2M count=100` of the same
// 200 MiB into a plain file beside it, on the same file system, all as child
// processes, their order rotating. The target is a ratio of at most 1.3.
// The tool syncs the card before it reports success (a card may be pulled
// out the moment it is done), so besides plain dd ("ratio") it is also put
// against `dd conv=fsync` ("ratio_fsync"), which does the same. Making the
// card image, removing old files and syncing between runs are not measured.
//
// BM_CardState4GiB*: FfaGetCardState on a sparse 4 GiB FAT32 card image that
// holds a 99-image container; the target is below 100 ms. "Attached" asks an
// attached card again and again; "Fresh" attaches the image for every call,
// so the volume is mounted anew each time, as the tool does once per run.
//
// The tool is found beside this program's build folder
// (<build>/src/quillfen-cli) unless $QUILLFEN_CLI names it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "container/card_state.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "fat/format.h"
#include "platform/card_image_file.h"
#include "platform/drive.h"
#include "platform/image/image_drive.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string CliPath() {
  if (const char* path = std::getenv("QUILLFEN_CLI")) return path;
  std::error_code ignored;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ignored);
  return (self.parent_path().parent_path() / "src" / "quillfen-cli").string();
}

// Runs a program with its output thrown away; its exit status or -1.
int RunQuietly(std::vector<std::string> argv) {
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class BenchFolder {
 public:
  BenchFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quillfen-cli-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~BenchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  void Sync() const {
    const int fd = open(path_.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
      syncfs(fd);
      close(fd);
    }
  }

 private:
  std::string path_;
};

bool MakeCard(const std::string& path, std::uint64_t bytes) {
  fat::CardImageOptions options;
  options.sizeBytes = bytes;
  options.fatType = 32;
  fat::Status status;
  return platform::MakeCardImage(path, options, &status);
}

// A fresh card and no plain file, synced; not measured.
bool Reset(const BenchFolder& folder) {
  std::error_code ignored;
  std::filesystem::remove(folder.File("plain.bin"), ignored);
  const bool made = MakeCard(folder.File("card.img"), 512ull << 20);
  folder.Sync();
  return made;
}

double TimeCliCreate(const BenchFolder& folder) {
  folder.Sync();
  const auto start = Clock::now();
  const int rc = RunQuietly({CliPath(), "create", folder.File("card.img"), "--count", "99"});
  const double seconds = Seconds(start);
  return rc == 0 ? seconds : -1;
}

double TimeDd(const BenchFolder& folder, bool sync) {
  std::error_code ignored;
  std::filesystem::remove(folder.File("plain.bin"), ignored);
  folder.Sync();
  std::vector<std::string> argv = {"dd", "if=/dev/zero", "of=" + folder.File("plain.bin"), "bs=2M",
                                   "count=100"};
  if (sync) argv.push_back("conv=fsync");
  const auto start = Clock::now();
  const int rc = RunQuietly(argv);
  const double seconds = Seconds(start);
  return rc == 0 ? seconds : -1;
}

void BM_CliCreateVsDd(benchmark::State& state) {
  const BenchFolder folder;
  double total[3] = {0, 0, 0};  // create, dd, dd conv=fsync
  int turn = 0;
  for (auto _ : state) {
    if (!Reset(folder)) {
      state.SkipWithError("card image not made");
      break;
    }
    double t[3] = {-1, -1, -1};
    for (int i = 0; i < 3; ++i) {
      const int which = (turn + i) % 3;
      t[which] = which == 0 ? TimeCliCreate(folder) : TimeDd(folder, which == 2);
    }
    turn = (turn + 1) % 3;
    if (t[0] < 0 || t[1] < 0 || t[2] < 0) {
      state.SkipWithError("quillfen-cli create or dd failed (is the tool built?)");
      break;
    }
    state.SetIterationTime(t[0]);
    for (int i = 0; i < 3; ++i) total[i] += t[i];
  }
  const auto n = static_cast<double>(state.iterations());
  if (n > 0 && total[1] > 0 && total[2] > 0) {
    state.counters["create_ms"] = total[0] / n * 1e3;
    state.counters["dd_ms"] = total[1] / n * 1e3;
    state.counters["dd_fsync_ms"] = total[2] / n * 1e3;
    state.counters["ratio"] = total[0] / total[1];
    state.counters["ratio_fsync"] = total[0] / total[2];
  }
}

// The 4 GiB card with its container, made once for both state benchmarks.
class StateCard {
 public:
  StateCard() : path_(folder_.File("card4g.img")) {
    std::uint32_t error = 0;
    if (!MakeCard(path_, 4ull << 30)) return;
    const char letter = platform::AttachCardImage(path_, {}, 0, &error);
    if (letter == 0) return;
    ready_ = FfaCreate(letter, 99, "State", true, nullptr) == FFA_OK && FfaMakeUsable(letter) == 0;
    platform::DriveTable::Instance().Detach(letter);
  }
  bool ready() const { return ready_; }
  const std::string& path() const { return path_; }

 private:
  BenchFolder folder_;
  std::string path_;
  bool ready_ = false;
};

StateCard& Card4G() {
  static StateCard card;
  return card;
}

void CheckFlags(benchmark::State& state, std::uint32_t flags) {
  if (flags != (CARD_RAW_ACCESS | CARD_CONTAINER_VALID | CARD_CONTIGUOUS | CARD_START_SECTOR_SET)) {
    state.SkipWithError("the card is not in the usable state");
  }
}

void BM_CardState4GiBAttached(benchmark::State& state) {
  if (!Card4G().ready()) {
    state.SkipWithError("4 GiB card not made");
    return;
  }
  std::uint32_t error = 0;
  const char letter = platform::AttachCardImage(Card4G().path(), {}, 0, &error);
  const std::string entry = std::string(1, letter) + ":";
  for (auto _ : state) {
    std::uint64_t size = 0;
    CardState card;
    const std::uint32_t flags = FfaGetCardState(entry, size, card);
    CheckFlags(state, flags);
  }
  platform::DriveTable::Instance().Detach(letter);
}

void BM_CardState4GiBFresh(benchmark::State& state) {
  if (!Card4G().ready()) {
    state.SkipWithError("4 GiB card not made");
    return;
  }
  for (auto _ : state) {
    std::uint32_t error = 0;
    const char letter = platform::AttachCardImage(Card4G().path(), {}, 0, &error);
    std::uint64_t size = 0;
    CardState card;
    const std::uint32_t flags = FfaGetCardState(std::string(1, letter) + ":", size, card);
    platform::DriveTable::Instance().Detach(letter);
    CheckFlags(state, flags);
  }
}

BENCHMARK(BM_CliCreateVsDd)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);
BENCHMARK(BM_CardState4GiBAttached)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CardState4GiBFresh)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
