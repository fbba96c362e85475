// The driver library against a real UDisks2 on a private system bus: loop
// set-up over an open image, and a mount that UDisks2 cannot make (this
// kernel may lack vfat; the mount is not in this process's view anyway)
// falling back to quillfen-fatfs with no loop device left behind.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "imdisk_linux/tests/driver_env.h"
#include "imdisk_linux/tests/udisks_sandbox.h"
#include "imdisk_linux/udisks_client.h"
#include "platform/files.h"
#include "platform/linux/native_drives.h"
#include "platform/process.h"
#include "support/mtools_views.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "virtualdrive/virtual_disk_manager.h"

namespace {

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

class UdisksDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string missing = drivertest::FatfsMissing();
    if (!missing.empty()) GTEST_SKIP() << missing;
    sandbox_ = std::make_unique<drivertest::DriverSandbox>();
    udisks_ = std::make_unique<drivertest::UdisksSandbox>(sandbox_->dir().path());
    if (!udisks_->reason().empty()) GTEST_SKIP() << udisks_->reason();
    sandbox_->UseSystemBus(udisks_->address());
    image_ = sandbox_->dir().File("floppy.img");
    ASSERT_TRUE(drivertest::MakeFloppyImage(image_));
  }
  void TearDown() override {
    platform::DetachNativeDrives();
    udisks_.reset();
    sandbox_.reset();
  }

  std::unique_ptr<drivertest::DriverSandbox> sandbox_;
  std::unique_ptr<drivertest::UdisksSandbox> udisks_;
  std::string image_;
};

TEST_F(UdisksDriverTest, LoopSetUpOverTheOpenImageAndDeletedAgain) {
  linux_driver::UdisksClient client;
  ASSERT_TRUE(client.ServiceAvailable());
  const int fd = open(image_.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  std::string object;
  const bool setUp = client.LoopSetup(fd, false, &object);
  close(fd);
  ASSERT_TRUE(setUp) << client.lastError() << "\n" << udisks_->Log();
  std::string device;
  ASSERT_TRUE(client.DeviceOf(object, &device)) << client.lastError();
  EXPECT_EQ(drivertest::LoopDevicesOf(RealPath(image_)), device);
  EXPECT_EQ(object.rfind("/org/freedesktop/UDisks2/block_devices/loop", 0), 0u) << object;

  EXPECT_TRUE(client.LoopDelete(object)) << client.lastError();
  EXPECT_EQ(drivertest::LoopDevicesOf(RealPath(image_)), "");
}

// The calls of a mount that works, on a file system this kernel has (the
// driver itself only mounts FAT images): once unmounted, the loop device set
// to clear itself goes away without being deleted, as after an unmount in the
// file manager.
TEST_F(UdisksDriverTest, MountUnmountAndALoopDeviceThatClearsItself) {
  if (!testsupport::HaveProgram("mke2fs")) GTEST_SKIP() << "mke2fs is not installed";
  const std::string ext2 = sandbox_->dir().File("ext2.img");
  ASSERT_EQ(
      testsupport::RunCommand("mke2fs -q -F " + testsupport::Quote(ext2) + " 1440 >/dev/null 2>&1"),
      0);
  linux_driver::UdisksClient client;
  const int fd = open(ext2.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  std::string object;
  const bool setUp = client.LoopSetup(fd, false, &object);
  close(fd);
  ASSERT_TRUE(setUp) << client.lastError();
  std::string mountPath;
  if (!client.Mount(object, &mountPath)) {
    const std::string why = client.lastError();
    client.LoopDelete(object);
    GTEST_SKIP() << "UDisks2 cannot mount ext2 here: " << why;
  }
  // The mount is in udisksd's own mount namespace, under its /media.
  EXPECT_EQ(mountPath.rfind("/media/", 0), 0u) << mountPath;
  EXPECT_TRUE(client.SetAutoclear(object)) << client.lastError();
  ASSERT_TRUE(client.Unmount(object)) << client.lastError();
  std::string left = drivertest::LoopDevicesOf(RealPath(ext2));
  for (int i = 0; i < 100 && !left.empty(); ++i) {
    platform::SleepMs(20);
    left = drivertest::LoopDevicesOf(RealPath(ext2));
  }
  EXPECT_EQ(left, "") << "the loop device did not clear itself";
}

TEST_F(UdisksDriverTest, MountThatUdisksCannotMakeFallsBackToFatfs) {
  CVirtualDiskManager manager(std::vector<std::string>{drivertest::kDriverLibrary});
  ASSERT_TRUE(manager.Initialize());
  ASSERT_NE(manager.MountImage(image_.c_str(), 'M'), 0) << udisks_->Log();
  // UDisks2 was asked first, and its loop device is gone again.
  EXPECT_NE(udisks_->Log().find("backed by " + RealPath(image_)), std::string::npos)
      << udisks_->Log();
  EXPECT_NE(udisks_->Log().find("Deleted loop device"), std::string::npos) << udisks_->Log();
  EXPECT_EQ(drivertest::LoopDevicesOf(RealPath(image_)), "");
  const auto records = sandbox_->Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].method, platform::VirtualMountMethod::kFatfs);

  platform::RefreshNativeDrives();
  {
    platform::File file = platform::OpenFile("M:\\FROMBUS.TXT", platform::kGenericWrite,
                                             platform::Disposition::kCreateNew);
    ASSERT_TRUE(file.IsOpen()) << platform::GetLastError();
    ASSERT_TRUE(file.WriteExact("bus\n", 4));
  }
  ASSERT_NE(manager.UnmountImage('M'), 0);
  std::string back;
  ASSERT_TRUE(
      testsupport::MtoolsRead(testsupport::ImageVolume{image_, 0, 2880}, "/FROMBUS.TXT", &back));
  EXPECT_EQ(back, "bus\n");
}

}  // namespace
