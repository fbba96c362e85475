// Formatting: floppy layouts byte for byte, card images with their
// partition, automatic FAT type and cluster size like mkfs.fat, and the
// boot sector written last.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "base/bytes.h"
#include "engine_helpers.h"
#include "fat/partition.h"
#include "platform/card_image_file.h"
#include "platform/file_sector_device.h"
#include "support/fault_device.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

TEST(Format, FloppyLayoutsByteForByte) {
  const struct {
    bool highDensity;
    std::uint16_t total, rootEntries, fatSectors, perTrack;
    std::uint8_t perCluster, media;
  } cases[] = {{true, 2880, 224, 9, 18, 1, 0xF0}, {false, 1440, 112, 3, 9, 2, 0xF9}};
  for (const auto& c : cases) {
    fat::MemorySectorDevice dev(c.total);
    ASSERT_TRUE(fat::FormatFloppy(dev, c.highDensity, "NO NAME", 0x11223344).ok());
    const std::uint8_t* b = dev.bytes().data();
    EXPECT_EQ(le::Read16(b + 11), 512);
    EXPECT_EQ(b[13], c.perCluster);
    EXPECT_EQ(le::Read16(b + 14), 1);
    EXPECT_EQ(b[16], 2);
    EXPECT_EQ(le::Read16(b + 17), c.rootEntries);
    EXPECT_EQ(le::Read16(b + 19), c.total);
    EXPECT_EQ(b[21], c.media);
    EXPECT_EQ(le::Read16(b + 22), c.fatSectors);
    EXPECT_EQ(le::Read16(b + 24), c.perTrack);
    EXPECT_EQ(le::Read16(b + 26), 2);
    EXPECT_EQ(b[36], 0x00) << "drive number of a floppy";
    EXPECT_EQ(le::Read32(b + 39), 0x11223344u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b + 54), 8), "FAT12   ");
    EXPECT_EQ(le::Read16(b + 510), 0xAA55);
    // Both FATs start with the media byte and an end mark.
    for (int copy = 0; copy < 2; ++copy) {
      const std::uint8_t* f = b + 512 * (1 + copy * c.fatSectors);
      EXPECT_EQ(f[0], c.media);
      EXPECT_EQ(f[1], 0xFF);
      EXPECT_EQ(f[2], 0xFF);
      EXPECT_EQ(f[3], 0x00);
    }
  }
}

TEST(Format, CardImagesCarryTheirPartition) {
  const struct {
    std::uint64_t sizeMiB;
    int fatType;  // asked for
    std::uint32_t start;
    int madeType;
    std::uint8_t partitionType;
  } cases[] = {{8, 12, 63, 12, 0x01},    {16, 0, 63, 16, 0x04},     {64, 0, 2048, 16, 0x06},
               {600, 0, 2048, 32, 0x0C}, {300, 32, 2048, 32, 0x0C}, {2, 0, 63, 12, 0x01}};
  testsupport::TempDir dir;
  for (const auto& c : cases) {
    fat::CardImageOptions options;
    options.sizeBytes = c.sizeMiB * kMiB;
    options.fatType = c.fatType;
    options.partitionStart = c.start;
    options.serial = 7;
    const std::string image = dir.File("card" + std::to_string(c.sizeMiB) + ".img");
    fat::Status s;
    ASSERT_TRUE(platform::MakeCardImage(image, options, &s)) << c.sizeMiB << ": " << s;
    struct stat st {};
    ASSERT_EQ(stat(image.c_str(), &st), 0);
    EXPECT_EQ(static_cast<std::uint64_t>(st.st_size), options.sizeBytes);
    EXPECT_LT(static_cast<std::uint64_t>(st.st_blocks) * 512, options.sizeBytes / 4 + kMiB)
        << "sparse";
    auto disk = platform::FileSectorDevice::Open(image, false, &s);
    ASSERT_TRUE(disk) << s;
    const fat::MbrInfo mbr = fat::ReadMbr(*disk);
    ASSERT_TRUE(mbr.valid);
    EXPECT_EQ(mbr.partitions[0].type, c.partitionType) << c.sizeMiB;
    EXPECT_EQ(mbr.partitions[0].lbaStart, c.start);
    EXPECT_EQ(mbr.partitions[0].sectorCount, options.sizeBytes / 512 - c.start);
    fat::SubRangeDevice part(*disk, c.start, options.sizeBytes / 512 - c.start);
    auto volume = fat::Volume::Mount(part, false, &s);
    ASSERT_TRUE(volume) << s;
    EXPECT_EQ(volume->geometry().fatType, c.madeType) << c.sizeMiB;
    EXPECT_EQ(volume->geometry().hiddenSectors, c.start);
    EXPECT_EQ(volume->geometry().dataStart % volume->geometry().sectorsPerCluster, 0u)
        << "data area on a cluster boundary";
  }
  fat::CardImageOptions bad;
  bad.sizeBytes = 4 * kMiB;
  bad.fatType = 32;
  fat::Status s;
  EXPECT_FALSE(platform::MakeCardImage(dir.File("tiny.img"), bad, &s));
  EXPECT_EQ(s.error, fat::Error::kInvalidArgument);
}

TEST(Format, ClusterSizeLikeMkfsFat) {
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "mkfs.fat missing";
  const struct {
    int type;
    std::uint64_t sizeMiB;
  } cases[] = {{16, 16}, {16, 100}, {16, 200}, {16, 300}, {32, 100}, {32, 300}, {32, 1024}};
  testsupport::TempDir dir;
  for (const auto& c : cases) {
    testsupport::ReferenceCard card;
    card.sizeBytes = c.sizeMiB << 20;
    card.fatBits = c.type;
    card.partitionStart = 0;
    const std::string image = dir.File("ref.img");
    std::string error;
    ASSERT_TRUE(testsupport::MakeReferenceCard(image, card, &error)) << error;
    fat::Status s;
    auto disk = platform::FileSectorDevice::Open(image, false, &s);
    auto volume = fat::Volume::Mount(*disk, false, &s);
    ASSERT_TRUE(volume) << s;
    fat::FormatOptions options;
    options.fatType = c.type;
    fat::Geometry plan;
    ASSERT_TRUE(fat::PlanFormat(c.sizeMiB * 2048, 512, options, &plan).ok());
    EXPECT_EQ(plan.sectorsPerCluster, volume->geometry().sectorsPerCluster)
        << "FAT" << c.type << " " << c.sizeMiB << " MiB";
  }
}

TEST(Format, BootSectorIsWrittenLast) {
  fat::MemorySectorDevice dev(65536);
  ASSERT_TRUE(fat::FormatVolume(dev, fat::FormatOptions{}).ok());  // an old volume
  fat::FaultInjectingDevice counted(dev);
  ASSERT_TRUE(fat::FormatVolume(counted, fat::FormatOptions{}).ok());
  const std::uint64_t writes = counted.writes();
  fat::FaultInjectingDevice failing(dev);
  failing.FailWrite(writes);
  fat::FormatOptions options;
  options.fatType = 16;
  options.sectorsPerCluster = 2;
  EXPECT_FALSE(fat::FormatVolume(failing, options).ok());
  fat::Status s;
  EXPECT_FALSE(fat::Volume::Mount(dev, false, &s)) << "no boot sector over half-made tables";
}

TEST(Format, LabelsAndSerialsReachTheVolume) {
  fat::MemorySectorDevice dev(80000);
  fat::FormatOptions options;
  options.fatType = 32;
  options.sectorsPerCluster = 1;
  options.label = "quill card";
  options.serial = 0x0BADF00D;
  ASSERT_TRUE(fat::FormatVolume(dev, options).ok());
  fat::Status s;
  auto volume = fat::Volume::Mount(dev, true, &s);
  ASSERT_TRUE(volume) << s;
  std::string label;
  ASSERT_TRUE(volume->GetLabel(&label).ok());
  EXPECT_EQ(label, "QUILL CARD");
  EXPECT_EQ(volume->geometry().serial, 0x0BADF00Du);
  EXPECT_EQ(volume->FreeClusters(), volume->geometry().clusterCount - 1) << "root takes one";
  options.label = "far too long label";
  EXPECT_EQ(fat::FormatVolume(dev, options).error, fat::Error::kInvalidName);
}

}  // namespace
