// What the tests of the Linux driver library share: its path, a private
// state folder and system bus address for each test, and floppy images made
// by mkfs.fat.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/linux/virtual_drive_record.h"
#include "support/temp_dir.h"

namespace drivertest {

// The driver library as built beside the programs, and quillfen-fatfs beside it.
inline const std::string kDriverLibrary = IMDISK_LINUX_LIBRARY;
std::string FatfsProgramPath();

// Sets an environment variable for the object's lifetime.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  bool had_ = false;
  std::string old_;
};

// Why quillfen-fatfs mounts cannot be made here, or empty.
std::string FatfsMissing();

// A folder of its own as $XDG_RUNTIME_DIR, and a system bus address that
// leads nowhere unless the test sets another; on leaving, whatever the
// driver left mounted there is taken away before the folder goes.
class DriverSandbox {
 public:
  DriverSandbox();
  ~DriverSandbox();
  const testsupport::TempDir& dir() const { return dir_; }
  std::string StateFolder() const;
  std::vector<platform::VirtualDriveRecord> Records() const;
  // Points the driver at another system bus.
  void UseSystemBus(const std::string& address);

 private:
  testsupport::TempDir dir_;
  std::unique_ptr<ScopedEnv> runtime_;
  std::unique_ptr<ScopedEnv> bus_;
};

// A 1.44 MB floppy image by mkfs.fat (fixed serial, label "QUILLFEN") with
// HELLO.TXT ("hello\n") on it; false when a tool failed.
bool MakeFloppyImage(const std::string& path);

// True when some mount has this folder as its mount point.
bool IsMountPoint(const std::string& folder);

}  // namespace drivertest
