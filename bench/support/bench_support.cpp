#include "support/bench_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

extern char** environ;

namespace benchsupport {
namespace {

std::uint64_t ReadChar(pid_t pid) {
  std::ifstream io("/proc/" + std::to_string(pid) + "/io");
  std::string key;
  std::uint64_t value = 0;
  while (io >> key >> value) {
    if (key == "rchar:") return value;
  }
  return 0;
}

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

std::string CliPath() {
  if (const char* path = std::getenv("QUILLFEN_CLI")) return path;
  std::error_code ignored;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ignored);
  return (self.parent_path().parent_path() / "src" / "quillfen-cli").string();
}

ChildRun Run(const std::vector<std::string>& argv) {
  ChildRun run;
  std::vector<std::string> copy = argv;
  std::vector<char*> args;
  for (std::string& a : copy) args.push_back(a.data());
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const auto start = std::chrono::steady_clock::now();
  const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;
  // Wait without reaping, so that the ended child's counters can still be read.
  siginfo_t info{};
  if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0) return run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.bytesRead = ReadChar(pid);
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  run.maxResidentKiB = static_cast<std::uint64_t>(usage.ru_maxrss);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

Folder::Folder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quillfen-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  path_ = pattern;
}

Folder::~Folder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void Folder::Sync() const {
  const int fd = open(path_.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd >= 0) {
    syncfs(fd);
    close(fd);
  }
}

bool MakeMkfsCard(const std::string& path, std::uint64_t bytes, int fatBits) {
  const std::string q = Quote(path);
  const char* type = fatBits == 32 ? "0c" : fatBits == 16 ? "0e" : "01";
  const std::uint64_t blocks = (bytes / 512 - 2048) / 2;
  const std::string command = "rm -f " + q + " && truncate -s " + std::to_string(bytes) + " " + q +
                              " && echo 'start=2048, type=" + type + "' | sfdisk -q " + q +
                              " && mkfs.fat -F " + std::to_string(fatBits) +
                              " --offset 2048 -h 2048 -i 12345678 " + q + " " +
                              std::to_string(blocks) + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Min(const std::vector<double>& values) {
  return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

void SideBySide::Add(double ours, double theirs) {
  ours_.push_back(ours);
  theirs_.push_back(theirs);
}

SideBySide::Figures SideBySide::Compute() const {
  Figures f;
  if (ours_.empty() || Min(theirs_) <= 0) return f;
  f.oursMin = Min(ours_);
  f.oursMedian = Median(ours_);
  f.theirsMin = Min(theirs_);
  f.theirsMedian = Median(theirs_);
  f.ratioMin = f.oursMin / f.theirsMin;
  f.ratioMedian = f.oursMedian / f.theirsMedian;
  return f;
}

void SideBySide::Report(benchmark::State& state, const std::string& name,
                        const std::string& ratio) const {
  const Figures f = Compute();
  if (f.theirsMin <= 0) return;
  state.counters["ours_min_ms"] = f.oursMin * 1e3;
  state.counters["ours_median_ms"] = f.oursMedian * 1e3;
  state.counters[name + "_min_ms"] = f.theirsMin * 1e3;
  state.counters[name + "_median_ms"] = f.theirsMedian * 1e3;
  state.counters[ratio + "_min"] = f.ratioMin;
  state.counters[ratio + "_median"] = f.ratioMedian;
}

}  // namespace benchsupport
