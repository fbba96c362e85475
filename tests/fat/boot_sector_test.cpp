// Boot sector checklist, FAT type by cluster count, partition tables and the
// search for a card's FAT volume.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "base/bytes.h"
#include "engine_helpers.h"
#include "fat/boot_sector.h"
#include "fat/format.h"
#include "fat/partition.h"

namespace {

// A FAT16 boot sector of 512-byte sectors, 4 sectors per cluster.
ByteBuffer Fat16Boot() {
  fat::FormatOptions o;
  o.fatType = 16;
  fat::MemorySectorDevice dev(65536);
  EXPECT_TRUE(fat::FormatVolume(dev, o).ok());
  return ByteBuffer(dev.bytes().begin(), dev.bytes().begin() + 512);
}

struct RuleCase {
  const char* name;
  std::function<void(std::uint8_t*)> damage;
  fat::Error error;
  const char* rule;  // part of the message
};

TEST(BootSector, ChecklistNamesTheRuleThatFailed) {
  const RuleCase cases[] = {
      {"signature", [](std::uint8_t* s) { s[511] = 0; }, fat::Error::kNotFat, "0x55AA"},
      {"jump EB without 90", [](std::uint8_t* s) { s[2] = 0x00; }, fat::Error::kNotFat, "jump"},
      {"no jump", [](std::uint8_t* s) { s[0] = 0x00; }, fat::Error::kNotFat, "jump"},
      {"bytes per sector 0", [](std::uint8_t* s) { le::Write16(s + 11, 0); }, fat::Error::kNotFat,
       "bytes per sector"},
      {"bytes per sector 1000", [](std::uint8_t* s) { le::Write16(s + 11, 1000); },
       fat::Error::kNotFat, "bytes per sector"},
      {"bytes per sector 8192", [](std::uint8_t* s) { le::Write16(s + 11, 8192); },
       fat::Error::kNotFat, "bytes per sector"},
      {"sectors per cluster 0", [](std::uint8_t* s) { s[13] = 0; }, fat::Error::kNotFat,
       "sectors per cluster"},
      {"sectors per cluster 3", [](std::uint8_t* s) { s[13] = 3; }, fat::Error::kNotFat,
       "sectors per cluster"},
      {"no reserved sectors", [](std::uint8_t* s) { le::Write16(s + 14, 0); }, fat::Error::kNotFat,
       "reserved"},
      {"three FATs", [](std::uint8_t* s) { s[16] = 3; }, fat::Error::kNotFat, "only 1 or 2 FATs"},
      {"no FATs", [](std::uint8_t* s) { s[16] = 0; }, fat::Error::kNotFat, "only 1 or 2 FATs"},
      {"no sectors",
       [](std::uint8_t* s) {
         le::Write16(s + 19, 0);
         le::Write32(s + 32, 0);
       },
       fat::Error::kNotFat, "total sector count"},
      {"FAT size 1", [](std::uint8_t* s) { le::Write16(s + 22, 1); }, fat::Error::kNotFat,
       "FAT size too small"},
      {"FAT larger than volume", [](std::uint8_t* s) { le::Write16(s + 22, 0xFFFF); },
       fat::Error::kNotFat, "past the end"},
      {"no root entries", [](std::uint8_t* s) { le::Write16(s + 17, 0); }, fat::Error::kNotFat,
       "root entry count"},
      {"volume larger than device",
       [](std::uint8_t* s) {
         le::Write32(s + 32, 200000);
         le::Write16(s + 19, 0);
       },
       fat::Error::kCorrupt, "larger than the device"},
  };
  const ByteBuffer good = Fat16Boot();
  fat::Geometry g;
  fat::Status s;
  ASSERT_TRUE(fat::ParseBootSector(good.data(), 65536, &g, &s)) << s;
  for (const RuleCase& c : cases) {
    ByteBuffer boot = good;
    c.damage(boot.data());
    EXPECT_FALSE(fat::ParseBootSector(boot.data(), 65536, &g, &s)) << c.name;
    EXPECT_EQ(s.error, c.error) << c.name;
    EXPECT_NE(s.message.find(c.rule), std::string::npos) << c.name << ": " << s.message;
  }
}

TEST(BootSector, JumpE9IsAcceptedWhateverFollows) {
  ByteBuffer boot = Fat16Boot();
  boot[0] = 0xE9;
  boot[1] = 0x12;
  boot[2] = 0x34;
  fat::Geometry g;
  fat::Status s;
  EXPECT_TRUE(fat::ParseBootSector(boot.data(), 0, &g, &s)) << s;
}

TEST(BootSector, GeometryOfAFloppy) {
  fat::MemorySectorDevice dev(2880);
  ASSERT_TRUE(fat::FormatFloppy(dev, true, "DISK", 0xA1B2C3D4).ok());
  fat::Geometry g;
  fat::Status s;
  ASSERT_TRUE(fat::ParseBootSector(dev.bytes().data(), dev.SectorCount(), &g, &s)) << s;
  EXPECT_EQ(g.fatType, 12);
  EXPECT_EQ(g.fatStart, 1u);
  EXPECT_EQ(g.rootStart, 19u);
  EXPECT_EQ(g.dataStart, 33u);
  EXPECT_EQ(g.clusterCount, 2847u);
  EXPECT_EQ(g.mediaByte, 0xF0);
  EXPECT_EQ(g.serial, 0xA1B2C3D4u);
  EXPECT_EQ(g.label, "DISK");
}

// A boot sector whose volume has exactly `clusters` clusters of one sector.
ByteBuffer BootWithClusters(std::uint32_t clusters, bool fat32Fields) {
  ByteBuffer s(512, 0);
  s[0] = 0xEB;
  s[1] = 0x3C;
  s[2] = 0x90;
  le::Write16(&s[11], 512);
  s[13] = 1;
  le::Write16(&s[14], fat32Fields ? 32 : 1);
  s[16] = 2;
  const std::uint32_t fatSectors = (clusters + 2) * 4 / 512 + 1;
  const std::uint32_t rootSectors = fat32Fields ? 0 : 32;
  le::Write16(&s[17], fat32Fields ? 0 : 512);
  const std::uint32_t total = (fat32Fields ? 32 : 1) + 2 * fatSectors + rootSectors + clusters;
  le::Write32(&s[32], total);
  s[21] = 0xF8;
  if (fat32Fields) {
    le::Write32(&s[36], fatSectors);
    le::Write32(&s[44], 2);
  } else {
    le::Write16(&s[22], static_cast<std::uint16_t>(fatSectors));
  }
  s[510] = 0x55;
  s[511] = 0xAA;
  return s;
}

TEST(BootSector, FatTypeFollowsTheClusterCount) {
  const struct {
    std::uint32_t clusters;
    bool fat32Fields;
    int type;
  } cases[] = {{4084, false, 12}, {4085, false, 16}, {65524, false, 16}, {65525, true, 32}};
  for (const auto& c : cases) {
    const ByteBuffer boot = BootWithClusters(c.clusters, c.fat32Fields);
    fat::Geometry g;
    fat::Status s;
    ASSERT_TRUE(fat::ParseBootSector(boot.data(), 0, &g, &s)) << c.clusters << ": " << s;
    EXPECT_EQ(g.clusterCount, c.clusters);
    EXPECT_EQ(g.fatType, c.type) << c.clusters;
  }
  // A FAT32 boot sector with a FAT16 cluster count would be read as FAT16 by
  // Windows: refused rather than misread.
  fat::Geometry g;
  fat::Status s;
  EXPECT_FALSE(fat::ParseBootSector(BootWithClusters(65524, true).data(), 0, &g, &s));
  EXPECT_FALSE(fat::ParseBootSector(BootWithClusters(65525, false).data(), 0, &g, &s));
}

TEST(BootSector, NtfsIsRecognised) {
  ByteBuffer s(512, 0);
  std::memcpy(&s[3], "NTFS    ", 8);
  EXPECT_TRUE(fat::IsNtfsBootSector(s.data()));
  EXPECT_FALSE(fat::IsNtfsBootSector(Fat16Boot().data()));
  // A FAT boot sector that only carries the name stays FAT.
  ByteBuffer named = Fat16Boot();
  std::memcpy(&named[3], "NTFS    ", 8);
  EXPECT_FALSE(fat::IsNtfsBootSector(named.data()));
}

TEST(Partition, MbrRoundTripAndPlausibility) {
  ByteBuffer mbr(512);
  fat::BuildMbr(mbr.data(), 0x0C, 2048, 100000, 0xDEADBEEF, true);
  fat::MbrInfo info = fat::ParseMbr(mbr.data());
  ASSERT_TRUE(info.valid);
  EXPECT_EQ(info.partitions[0].type, 0x0C);
  EXPECT_EQ(info.partitions[0].bootFlag, 0x80);
  EXPECT_EQ(info.partitions[0].lbaStart, 2048u);
  EXPECT_EQ(info.partitions[0].sectorCount, 100000u);
  EXPECT_FALSE(info.partitions[1].used());

  ByteBuffer bad = mbr;
  bad[446 + 16] = 0x42;  // boot flag of entry 2
  EXPECT_FALSE(fat::ParseMbr(bad.data()).valid);
  bad = mbr;
  bad[446 + 16 + 4] = 0x06;  // entry 2 overlapping entry 1
  le::Write32(&bad[446 + 16 + 8], 4096);
  le::Write32(&bad[446 + 16 + 12], 10);
  EXPECT_FALSE(fat::ParseMbr(bad.data()).valid);
  bad = mbr;
  bad[510] = 0;
  EXPECT_FALSE(fat::ParseMbr(bad.data()).valid);
}

TEST(Partition, FindsBareAndPartitionedVolumes) {
  // Bare: sector 0 is the boot sector.
  auto bare = fattest::MakeMemoryVolume(8 << 20, 16);
  ASSERT_TRUE(bare);
  std::uint64_t start = 1;
  std::uint64_t count = 0;
  fat::Status s;
  ASSERT_TRUE(fat::FindFatVolume(*bare, &start, &count, &s)) << s;
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(count, bare->SectorCount());

  // Partitioned: the second entry holds the FAT volume, the first is NTFS.
  fat::MemorySectorDevice disk(40000);
  ByteBuffer mbr(512);
  fat::BuildMbr(mbr.data(), 0x07, 63, 1000, 1, false);
  std::memcpy(&mbr[446 + 16], &mbr[446], 16);
  mbr[446 + 16 + 4] = 0x06;
  le::Write32(&mbr[446 + 16 + 8], 2048);
  le::Write32(&mbr[446 + 16 + 12], 30000);
  ASSERT_TRUE(disk.WriteSectors(0, 1, mbr.data()).ok());
  ByteBuffer ntfs(512, 0);
  std::memcpy(&ntfs[3], "NTFS    ", 8);
  ASSERT_TRUE(disk.WriteSectors(63, 1, ntfs.data()).ok());
  fat::SubRangeDevice part(disk, 2048, 30000);
  fat::FormatOptions o;
  o.hiddenSectors = 2048;
  ASSERT_TRUE(fat::FormatVolume(part, o).ok());
  ASSERT_TRUE(fat::FindFatVolume(disk, &start, &count, &s)) << s;
  EXPECT_EQ(start, 2048u);
  EXPECT_EQ(count, 30000u);

  // Without any FAT volume the search names the reason.
  fat::MemorySectorDevice empty(100);
  EXPECT_FALSE(fat::FindFatVolume(empty, &start, &count, &s));
  EXPECT_EQ(s.error, fat::Error::kNotFat);
}

}  // namespace
