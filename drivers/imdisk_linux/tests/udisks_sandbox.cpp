#include "imdisk_linux/tests/udisks_sandbox.h"

#include <signal.h>
#include <unistd.h>

#include <dirent.h>

#include "imdisk_linux/tests/driver_env.h"
#include "imdisk_linux/udisks_client.h"
#include "platform/linux/process_watch.h"
#include "platform/linux/sysfs_reader.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace drivertest {
namespace {
const char* const kBusConfig = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=@SOCKET@</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
)";

// udevd sees every device event of the machine; it only probes loop devices'
// file systems, so that UDisks2 learns what a new loop device holds.
const char* const kRules = "SUBSYSTEM==\"block\", KERNEL==\"loop*\", IMPORT{builtin}=\"blkid\"\n";

// Runs in the new mount namespace: udevd in the background, then udisksd.
const char* const kInner = R"(set -e
mount -t tmpfs -o mode=755 tmpfs /run
mount -t tmpfs -o mode=755 tmpfs /media
mkdir -p /run/udev/rules.d "$1/empty"
cp "$1/90-loop.rules" /run/udev/rules.d/
mount --bind "$1/empty" /usr/lib/udev/rules.d
mount --bind "$1/empty" /etc/udev/rules.d
"$2" --resolve-names=never >"$1/udevd.log" 2>&1 &
echo $! >"$1/udevd.pid"
exec "$3" >"$1/udisksd.log" 2>&1
)";

std::string FirstExisting(std::initializer_list<const char*> paths) {
  for (const char* path : paths) {
    if (access(path, X_OK) == 0) return path;
  }
  return {};
}

void Replace(std::string& text, const std::string& from, const std::string& to) {
  text.replace(text.find(from), from.size(), to);
}
}  // namespace

UdisksSandbox::UdisksSandbox(const std::string& folder) : folder_(folder) {
  reason_ = Start();
}

UdisksSandbox::~UdisksSandbox() {
  Stop();
}

std::string UdisksSandbox::Start() {
  if (geteuid() != 0) return "a private udisksd needs root";
  if (access("/dev/loop-control", R_OK | W_OK) != 0) return "no /dev/loop-control";
  const std::string udisksd =
      FirstExisting({"/usr/libexec/udisks2/udisksd", "/usr/lib/udisks2/udisksd"});
  const std::string udevd =
      FirstExisting({"/lib/systemd/systemd-udevd", "/usr/lib/systemd/systemd-udevd"});
  if (udisksd.empty()) return "udisksd is not installed";
  if (udevd.empty()) return "systemd-udevd is not installed";
  for (const char* program : {"dbus-daemon", "unshare"}) {
    if (!testsupport::HaveProgram(program)) return std::string(program) + " is not installed";
  }

  const std::string socket = folder_ + "/system_bus_socket";
  std::string config = kBusConfig;
  Replace(config, "@SOCKET@", socket);
  if (!testsupport::WriteHostFile(folder_ + "/bus.conf", config) ||
      !testsupport::WriteHostFile(folder_ + "/90-loop.rules", kRules) ||
      !testsupport::WriteHostFile(folder_ + "/inner.sh", kInner)) {
    return "cannot write the sandbox's files";
  }
  if (!platform::StartProgram({"dbus-daemon", "--config-file=" + folder_ + "/bus.conf", "--nofork"},
                              &bus_, platform::ProgramOutput::kDiscard)) {
    return "dbus-daemon did not start";
  }
  for (int i = 0; i < 200 && access(socket.c_str(), F_OK) != 0; ++i) platform::SleepMs(10);
  if (access(socket.c_str(), F_OK) != 0) return "dbus-daemon made no socket";
  address_ = "unix:path=" + socket;

  ScopedEnv bus("DBUS_SYSTEM_BUS_ADDRESS", address_);
  if (!platform::StartProgram({"unshare", "-m", "--propagation", "private", "sh",
                               folder_ + "/inner.sh", folder_, udevd, udisksd},
                              &udisks_, platform::ProgramOutput::kDiscard)) {
    return "unshare did not start";
  }
  linux_driver::UdisksClient client;
  for (int i = 0; i < 100; ++i) {
    if (client.ServiceAvailable()) return {};
    if (platform::WaitForProgram(udisks_, 0) == platform::WaitResult::kFinished) {
      udisks_ = 0;
      return "udisksd ended at once: " + Log();
    }
    platform::SleepMs(50);
  }
  return "udisksd did not come up on the private bus: " + Log();
}

void UdisksSandbox::Stop() {
  std::string pid;
  if (testsupport::ReadHostFile(folder_ + "/udevd.pid", &pid)) {
    const long udevd = std::strtol(pid.c_str(), nullptr, 10);
    if (udevd > 0) {
      kill(static_cast<pid_t>(udevd), SIGTERM);
      platform::WaitForProcessEnd(udevd, 3000);
    }
  }
  for (platform::ProcessId* process : {&udisks_, &bus_}) {
    if (*process == 0) continue;
    kill(static_cast<pid_t>(*process), SIGTERM);
    if (platform::WaitForProgram(*process, 3000) != platform::WaitResult::kFinished) {
      kill(static_cast<pid_t>(*process), SIGKILL);
      platform::WaitForProgram(*process, 1000);
    }
    *process = 0;
  }
}

std::string UdisksSandbox::Log() const {
  std::string log;
  testsupport::ReadHostFile(folder_ + "/udisksd.log", &log);
  return log;
}

std::string LoopDevicesOf(const std::string& image) {
  std::string found;
  DIR* dir = opendir("/sys/block");
  if (dir == nullptr) return found;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.rfind("loop", 0) != 0) continue;
    std::string backing;
    if (!platform::ReadTextFile("/sys/block/" + name + "/loop/backing_file", &backing)) continue;
    while (!backing.empty() && backing.back() == '\n') backing.pop_back();
    if (backing == image) found += (found.empty() ? "/dev/" : " /dev/") + name;
  }
  closedir(dir);
  return found;
}

}  // namespace drivertest
