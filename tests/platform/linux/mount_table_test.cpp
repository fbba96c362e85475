// Parsing of mountinfo text and of fusefat's command line.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/linux/mount_table.h"

namespace {
using platform::MountEntry;

const char kMountInfo[] =
    "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw,discard\n"
    "45 27 8:17 / /media/anna/MY\\040CARD rw,nosuid,nodev,relatime shared:210 master:3 - vfat "
    "/dev/sdb1 rw,fmask=0022,codepage=437,iocharset=ascii,shortname=mixed,errors=remount-ro\n"
    "46 27 0:40 / /tmp/quill\\011tab\\134x rw,nosuid,nodev,relatime - fuse.fusefat fusefat "
    "rw,user_id=0,group_id=0\n"
    "47 27 8:17 /DornveldFLP /srv/flp rw,relatime shared:210 - vfat /dev/sdb1 rw\n"
    "48 27 8:17 / /mnt/again rw,relatime - vfat /dev/sdb1 rw\n"
    "this line is broken\n"
    "49 27 8:x / /mnt/bad rw - vfat /dev/sdc1 rw\n"
    "50 27 8:33 / /mnt/no-dash rw ext4 /dev/sdc1 rw\n"
    "\n"
    "51 27 8:49 / /mnt/nosuper rw - vfat /dev/sdd1\n";

TEST(MountTableTest, ParsesEntriesWithEscapesAndOptionalFields) {
  const std::vector<MountEntry> entries = platform::ParseMountInfo(kMountInfo);
  ASSERT_EQ(entries.size(), 6u);

  EXPECT_EQ(entries[0].mountPoint, "/");
  EXPECT_EQ(entries[0].fsType, "ext4");
  EXPECT_EQ(entries[0].source, "/dev/vda");
  EXPECT_EQ(entries[0].major, 254u);

  const MountEntry& card = entries[1];
  EXPECT_EQ(card.mountId, 45u);
  EXPECT_EQ(card.parentId, 27u);
  EXPECT_EQ(card.major, 8u);
  EXPECT_EQ(card.minor, 17u);
  EXPECT_EQ(card.root, "/");
  EXPECT_EQ(card.mountPoint, "/media/anna/MY CARD");
  EXPECT_EQ(card.options, "rw,nosuid,nodev,relatime");
  EXPECT_EQ(card.fsType, "vfat");
  EXPECT_EQ(card.source, "/dev/sdb1");
  EXPECT_EQ(card.superOptions.rfind("rw,fmask=0022", 0), 0u);

  // fusefat names no device, and its device numbers are anonymous.
  const MountEntry& fuse = entries[2];
  EXPECT_EQ(fuse.mountPoint, "/tmp/quill\ttab\\x");
  EXPECT_EQ(fuse.fsType, "fuse.fusefat");
  EXPECT_EQ(fuse.source, "fusefat");
  EXPECT_EQ(fuse.major, 0u);

  // Bind mounts: a folder of the volume, and the whole volume again.
  EXPECT_EQ(entries[3].root, "/DornveldFLP");
  EXPECT_EQ(entries[3].mountPoint, "/srv/flp");
  EXPECT_EQ(entries[4].root, "/");
  EXPECT_EQ(entries[4].mountPoint, "/mnt/again");

  EXPECT_EQ(entries[5].mountPoint, "/mnt/nosuper");
  EXPECT_EQ(entries[5].superOptions, "");
}

TEST(MountTableTest, UnescapesOnlyWholeOctalEscapes) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"/a\\040b", "/a b"}, {"\\040", " "},   {"/a\\012b", "/a\nb"},  {"/a\\04", "/a\\04"},
      {"/a\\0", "/a\\0"},   {"/a\\", "/a\\"}, {"/a\\089", "/a\\089"}, {"/a\\134040", "/a\\040"},
      {"plain", "plain"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(platform::UnescapeMountField(c.in), c.out);
  }
}

TEST(MountTableTest, FindsTheDeviceOfAFusefatProcess) {
  struct Case {
    const char* what;
    std::string raw;  // /proc/<pid>/cmdline
    std::optional<platform::FuseServedMount> expected;
  };
  using std::string_literals::operator""s;
  const Case cases[] = {
      // fusefat cuts "rw+" to "rw" and a zero of its own.
      {"as it runs", "fusefat\0-o\0rw\0\0/dev/loop1\0/tmp/lxm\0"s,
       platform::FuseServedMount{"/dev/loop1", "/tmp/lxm"}},
      {"with its path and a flag", "/usr/bin/fusefat\0-f\0-o\0ro\0/dev/sdb1\0/mnt/card\0"s,
       platform::FuseServedMount{"/dev/sdb1", "/mnt/card"}},
      {"after --", "fusefat\0--\0/dev/sdc1\0-mnt\0"s,
       platform::FuseServedMount{"/dev/sdc1", "-mnt"}},
      {"another program", "mount.fuse\0/dev/sdb1\0/mnt/card\0"s, std::nullopt},
      {"no mount point", "fusefat\0-o\0rw+\0/dev/sdb1\0"s, std::nullopt},
      {"empty", ""s, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto got = platform::FusefatMountFromArgs(platform::SplitCommandLine(c.raw));
    ASSERT_EQ(got.has_value(), c.expected.has_value());
    if (got) {
      EXPECT_EQ(got->device, c.expected->device);
      EXPECT_EQ(got->mountPoint, c.expected->mountPoint);
    }
  }
}

}  // namespace
