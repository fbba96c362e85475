// The bulk transfers of the command-line tool against dd, side by side in
// every iteration, their order rotating, on card images made by sfdisk and
// mkfs.fat in the same folder as dd's files:
//
// BM_CliCreateVsDd: `quillfen-cli create CARD --count 99` on a fresh 512 MiB
// FAT32 card against `dd if=/dev/zero bs=2M count=100` of the same 200 MiB
// into a plain file, once plain ("dd") and once with conv=fsync ("dd_fsync"):
// the tool makes sure the card holds the container before it reports
// success, as dd conv=fsync does. Target: at most 1.1 times dd.
//
// BM_CliDumpVsDd: `quillfen-cli dump CARD FILE` (the whole-card copy) of a
// 512 MiB card that holds a 99-image container, against
// `dd if=CARD of=FILE bs=2M`. Target: at most 1.1 times dd.
//
// Making cards, removing old copies and syncing between runs are not
// measured. The tool is found beside this program's build folder
// (<build>/src/quillfen-cli) unless $QUILLFEN_CLI names it.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/bench_support.h"

namespace {

using benchsupport::CliPath;
using benchsupport::Run;

constexpr std::uint64_t kCardBytes = 512ull << 20;

// Seconds of a run, or -1 when it failed.
double Timed(const std::vector<std::string>& argv) {
  const benchsupport::ChildRun run = Run(argv);
  return run.exitCode == 0 ? run.seconds : -1;
}

void Remove(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

void BM_CliCreateVsDd(benchmark::State& state) {
  const benchsupport::Folder folder;
  const std::string card = folder.File("card.img");
  const std::string plain = folder.File("plain.bin");
  benchsupport::SideBySide dd;
  benchsupport::SideBySide ddFsync;
  int turn = 0;
  for (auto _ : state) {
    double t[3] = {-1, -1, -1};  // create, dd, dd conv=fsync
    for (int i = 0; i < 3; ++i) {
      const int which = (turn + i) % 3;
      Remove(plain);
      if (which == 0 && !benchsupport::MakeMkfsCard(card, kCardBytes, 32)) break;
      folder.Sync();
      if (which == 0) {
        t[0] = Timed({CliPath(), "create", card, "--count", "99"});
      } else {
        std::vector<std::string> argv = {"dd", "if=/dev/zero", "of=" + plain, "bs=2M", "count=100"};
        if (which == 2) argv.push_back("conv=fsync");
        t[which] = Timed(argv);
      }
    }
    turn = (turn + 1) % 3;
    if (t[0] < 0 || t[1] < 0 || t[2] < 0) {
      state.SkipWithError("quillfen-cli create, mkfs.fat or dd failed (is the tool built?)");
      break;
    }
    state.SetIterationTime(t[0]);
    dd.Add(t[0], t[1]);
    ddFsync.Add(t[0], t[2]);
  }
  dd.Report(state, "dd");
  ddFsync.Report(state, "dd_fsync", "ratio_fsync");
}

void BM_CliDumpVsDd(benchmark::State& state) {
  const benchsupport::Folder folder;
  const std::string card = folder.File("card.img");
  if (!benchsupport::MakeMkfsCard(card, kCardBytes, 32) ||
      Run({CliPath(), "create", card, "--count", "99"}).exitCode != 0) {
    state.SkipWithError("card not made (is the tool built?)");
    return;
  }
  const std::string copy = folder.File("copy.img");
  benchsupport::SideBySide dd;
  bool toolFirst = true;
  for (auto _ : state) {
    double tool = -1;
    double plain = -1;
    for (int i = 0; i < 2; ++i) {
      Remove(copy);
      folder.Sync();
      if ((i == 0) == toolFirst) {
        tool = Timed({CliPath(), "dump", card, copy});
      } else {
        plain = Timed({"dd", "if=" + card, "of=" + copy, "bs=2M"});
      }
    }
    toolFirst = !toolFirst;
    if (tool < 0 || plain < 0) {
      state.SkipWithError("quillfen-cli dump or dd failed");
      break;
    }
    state.SetIterationTime(tool);
    dd.Add(tool, plain);
  }
  Remove(copy);
  dd.Report(state, "dd");
}

BENCHMARK(BM_CliCreateVsDd)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);
BENCHMARK(BM_CliDumpVsDd)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);

}  // namespace
