// A udevd for tests that need udev's events: the one that runs already, or
// one started for the test and stopped with the guard. The started one runs
// in a mount namespace of its own, with one rule (loop devices' file systems
// probed, as the private UDisks2 of the driver tests has it) and its database
// in the test's folder, so that it changes nothing for the machine's devices
// and leaves no database behind for other programs to read.
#pragma once

#include <string>

#include "platform/process.h"

namespace linuxtest {

class UdevdGuard {
 public:
  explicit UdevdGuard(const std::string& folder);
  ~UdevdGuard();
  UdevdGuard(const UdevdGuard&) = delete;
  UdevdGuard& operator=(const UdevdGuard&) = delete;

  // Why no udevd runs, or empty when one does.
  const std::string& reason() const { return reason_; }
  bool startedHere() const { return process_ != 0; }

 private:
  std::string Start();

  std::string folder_;
  std::string reason_;
  platform::ProcessId process_ = 0;
  bool madeRunUdev_ = false;
};

}  // namespace linuxtest
