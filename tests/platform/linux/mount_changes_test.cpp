// Mounts that came, went or moved between two readings of mountinfo.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/linux/mount_changes.h"

namespace {
using platform::DeviceEventKind;
using platform::MountChange;
using platform::MountEntry;

const char kBefore[] =
    "26 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
    "30 26 0:27 / /sys/fs/cgroup rw,relatime - tmpfs tmpfs rw\n"
    "45 26 8:17 / /media/anna/CARD rw,relatime - vfat /dev/sdb1 rw\n"
    "46 26 8:33 / /media/anna/STICK rw,relatime - vfat /dev/sdc1 rw\n"
    "47 26 0:40 / /tmp/fuse rw,relatime - fuse.fusefat fusefat rw\n";

const char kAfter[] =
    "26 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
    "46 26 8:33 / /mnt/stick rw,relatime - vfat /dev/sdc1 rw\n"
    "47 26 0:40 / /tmp/fuse rw,relatime - fuse.fusefat fusefat rw\n"
    "52 26 0:41 / /tmp/other rw,relatime - tmpfs tmpfs rw\n"
    "53 26 8:49 / /media/anna/NEW rw,relatime - vfat /dev/sdd1 rw\n"
    "54 26 0:42 / /tmp/card rw,relatime - fuse.fusefat fusefat rw\n";

std::vector<std::string> Described(const std::vector<MountChange>& changes) {
  std::vector<std::string> out;
  for (const MountChange& c : changes) {
    const char* kind = c.kind == DeviceEventKind::kVolumeMount      ? "mount"
                       : c.kind == DeviceEventKind::kVolumeDismount ? "dismount"
                       : c.kind == DeviceEventKind::kVolumeMove     ? "move"
                                                                    : "?";
    out.push_back(std::string(kind) + " " + c.mount.source + " " + c.mount.mountPoint);
  }
  return out;
}

TEST(MountChangesTest, VolumesMountedUnmountedAndMoved) {
  const std::vector<MountEntry> before = platform::ParseMountInfo(kBefore);
  std::vector<MountEntry> after = platform::ParseMountInfo(kAfter);
  // The new fusefat mount's source as its process names it; the other one
  // found no process and names no device.
  after[5].source = "/tmp/cards/card.img";

  const std::vector<std::string> expected = {
      "dismount /dev/sdb1 /media/anna/CARD",
      "move /dev/sdc1 /mnt/stick",
      "mount /dev/sdd1 /media/anna/NEW",
      "mount /tmp/cards/card.img /tmp/card",
  };
  EXPECT_EQ(Described(platform::DiffMounts(before, after)), expected);
  EXPECT_TRUE(platform::DiffMounts(after, after).empty());
  // The way back: the new ones go, the gone one comes.
  EXPECT_EQ(Described(platform::DiffMounts(after, before)),
            (std::vector<std::string>{
                "dismount /dev/sdd1 /media/anna/NEW", "dismount /tmp/cards/card.img /tmp/card",
                "mount /dev/sdb1 /media/anna/CARD", "move /dev/sdc1 /media/anna/STICK"}));
}

TEST(MountChangesTest, OnlyVolumesCount) {
  const std::vector<MountEntry> entries = platform::ParseMountInfo(
      "1 0 8:1 / /a rw - ext4 /dev/sda1 rw\n"
      "2 0 0:5 / /b rw - proc proc rw\n"
      "3 0 0:6 / /c rw - tmpfs /dev/shm-lookalike rw\n"
      "4 0 0:7 / /d rw - fuse.fusefat /srv/card.img rw\n"
      "5 0 0:8 / /e rw - fuse.sshfs host:/x rw\n");
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_TRUE(platform::IsVolumeMount(entries[0]));
  EXPECT_FALSE(platform::IsVolumeMount(entries[1]));
  EXPECT_FALSE(platform::IsVolumeMount(entries[2]));
  EXPECT_TRUE(platform::IsVolumeMount(entries[3]));
  EXPECT_FALSE(platform::IsVolumeMount(entries[4]));
}

}  // namespace
