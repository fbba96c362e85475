// Shared pieces of the container store tests: a card stood in for by a host
// folder attached at a drive letter, a progress owner that records what the
// store reports, and helpers that run work in a second process.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/bytes.h"
#include "container/ffa_store.h"
#include "platform/drive.h"
#include "platform/files.h"
#include "platform/host/host_folder_drive.h"
#include "services/progress_state.h"
#include "support/temp_dir.h"

namespace cardtest {

inline constexpr std::uint32_t kProtected =
    platform::kAttributeReadOnly | platform::kAttributeSystem;  // 5

// A temporary host folder that answers as drive `letter` while the object
// lives. The container's host paths are offered for checks that go around
// the platform layer.
class CardFolder {
 public:
  explicit CardFolder(char letter)
      : drive_(std::make_shared<platform::HostFolderDrive>(dir_.path())), scoped_(letter, drive_) {}

  bool attached() const { return scoped_.attached(); }
  char letter() const { return scoped_.letter(); }
  const std::string& hostRoot() const { return dir_.path(); }
  std::string hostFolder() const { return dir_.path() + "/DornveldFLP"; }
  std::string hostContainer() const { return hostFolder() + "/DornveldCIF.dfp"; }
  std::string container() const { return FfaGetContainerPath(letter()); }
  void LimitFreeBytes(std::optional<std::uint64_t> bytes) {
    drive_->folderFiles().LimitFreeBytes(bytes);
  }

 private:
  testsupport::TempDir dir_;
  std::shared_ptr<platform::HostFolderDrive> drive_;
  platform::ScopedDrive scoped_;
};

inline ByteBuffer ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return ByteBuffer(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool WriteHostFile(const std::string& path, const ByteBuffer& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// Runs `work` in a forked child and returns the int it produced, or INT_MIN
// when the child died without answering.
inline int RunInChild(const std::function<int()>& work) {
  int fds[2];
  if (pipe(fds) != 0) return INT_MIN;
  const pid_t pid = fork();
  if (pid < 0) return INT_MIN;
  if (pid == 0) {
    close(fds[0]);
    const int result = work();
    const ssize_t ignored = write(fds[1], &result, sizeof result);
    (void)ignored;
    _exit(0);
  }
  close(fds[1]);
  int result = INT_MIN;
  if (read(fds[0], &result, sizeof result) != static_cast<ssize_t>(sizeof result)) {
    result = INT_MIN;
  }
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return result;
}

// Another process that holds a file open (exclusively, as every open of the
// platform layer is) until the object goes away.
class HeldOpenElsewhere {
 public:
  explicit HeldOpenElsewhere(const std::string& path) {
    int ready[2];
    int release[2];
    if (pipe(ready) != 0 || pipe(release) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      close(release[1]);
      platform::File file =
          platform::OpenFile(path, platform::kGenericRead, platform::Disposition::kOpenExisting);
      const char answer = file.IsOpen() ? 1 : 0;
      ssize_t ignored = write(ready[1], &answer, 1);
      char byte = 0;
      ignored = read(release[0], &byte, 1);  // returns when the parent closes its end
      (void)ignored;
      _exit(0);
    }
    close(ready[1]);
    close(release[0]);
    release_ = release[1];
    char answer = 0;
    holding_ = pid_ > 0 && read(ready[0], &answer, 1) == 1 && answer == 1;
    close(ready[0]);
  }
  ~HeldOpenElsewhere() {
    if (release_ >= 0) close(release_);
    if (pid_ > 0) {
      int status = 0;
      waitpid(pid_, &status, 0);
    }
  }
  HeldOpenElsewhere(const HeldOpenElsewhere&) = delete;
  HeldOpenElsewhere& operator=(const HeldOpenElsewhere&) = delete;

  bool holding() const { return holding_; }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool holding_ = false;
};

// Every SetProgressState call, in order.
using ProgressLog = std::vector<std::pair<int, int>>;

class RecordingProgress : public CProgressState {
 public:
  explicit RecordingProgress(ProgressLog* log, const std::string& text = "",
                             std::uint32_t options = 0)
      : CProgressState(text, options), log_(log) {}
  void SetProgressState(int kind, int value) override {
    log_->emplace_back(kind, value);
    CProgressState::SetProgressState(kind, value);
  }

 private:
  ProgressLog* log_;
};

// A window that opens recording displays; the log outlives the displays.
class RecordingOwner : public IProgressOwner {
 public:
  std::unique_ptr<IProgressDisplay> CreateProgress(const std::string& text,
                                                   std::uint32_t options) override {
    texts.push_back(text);
    return std::make_unique<RecordingProgress>(&log, text, options);
  }
  std::vector<std::string> texts;
  ProgressLog log;
};

}  // namespace cardtest
