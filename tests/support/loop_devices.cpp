#include "support/loop_devices.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/linux/process_watch.h"
#include "platform/linux/sysfs_reader.h"
#include "support/temp_dir.h"

namespace linuxtest {
namespace {
using testsupport::Quote;
bool Mounted(const std::string& folder) {
  std::ifstream in("/proc/self/mountinfo");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string field;
    for (int i = 0; i < 5 && words >> field; ++i) {
    }
    if (field == folder) return true;
  }
  return false;
}

// The fusefat process that serves `folder`, or 0.
long ServerOf(const std::string& folder) {
  char real[PATH_MAX];
  if (realpath(folder.c_str(), real) == nullptr) return 0;
  for (const auto& process : platform::ReadFuseServerProcesses(platform::NativePaths{})) {
    if (process.mount.mountPoint == real) return process.pid;
  }
  return 0;
}

}  // namespace

std::string LoopDevicesUnavailable() {
  if (geteuid() != 0) return "needs root for loop devices";
  if (access("/dev/loop-control", F_OK) != 0) return "no /dev/loop-control";
  if (!testsupport::HaveProgram("losetup")) return "losetup is not installed";
  return {};
}

std::string FusefatUnavailable() {
  std::string reason = LoopDevicesUnavailable();
  if (!reason.empty()) return reason;
  if (access("/dev/fuse", F_OK) != 0) return "no /dev/fuse";
  for (const char* tool : {"fusefat", "fusermount", "mshowfat"}) {
    if (!testsupport::HaveProgram(tool)) return std::string(tool) + " is not installed";
  }
  return {};
}

LoopDevice::LoopDevice(const std::string& file, std::uint64_t offset, std::uint64_t sizeLimit,
                       bool readOnly) {
  std::string command = readOnly ? "losetup -r -f --show" : "losetup -f --show";
  if (offset != 0) command += " -o " + std::to_string(offset);
  if (sizeLimit != 0) command += " --sizelimit " + std::to_string(sizeLimit);
  std::string output;
  if (testsupport::RunCommand(command + " " + Quote(file) + " 2>/dev/null", &output) != 0) return;
  while (!output.empty() && (output.back() == '\n' || output.back() == ' ')) output.pop_back();
  node_ = output;
}

LoopDevice::~LoopDevice() {
  if (node_.empty()) return;
  // A device still busy (a mount not yet gone) is retried a few times.
  for (int i = 0; i < 20; ++i) {
    if (testsupport::RunCommand("losetup -d " + Quote(node_) + " 2>/dev/null") == 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

FusefatMount::FusefatMount(const std::string& device, const std::string& folder) : folder_(folder) {
  testsupport::RunCommand("fusefat -o rw+ " + Quote(device) + " " + Quote(folder) +
                          " >/dev/null 2>&1");
  for (int i = 0; i < 50 && !mounted_; ++i) {
    mounted_ = Mounted(folder);
    if (!mounted_) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (mounted_) server_ = ServerOf(folder);
}

FusefatMount::~FusefatMount() {
  for (int i = 0; i < 50 && Mounted(folder_); ++i) {
    testsupport::RunCommand("fusermount -u " + Quote(folder_) + " >/dev/null 2>&1");
    if (Mounted(folder_)) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  // fusefat writes its last sectors and closes the device after the unmount
  // returns; tools that read the image next must not come before that.
  platform::WaitForProcessEnd(server_, 5000);
}

}  // namespace linuxtest
