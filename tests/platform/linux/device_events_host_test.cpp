// Device events from the machine itself: a loop device that udev reports, a
// fusefat mount in the mount table, an attached image file deleted. Each test says why it skips
// where the facility is missing (no root, no loop devices, no udevd, no FUSE).
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/device_events.h"
#include "platform/drive.h"
#include "platform/drive_refresh.h"
#include "platform/image/image_drive.h"
#include "platform/linux/native_drives.h"
#include "platform/linux/udev_monitor.h"
#include "support/loop_devices.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"
#include "support/udevd_guard.h"

namespace {
using platform::DeviceEvent;
using platform::DeviceEventKind;

std::string Real(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? resolved : path;
}

// Reads events until one matches or the time is over; every event read goes
// into *seen, and one read before counts too (their order is the kernel's).
bool Await(platform::IDeviceEvents& source, const std::function<bool(const DeviceEvent&)>& match,
           std::vector<DeviceEvent>* seen, int timeoutMs = 5000) {
  for (const DeviceEvent& e : *seen) {
    if (match(e)) return true;
  }
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (true) {
    std::vector<DeviceEvent> events;
    source.Read(&events);
    for (const DeviceEvent& e : events) {
      seen->push_back(e);
      if (match(e)) return true;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    source.Wait(static_cast<int>(left.count()));
  }
}

std::function<bool(const DeviceEvent&)> Is(DeviceEventKind kind, const std::string& device,
                                           const std::string& disk) {
  return [=](const DeviceEvent& e) {
    return e.kind == kind && e.devicePath == device && e.diskPath == disk;
  };
}

std::unique_ptr<platform::IDeviceEvents> OpenWithoutDriveRefresh() {
  platform::DeviceEventOptions options;
  options.refreshNativeDrives = false;
  std::uint32_t error = 0;
  return platform::OpenDeviceEvents(options, &error);
}

// The medium of a loop device is its backing file: attaching one is a medium
// arrival, detaching a removal, and the partitions come and go with it.
TEST(DeviceEventsHostTest, LoopDeviceArrivesAndLeavesThroughUdev) {
  const std::string missing = linuxtest::LoopDevicesUnavailable();
  if (!missing.empty()) GTEST_SKIP() << missing;
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "sfdisk and mkfs.fat are not installed";
  testsupport::TempDir dir;
  linuxtest::UdevdGuard udevd(dir.path());
  if (!udevd.reason().empty()) GTEST_SKIP() << "no udev events here: " << udevd.reason();
  const std::string image = dir.File("card.img");
  testsupport::ReferenceCard card;
  card.sizeBytes = 16ull << 20;
  ASSERT_TRUE(testsupport::MakeReferenceCard(image, card));

  // Opened after udevd is up: libudev decides at that moment whether it can
  // listen to udevd.
  std::unique_ptr<platform::IDeviceEvents> events = OpenWithoutDriveRefresh();
  ASSERT_NE(events, nullptr);
  EXPECT_EQ(events->Feed(), platform::DiskEventFeed::kUdev);
  std::vector<DeviceEvent> seen;
  std::string node;
  {
    linuxtest::LoopDevice loop(image);
    node = loop.node();
    ASSERT_FALSE(node.empty());
    EXPECT_TRUE(Await(*events, Is(DeviceEventKind::kMediaArrival, node, node), &seen));
    // The partition is added and removed by hand: the kernel may lack the
    // parser of the partition table (and the partitions of a loop device
    // outlive its detach where the kernel did not add them itself).
    const std::string quoted = testsupport::Quote(node);
    if (testsupport::RunCommand("partx -a " + quoted + " 2>/dev/null") == 0) {
      EXPECT_TRUE(Await(*events, Is(DeviceEventKind::kPartitionArrival, node + "p1", node), &seen));
      EXPECT_EQ(testsupport::RunCommand("partx -d " + quoted + " 2>/dev/null"), 0);
      EXPECT_TRUE(Await(*events, Is(DeviceEventKind::kPartitionRemoval, node + "p1", node), &seen));
    } else {
      ADD_FAILURE() << "partx could not add the partition of " << node;
    }
  }
  EXPECT_TRUE(Await(*events, Is(DeviceEventKind::kMediaRemoval, node, node), &seen));
  // Other engineers' loop devices may show up too; this one's arrival comes
  // once, however many records udev sent for it.
  int arrivals = 0;
  for (const DeviceEvent& e : seen) arrivals += Is(DeviceEventKind::kMediaArrival, node, node)(e);
  EXPECT_EQ(arrivals, 1);
}

// Without udevd the kernel's own events stand in, where they reach us (not in
// a container of its own network).
TEST(DeviceEventsHostTest, WithoutUdevdTheKernelsEventsStandIn) {
  const std::string missing = linuxtest::LoopDevicesUnavailable();
  if (!missing.empty()) GTEST_SKIP() << missing;
  if (platform::UdevdRunning()) GTEST_SKIP() << "a udevd runs here; its events are used";
  testsupport::TempDir dir;
  const std::string image = dir.File("disk.img");
  ASSERT_TRUE(testsupport::WriteHostFile(image, std::string(4 << 20, '\0')));

  std::unique_ptr<platform::IDeviceEvents> events = OpenWithoutDriveRefresh();
  ASSERT_NE(events, nullptr);
  ASSERT_EQ(events->Feed(), platform::DiskEventFeed::kKernel);
  std::vector<DeviceEvent> seen;
  linuxtest::LoopDevice loop(image);
  ASSERT_FALSE(loop.node().empty());
  if (!Await(*events, Is(DeviceEventKind::kMediaArrival, loop.node(), loop.node()), &seen, 3000)) {
    GTEST_SKIP() << "the kernel's device events do not reach this network namespace; only "
                    "mounts and drive letters report here";
  }
}

// A volume mounted through FUSE is a mount of its image file; unmounting it
// is reported too.
TEST(DeviceEventsHostTest, FusefatMountOfAnImageIsAVolumeMount) {
  const std::string missing = linuxtest::FusefatUnavailable();
  if (!missing.empty()) GTEST_SKIP() << missing;
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "sfdisk and mkfs.fat are not installed";
  testsupport::TempDir dir;
  const std::string image = Real(dir.path()) + "/volume.img";
  testsupport::ReferenceCard card;
  card.sizeBytes = 8ull << 20;
  card.fatBits = 12;
  card.partitionStart = 0;
  std::string error;
  ASSERT_TRUE(testsupport::MakeReferenceCard(image, card, &error)) << error;
  const std::string folder = Real(dir.path()) + "/mnt";
  std::filesystem::create_directory(folder);

  std::unique_ptr<platform::IDeviceEvents> events = OpenWithoutDriveRefresh();
  ASSERT_NE(events, nullptr);
  bool ready = false;
  for (const platform::EventDescriptor& d : events->Descriptors()) ready |= d.priority;
  EXPECT_TRUE(ready) << "the mount table is watched for an exceptional condition";

  std::vector<DeviceEvent> seen;
  {
    linuxtest::FusefatMount mount(image, folder);
    ASSERT_TRUE(mount.mounted());
    ASSERT_TRUE(Await(*events, Is(DeviceEventKind::kVolumeMount, image, image), &seen));
    EXPECT_EQ(seen.back().mountPoint, folder);
  }
  ASSERT_TRUE(Await(*events, Is(DeviceEventKind::kVolumeDismount, image, image), &seen));
  EXPECT_EQ(seen.back().mountPoint, folder);
}

// With the machine's drives kept up to date, mounting a volume binds it to a
// letter and unmounting frees the letter, both reported as letter events.
TEST(DeviceEventsHostTest, AMountedVolumeGetsALetterAndLosesItWhenUnmounted) {
  const std::string missing = linuxtest::FusefatUnavailable();
  if (!missing.empty()) GTEST_SKIP() << missing;
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "sfdisk and mkfs.fat are not installed";
  testsupport::TempDir dir;
  const std::string image = dir.File("volume.img");
  testsupport::ReferenceCard card;
  card.sizeBytes = 8ull << 20;
  card.fatBits = 12;
  card.partitionStart = 0;
  ASSERT_TRUE(testsupport::MakeReferenceCard(image, card));
  const std::string folder = Real(dir.path()) + "/mnt";
  std::filesystem::create_directory(folder);
  struct Release {
    ~Release() { platform::DetachNativeDrives(); }
  } release;

  std::uint32_t error = 0;
  std::unique_ptr<platform::IDeviceEvents> events = platform::OpenDeviceEvents({}, &error);
  ASSERT_NE(events, nullptr);
  // The machine's own volumes take their letters first.
  platform::RefreshDrives();
  std::vector<DeviceEvent> seen;
  events->Read(&seen);
  seen.clear();

  linuxtest::LoopDevice loop(image);
  ASSERT_FALSE(loop.node().empty());
  char letter = 0;
  auto holdsTheLoopDevice = [&](const DeviceEvent& e) {
    if (e.kind != DeviceEventKind::kLetterArrival) return false;
    for (char l = 'A'; l <= 'Z'; ++l) {
      const auto drive = platform::FindDrive(l);
      if ((e.unitMask & (1u << (l - 'A'))) && drive && drive->StorageDevicePath() == loop.node()) {
        letter = l;
      }
    }
    return letter != 0;
  };
  {
    linuxtest::FusefatMount mount(loop.node(), folder);
    ASSERT_TRUE(mount.mounted());
    ASSERT_TRUE(Await(*events, holdsTheLoopDevice, &seen));
    EXPECT_TRUE(Await(*events, Is(DeviceEventKind::kVolumeMount, loop.node(), loop.node()), &seen));
  }
  seen.clear();
  EXPECT_TRUE(Await(
      *events,
      [&](const DeviceEvent& e) {
        return e.kind == DeviceEventKind::kLetterRemoval && (e.unitMask & (1u << (letter - 'A')));
      },
      &seen));
  EXPECT_EQ(platform::FindDrive(letter), nullptr);
}

}  // namespace

namespace {
std::function<bool(const DeviceEvent&)> LetterRemoved(char letter) {
  return [letter](const DeviceEvent& e) {
    return e.kind == DeviceEventKind::kLetterRemoval && (e.unitMask & (1u << (letter - 'A'))) != 0;
  };
}
}  // namespace

// An image file deleted while it is a drive goes away as a pulled card does:
// the drive is detached and its letter reported removed. One that is only
// renamed stays; images attached before and after the watch began count alike.
TEST(DeviceEventsHostTest, AnImageDeletedWhileAttachedIsDetached) {
  testsupport::TempDir dir;
  const std::string before = dir.File("before.img");
  const std::string after = dir.File("after.img");
  for (const std::string& path : {before, after}) {
    std::ofstream(path).close();
    std::filesystem::resize_file(path, 4u << 20);
  }
  std::uint32_t error = 0;
  ASSERT_EQ(platform::AttachCardImage(before, {}, 'P', &error), 'P') << error;
  std::unique_ptr<platform::IDeviceEvents> events = OpenWithoutDriveRefresh();
  ASSERT_TRUE(events);
  ASSERT_EQ(platform::AttachCardImage(after, {}, 'Q', &error), 'Q') << error;
  std::vector<DeviceEvent> seen;
  ASSERT_TRUE(Await(
      *events, [](const DeviceEvent& e) { return e.kind == DeviceEventKind::kLetterArrival; },
      &seen));

  std::filesystem::rename(after, dir.File("renamed.img"));
  std::filesystem::remove(before);
  ASSERT_TRUE(Await(*events, LetterRemoved('P'), &seen));
  EXPECT_FALSE(platform::FindDrive('P'));
  EXPECT_TRUE(platform::IsCardImageDrive('Q'));

  std::filesystem::remove(dir.File("renamed.img"));
  ASSERT_TRUE(Await(*events, LetterRemoved('Q'), &seen));
  EXPECT_FALSE(platform::FindDrive('Q'));
}
