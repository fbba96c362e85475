#include "support/udevd_guard.h"

#include <signal.h>
#include <unistd.h>

#include <filesystem>

#include "platform/linux/udev_monitor.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace linuxtest {
namespace {
const char* const kRules = "SUBSYSTEM==\"block\", KERNEL==\"loop*\", IMPORT{builtin}=\"blkid\"\n";

// Runs in the new mount namespace. The control socket stays where every
// program looks for it (/run/udev/control); rules and database are the test's.
const char* const kInner = R"(set -e
mkdir -p /run/udev/data "$1/data" "$1/rules"
cp "$1/90-loop.rules" "$1/rules/"
mount --bind "$1/data" /run/udev/data
mount --bind "$1/rules" /usr/lib/udev/rules.d
if [ -d /etc/udev/rules.d ]; then mount --bind "$1/rules" /etc/udev/rules.d; fi
exec "$2" --resolve-names=never
)";

const char* const kUdevd = "/lib/systemd/systemd-udevd";
}  // namespace

UdevdGuard::UdevdGuard(const std::string& folder) : folder_(folder) {
  reason_ = Start();
}

std::string UdevdGuard::Start() {
  if (platform::UdevdRunning()) return {};
  if (geteuid() != 0) return "starting udevd needs root";
  if (access(kUdevd, X_OK) != 0) return std::string(kUdevd) + " is not installed (package udev)";
  if (!testsupport::HaveProgram("unshare")) return "unshare is not installed";
  if (!testsupport::WriteHostFile(folder_ + "/90-loop.rules", kRules) ||
      !testsupport::WriteHostFile(folder_ + "/inner.sh", kInner)) {
    return "cannot write udevd's files";
  }
  madeRunUdev_ = !std::filesystem::exists("/run/udev");
  if (!platform::StartProgram({"unshare", "-m", "--propagation", "private", "sh",
                               folder_ + "/inner.sh", folder_, kUdevd},
                              &process_, platform::ProgramOutput::kDiscard)) {
    process_ = 0;
    return "unshare did not start";
  }
  for (int i = 0; i < 100; ++i) {
    if (platform::UdevdRunning()) return {};
    if (platform::WaitForProgram(process_, 0) == platform::WaitResult::kFinished) {
      process_ = 0;
      return "udevd could not be started here (a container without the rights for it?)";
    }
    platform::SleepMs(50);
  }
  return "udevd did not answer on /run/udev/control";
}

UdevdGuard::~UdevdGuard() {
  if (process_ != 0) {
    kill(static_cast<pid_t>(process_), SIGTERM);
    if (platform::WaitForProgram(process_, 5000) != platform::WaitResult::kFinished) {
      kill(static_cast<pid_t>(process_), SIGKILL);
      platform::WaitForProgram(process_, 1000);
    }
  }
  // What it made under /run goes too, unless another udevd uses it by now.
  if (madeRunUdev_ && !platform::UdevdRunning()) {
    std::error_code ignored;
    std::filesystem::remove_all("/run/udev", ignored);
  }
}

}  // namespace linuxtest
