// Drive access on image-backed drives: card images made with sfdisk and
// mkfs.fat, and floppy images. The start sector is checked by reading the
// file's first bytes back through the raw disk.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "driveaccess/direct_disk_access.h"
#include "driveaccess/disk_image.h"
#include "driveaccess/drive_kind.h"
#include "driveaccess/drive_list.h"
#include "driveaccess/file_placement.h"
#include "driveaccess/volume_layout.h"
#include "platform/drive.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/image/image_drive.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"

namespace {
using testsupport::ReferenceCard;

constexpr char kCard = 'M';

ByteBuffer Pattern(std::size_t size, unsigned seed) {
  ByteBuffer bytes(size);
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<std::uint8_t>((i * 131 + seed + i / 512) & 0xFF);
  }
  return bytes;
}

ByteBuffer ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return ByteBuffer(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteHostFile(const std::string& path, const ByteBuffer& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

struct CardCase {
  const char* name;
  int fatBits;
  std::uint64_t start;
  std::uint64_t sizeBytes;
  std::uint32_t kind;
};
// The test list and failure messages name the case, not its bytes.
void PrintTo(const CardCase& c, std::ostream* os) {
  *os << c.name;
}

class CardImageTest : public testing::Test {
 protected:
  void AttachCard(const CardCase& c, const platform::ImageDriveOptions& options = {}) {
    if (!testsupport::HaveProgram("mkfs.fat") || !testsupport::HaveProgram("sfdisk")) {
      GTEST_SKIP() << "mkfs.fat and sfdisk make the reference cards";
    }
    ReferenceCard card;
    card.fatBits = c.fatBits;
    card.partitionStart = c.start;
    card.sizeBytes = c.sizeBytes;
    path_ = dir_.File("card.img");
    ASSERT_TRUE(testsupport::MakeReferenceCard(path_, card));
    std::uint32_t error = 0;
    drive_ = platform::ImageDrive::OpenCard(path_, options, &error);
    ASSERT_TRUE(drive_) << error;
    scoped_ = std::make_unique<platform::ScopedDrive>(kCard, drive_);
    ASSERT_TRUE(scoped_->attached());
  }
  void TearDown() override {
    scoped_.reset();
    drive_.reset();
  }

  testsupport::TempDir dir_;
  std::string path_;
  std::shared_ptr<platform::ImageDrive> drive_;
  std::unique_ptr<platform::ScopedDrive> scoped_;
};

class CardImage : public CardImageTest, public testing::WithParamInterface<CardCase> {};

TEST_P(CardImage, StartSectorHoldsTheFilesFirstBytes) {
  const CardCase& c = GetParam();
  AttachCard(c);
  if (IsSkipped()) return;
  const std::string file = std::string(1, kCard) + ":\\DATA.BIN";
  {
    // A small file first, so that ours does not start at cluster 0.
    platform::File first =
        platform::OpenFile(std::string(1, kCard) + ":\\FIRST.TXT", platform::kGenericWrite,
                           platform::Disposition::kCreateAlways);
    ASSERT_TRUE(first.IsOpen());
    const ByteBuffer small = Pattern(3000, 1);
    ASSERT_TRUE(first.WriteExact(small.data(), static_cast<std::uint32_t>(small.size())));
  }
  const ByteBuffer data = Pattern(200 * 1024, 7);
  {
    platform::File out =
        platform::OpenFile(file, platform::kGenericWrite, platform::Disposition::kCreateAlways);
    ASSERT_TRUE(out.IsOpen());
    ASSERT_TRUE(out.WriteExact(data.data(), static_cast<std::uint32_t>(data.size())));
  }

  VolumeLayout layout;
  ASSERT_TRUE(ReadVolumeLayout(kCard, layout));
  EXPECT_EQ(layout.fileSystemKind, c.kind);
  EXPECT_EQ(layout.hiddenSectors, c.start);

  FilePlacement placement;
  ASSERT_EQ(GetFilePlacement(file.c_str(), placement), 0);
  EXPECT_EQ(placement.extentCount, 1u);
  EXPECT_GT(placement.startSector, layout.firstDataSector);

  drive_->Unmount();  // what the engine holds goes onto the image
  CDirectDiskAccess disk;
  ASSERT_EQ(disk.Open(kCard, false), 0);
  DriveGeometry geometry;
  ASSERT_EQ(disk.GetGeometry(geometry), 0);
  EXPECT_EQ(geometry.totalSectors * geometry.bytesPerSector, c.sizeBytes);
  std::vector<std::uint8_t> sectors(2048);
  ASSERT_EQ(disk.ReadSectors(sectors.data(), placement.startSector, 4), 0);
  EXPECT_EQ(0, std::memcmp(sectors.data(), data.data(), sectors.size()));

  // The whole disk is opened: sector 0 is the partition table, or the boot
  // sector of a bare volume.
  ASSERT_EQ(disk.ReadSectors(sectors.data(), 0, 1), 0);
  EXPECT_EQ(sectors[510], 0x55);
  EXPECT_EQ(sectors[511], 0xAA);
  if (c.start != 0) {
    EXPECT_EQ(le::Read32(sectors.data() + 446 + 8), c.start);
  } else {
    EXPECT_EQ(sectors[0], 0xEB);
  }
}

TEST_F(CardImageTest, WithoutRawRightsPlacementNeedsAdministrator) {
  platform::ImageDriveOptions options;
  options.denyRawAccess = true;
  AttachCard(CardCase{"Fat16At63", 16, 63, 64ull << 20, 3}, options);
  if (IsSkipped()) return;
  {
    platform::File out =
        platform::OpenFile(std::string(1, kCard) + ":\\DATA.BIN", platform::kGenericWrite,
                           platform::Disposition::kCreateAlways);
    ASSERT_TRUE(out.IsOpen());
    ASSERT_TRUE(out.WriteExact("x", 1));
  }
  FilePlacement placement;
  EXPECT_EQ(GetFilePlacement("m:\\DATA.BIN", placement), DAV_ERR_NO_RIGHTS);
  CDirectDiskAccess disk;
  EXPECT_EQ(disk.Open(kCard, false), DDA_ERR_ACCESS_DENIED);
  EXPECT_EQ(disk.LastSystemError(), platform::kErrorAccessDenied);
}

INSTANTIATE_TEST_SUITE_P(Cards, CardImage,
                         testing::Values(CardCase{"Fat12At63", 12, 63, 8ull << 20, 4},
                                         CardCase{"Fat16At63", 16, 63, 64ull << 20, 3},
                                         CardCase{"Fat32At2048", 32, 2048, 300ull << 20, 2},
                                         CardCase{"BareFat16", 16, 0, 32ull << 20, 3}),
                         [](const testing::TestParamInfo<CardCase>& param) {
                           return std::string(param.param.name);
                         });

TEST(ImageDrives, SearchFindsCardReadersAndFloppies) {
  if (!testsupport::HaveProgram("mkfs.fat") || !testsupport::HaveProgram("sfdisk")) {
    GTEST_SKIP() << "mkfs.fat and sfdisk make the reference cards";
  }
  testsupport::TempDir dir;
  // Detaches what the test attached, also when it stops early.
  struct Detach {
    ~Detach() {
      for (char letter : {'N', 'L', 'B'}) platform::DriveTable::Instance().Detach(letter);
    }
  } detach;
  ASSERT_TRUE(testsupport::MakeReferenceCard(dir.File("card.img"), ReferenceCard{}));
  ASSERT_TRUE(WriteHostFile(dir.File("floppy.img"), Pattern(1474560, 3)));
  std::uint32_t error = 0;
  platform::ImageDriveOptions stick;
  stick.productName = "USB Flash Disk";
  ASSERT_EQ(platform::AttachCardImage(dir.File("card.img"), {}, 'N', &error), 'N');
  ASSERT_TRUE(testsupport::MakeReferenceCard(dir.File("stick.img"), ReferenceCard{}));
  ASSERT_EQ(platform::AttachCardImage(dir.File("stick.img"), stick, 'L', &error), 'L');
  ASSERT_EQ(platform::AttachFloppyImage(dir.File("floppy.img"), 'B', &error), 'B');

  CDriveList list;
  list.EnumerateDrives(DRIVE_KIND_REMOVABLE);
  std::string letters;
  for (const CDriveInfo& record : list.Records()) {
    letters += record.Letter();
    if (record.Letter() == 'N') {
      EXPECT_EQ(record.marks, 7u);
      EXPECT_EQ(record.volumeLabel, "REF CARD");
      EXPECT_EQ(record.fileSystemName, "FAT");
    }
    if (record.Letter() == 'L') {
      EXPECT_EQ(record.marks, 3u);
    }
  }
  EXPECT_NE(letters.find("LN"), std::string::npos) << letters;
  EXPECT_EQ(letters.find('B'), std::string::npos) << letters;
  list.EnumerateDrives(DRIVE_KIND_FLOPPY);
  ASSERT_GE(list.Count(), 1u);
  EXPECT_EQ(list[0].driveName, "B:");
}

TEST(ImageDrives, FloppyImageRoundTrip) {
  testsupport::TempDir dir;
  const std::string path = dir.File("floppy.img");
  const ByteBuffer original = Pattern(1474560, 9);
  ASSERT_TRUE(WriteHostFile(path, original));
  std::uint32_t error = 0;
  auto drive = platform::ImageDrive::OpenFloppy(path, &error);
  ASSERT_TRUE(drive) << error;
  {
    platform::ScopedDrive scoped('A', drive);
    ASSERT_TRUE(scoped.attached());

    CDiskImage image;
    ASSERT_EQ(image.ReadFromDrive('a', nullptr), 0);
    EXPECT_EQ(image.Bytes(), original);

    CDiskImage small;
    small.Bytes().assign(737280, 0x42);
    EXPECT_EQ(small.WriteToDrive('A', nullptr), DDA_ERR_WRONG_FLOPPY_SIZE);

    CDiskImage replacement;
    replacement.Bytes() = Pattern(1474560, 200);
    ASSERT_EQ(replacement.WriteToDrive('A', nullptr), 0);
  }
  drive.reset();
  EXPECT_EQ(ReadHostFile(path), Pattern(1474560, 200));
}

}  // namespace
