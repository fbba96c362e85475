// The temporary folders and commands of the tests on Windows.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>

#include "platform/drive_refresh.h"
#include "support/temp_dir.h"

namespace testsupport {

TempDir::TempDir() {
  // The folder's drive letter must be one the platform layer knows, as the
  // programs make them known at start.
  static const bool refreshed = platform::RefreshDrives() == 0;
  (void)refreshed;
  std::random_device random;
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const auto candidate = base / ("quillfen-test-" + std::to_string(random() % 1000000));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) {
      path_ = candidate.string();
      return;
    }
  }
  throw std::runtime_error("no temporary folder");
}

TempDir::~TempDir() {
  std::error_code ignored;
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  }
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::File(const std::string& name) const {
  return path_ + "\\" + name;
}

int RunCommand(const std::string& command, std::string* output) {
  FILE* pipe = _popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
    if (output != nullptr) output->append(buffer, n);
  }
  return _pclose(pipe);
}

// The Linux tools the tests compare with (mkfs.fat, mtools) are not to be had
// here: the tests that need them skip.
bool HaveProgram(const std::string& name) {
  (void)name;
  return false;
}

}  // namespace testsupport
