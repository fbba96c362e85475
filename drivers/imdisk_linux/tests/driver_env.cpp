#include "imdisk_linux/tests/driver_env.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/linux/sysfs_reader.h"
#include "platform/linux/virtual_drive_state.h"
#include "support/mtools_views.h"
#include "support/reference_images.h"
#include "support/test_data.h"

namespace drivertest {

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
  if (const char* old = std::getenv(name)) {
    had_ = true;
    old_ = old;
  }
  setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (had_) {
    setenv(name_.c_str(), old_.c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

std::string FatfsProgramPath() {
  return kDriverLibrary.substr(0, kDriverLibrary.find_last_of('/') + 1) + "quillfen-fatfs";
}

std::string FatfsMissing() {
  if (access("/dev/fuse", R_OK | W_OK) != 0) return "/dev/fuse cannot be used here";
  if (!testsupport::HaveProgram("fusermount")) return "fusermount is not installed";
  if (access(FatfsProgramPath().c_str(), X_OK) != 0) return FatfsProgramPath() + " was not built";
  if (!testsupport::HaveFatTools()) return "mkfs.fat, fsck.fat or mtools is not installed";
  return {};
}

DriverSandbox::DriverSandbox() {
  runtime_ = std::make_unique<ScopedEnv>("XDG_RUNTIME_DIR", dir_.path());
  bus_ = std::make_unique<ScopedEnv>("DBUS_SYSTEM_BUS_ADDRESS",
                                     "unix:path=" + dir_.File("no-system-bus"));
}

DriverSandbox::~DriverSandbox() {
  // Never let the folder's removal reach into a mounted image.
  for (const platform::VirtualDriveRecord& record : Records()) {
    if (record.method == platform::VirtualMountMethod::kFatfs) {
      testsupport::RunCommand("fusermount -u -z " + testsupport::Quote(record.folder) +
                              " >/dev/null 2>&1");
    }
  }
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string folder = platform::VirtualDriveMountFolder(StateFolder(), letter);
    if (IsMountPoint(folder)) {
      testsupport::RunCommand("fusermount -u -z " + testsupport::Quote(folder) +
                              " >/dev/null 2>&1");
    }
  }
}

std::string DriverSandbox::StateFolder() const {
  return platform::VirtualDriveStateFolder();
}

std::vector<platform::VirtualDriveRecord> DriverSandbox::Records() const {
  return platform::ReadVirtualDriveRecords(StateFolder());
}

void DriverSandbox::UseSystemBus(const std::string& address) {
  bus_.reset();  // the old value back first, so that the new one restores it
  bus_ = std::make_unique<ScopedEnv>("DBUS_SYSTEM_BUS_ADDRESS", address);
}

bool MakeFloppyImage(const std::string& path) {
  if (testsupport::RunCommand("mkfs.fat -C -i 12345678 -n QUILLFEN " + testsupport::Quote(path) +
                              " 1440 >/dev/null 2>&1") != 0) {
    return false;
  }
  const std::string hello = path + ".hello";
  const bool put =
      testsupport::WriteHostFile(hello, "hello\n") &&
      testsupport::MtoolsPut(testsupport::ImageVolume{path, 0, 2880}, hello, "/HELLO.TXT");
  unlink(hello.c_str());
  return put;
}

bool IsMountPoint(const std::string& folder) {
  for (const platform::MountEntry& m : platform::ReadMounts(platform::NativePaths{})) {
    if (m.mountPoint == folder) return true;
  }
  return false;
}

}  // namespace drivertest
