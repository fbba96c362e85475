// The main window on the machine's own device events: a card image set up as
// loop devices, which udev reports, and its volume mounted with fusefat, which
// the mount table reports. Needs root, loop devices and a udevd (started for
// the test where none runs); skipped with the reason elsewhere. These tests
// share the host's loop devices with other test programs: CMake runs them
// under the host_devices lock.
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>

#include "mainwindow/main_window_fixture.h"
#include "platform/drive.h"
#include "platform/linux/native_drives.h"
#include "platform/linux/udev_monitor.h"
#include "support/loop_devices.h"
#include "support/reference_images.h"
#include "support/test_data.h"
#include "support/udevd_guard.h"

namespace {

// The letter whose drive is the volume on this device, or 0.
char LetterOf(const std::string& device) {
  for (char l = 'A'; l <= 'Z'; ++l) {
    const std::shared_ptr<platform::IDrive> drive = platform::FindDrive(l);
    if (drive && drive->StorageDevicePath() == device) return l;
  }
  return 0;
}

class HostDevicesMainWindowTest : public mwtest::MainWindowTest {
 protected:
  ~HostDevicesMainWindowTest() override {
    window_.reset();
    // The machine's volumes that the searches bound to letters let go.
    platform::DetachNativeDrives();
  }

  // Waits until a search ran after `before` and no further one waits.
  bool SearchedSince(int before) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(8);
    while (std::chrono::steady_clock::now() < end) {
      QTest::qWait(20);
      if (window_->DriveSearchCount() > before && !window_->DriveSearchPending()) return true;
    }
    return false;
  }
};

TEST_F(HostDevicesMainWindowTest, ACardImageOnLoopDevicesIsHeardComingAndGoing) {
  const std::string missing = linuxtest::FusefatUnavailable();
  if (!missing.empty()) GTEST_SKIP() << missing;
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "sfdisk and mkfs.fat are not installed";
  const std::string udevFolder = dir_.File("udevd");
  ASSERT_EQ(mkdir(udevFolder.c_str(), 0700), 0);
  linuxtest::UdevdGuard udevd(udevFolder);
  if (!udevd.reason().empty()) GTEST_SKIP() << "no udev events here: " << udevd.reason();
  const std::string image = dir_.File("card.img");
  testsupport::ReferenceCard card;
  card.sizeBytes = 16ull << 20;
  ASSERT_TRUE(testsupport::MakeReferenceCard(image, card));
  const testsupport::ImageVolume volume = testsupport::VolumeOf(image, card);
  const std::string folder = dir_.File("mnt");
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);

  // Opened after udevd is up: libudev decides then whether it hears udevd.
  std::uint32_t error = 0;
  std::unique_ptr<platform::IDeviceEvents> machine = platform::OpenDeviceEvents({}, &error);
  ASSERT_NE(machine, nullptr) << error;
  Open(std::move(machine));
  EXPECT_EQ(window_->DeviceChanges().EventFeed(), platform::DiskEventFeed::kUdev);
  const QStringList cardDrives = DriveEntries();

  int searches = window_->DriveSearchCount();
  auto whole = std::make_unique<linuxtest::LoopDevice>(image);
  ASSERT_FALSE(whole->node().empty()) << "losetup failed";
  // The medium of a loop device is its file: its arrival is a media arrival,
  // and the window searches its drives without being told.
  EXPECT_TRUE(SearchedSince(searches)) << "no search after " << whole->node() << " arrived";

  // The volume mounted gets a letter, and the window searches again; a loop
  // device is a fixed disk, never a card drive, so the card list stays.
  auto part = std::make_unique<linuxtest::LoopDevice>(image, volume.offset, volume.sectors * 512);
  ASSERT_FALSE(part->node().empty()) << "losetup at an offset failed";
  searches = window_->DriveSearchCount();
  auto mount = std::make_unique<linuxtest::FusefatMount>(part->node(), folder);
  ASSERT_TRUE(mount->mounted());
  EXPECT_TRUE(SearchedSince(searches)) << "no search after the mount";
  QTRY_VERIFY_WITH_TIMEOUT(LetterOf(whole->node()) != 0, 5000);
  const char letter = LetterOf(whole->node());
  EXPECT_EQ(platform::GetDriveType(letter), platform::DriveType::kFixed);
  EXPECT_EQ(DriveEntries(), cardDrives);

  // Unmounted and detached: the letter goes, and the window has searched.
  searches = window_->DriveSearchCount();
  mount.reset();
  part.reset();
  whole.reset();
  EXPECT_TRUE(SearchedSince(searches)) << "no search after the loop devices went";
  QTRY_VERIFY_WITH_TIMEOUT(platform::FindDrive(letter) == nullptr, 5000);
  EXPECT_EQ(DriveEntries(), cardDrives);
}

// Without udevd the disks and media are heard where the kernel's own events
// reach this process, and the mount table is heard in any case: a volume
// mounted and unmounted still makes the window search its drives.
TEST_F(HostDevicesMainWindowTest, WithoutUdevdAMountIsStillHeard) {
  const std::string missing = linuxtest::FusefatUnavailable();
  if (!missing.empty()) GTEST_SKIP() << missing;
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "sfdisk and mkfs.fat are not installed";
  if (platform::UdevdRunning()) GTEST_SKIP() << "a udevd runs here; its events are used";
  const std::string image = dir_.File("volume.img");
  testsupport::ReferenceCard card;
  card.sizeBytes = 8ull << 20;
  card.fatBits = 12;
  card.partitionStart = 0;
  ASSERT_TRUE(testsupport::MakeReferenceCard(image, card));
  const std::string folder = dir_.File("mnt");
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  std::uint32_t error = 0;
  std::unique_ptr<platform::IDeviceEvents> machine = platform::OpenDeviceEvents({}, &error);
  ASSERT_NE(machine, nullptr) << error;
  Open(std::move(machine));
  EXPECT_NE(window_->DeviceChanges().EventFeed(), platform::DiskEventFeed::kUdev);

  linuxtest::LoopDevice loop(image);
  ASSERT_FALSE(loop.node().empty()) << "losetup failed";
  QTest::qWait(500);  // whatever the kernel reports of the loop device, heard or not
  int searches = window_->DriveSearchCount();
  {
    linuxtest::FusefatMount mount(loop.node(), folder);
    ASSERT_TRUE(mount.mounted());
    EXPECT_TRUE(SearchedSince(searches)) << "no search after the mount";
    EXPECT_NE(LetterOf(loop.node()), 0);
    searches = window_->DriveSearchCount();
  }
  EXPECT_TRUE(SearchedSince(searches)) << "no search after the unmount";
  EXPECT_EQ(LetterOf(loop.node()), 0);
}

}  // namespace
