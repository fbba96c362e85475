// Loop devices and fusefat mounts for tests on real block devices, each
// undone when its guard goes away, also when the test fails.
#pragma once

#include <cstdint>
#include <string>

#include "support/reference_images.h"

namespace linuxtest {

// Why loop device tests cannot run here, or empty when they can (root and
// /dev/loop-control and losetup).
std::string LoopDevicesUnavailable();
// The same for fusefat mounts, on top of loop devices.
std::string FusefatUnavailable();

class LoopDevice {
 public:
  // `losetup -f --show`, at a byte offset and with a size limit when given,
  // read-only when asked.
  explicit LoopDevice(const std::string& file, std::uint64_t offset = 0,
                      std::uint64_t sizeLimit = 0, bool readOnly = false);
  ~LoopDevice();
  LoopDevice(const LoopDevice&) = delete;
  LoopDevice& operator=(const LoopDevice&) = delete;
  // "/dev/loopN", or empty when losetup failed.
  const std::string& node() const { return node_; }

 private:
  std::string node_;
};

class FusefatMount {
 public:
  // `fusefat -o rw+ device folder`.
  FusefatMount(const std::string& device, const std::string& folder);
  ~FusefatMount();
  FusefatMount(const FusefatMount&) = delete;
  FusefatMount& operator=(const FusefatMount&) = delete;
  bool mounted() const { return mounted_; }

 private:
  std::string folder_;
  bool mounted_ = false;
  long server_ = 0;  // the fusefat process, waited for when unmounting
};

// Single-quotes a text for the shell; the one the shared test helpers use.

}  // namespace linuxtest
