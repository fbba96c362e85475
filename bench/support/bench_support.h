// What the command-line benchmarks share: the tool and other programs run as
// child processes (time, peak memory, bytes read), card images made by
// sfdisk and mkfs.fat, a scratch folder, and the figures of a side-by-side
// run (min and median of each side and their ratios).
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

namespace benchsupport {

// The built quillfen-cli: $QUILLFEN_CLI, else <build>/src/quillfen-cli
// beside this program's build folder.
std::string CliPath();

struct ChildRun {
  int exitCode = -1;  // -1 when it could not run or died by a signal
  double seconds = 0;
  std::uint64_t maxResidentKiB = 0;  // ru_maxrss
  std::uint64_t bytesRead = 0;       // rchar of /proc/<pid>/io: what it read through read calls
};

// Runs a program (found on the PATH) with its output thrown away.
ChildRun Run(const std::vector<std::string>& argv);

// A fresh folder under the temporary folder, removed with its contents.
class Folder {
 public:
  Folder();
  ~Folder();
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Writes back what the file system holds, unmeasured, so that runs start alike.
  void Sync() const;

 private:
  std::string path_;
};

// A sparse card image of `bytes` with one partition from sector 2048,
// formatted by mkfs.fat with `fatBits`; false when a tool failed.
bool MakeMkfsCard(const std::string& path, std::uint64_t bytes, int fatBits);
// The byte offset of that volume, for mtools ("image@@offset").
inline constexpr std::uint64_t kVolumeOffset = 2048 * 512;

// Times of both sides of a comparison, one pair per iteration.
class SideBySide {
 public:
  struct Figures {
    double oursMin = 0;  // seconds
    double oursMedian = 0;
    double theirsMin = 0;
    double theirsMedian = 0;
    double ratioMin = 0;     // min / min
    double ratioMedian = 0;  // median / median
  };

  void Add(double ours, double theirs);
  Figures Compute() const;
  // As counters: ours_min_ms, ours_median_ms, <name>_min_ms,
  // <name>_median_ms, and the ratios as <ratio>_min and <ratio>_median.
  void Report(benchmark::State& state, const std::string& name,
              const std::string& ratio = "ratio") const;

 private:
  std::vector<double> ours_;
  std::vector<double> theirs_;
};

double Median(std::vector<double> values);
double Min(const std::vector<double>& values);

}  // namespace benchsupport
