// Drives backed by card and floppy images, held to mtools and fsck.fat.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/ffa_template.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/image/image_drive.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"

namespace {
using testsupport::MakeReferenceCard;
using testsupport::Mtools;
using testsupport::ReferenceCard;

constexpr char kLetter = 'K';

struct CardCase {
  const char* name;
  int fatBits;
  std::uint64_t start;
  std::uint64_t sizeBytes;
};
// The test list and failure messages name the case, not its bytes.
void PrintTo(const CardCase& c, std::ostream* os) {
  *os << c.name;
}

class ImageDriveTest : public testing::Test {
 protected:
  // Makes a reference card and attaches it at kLetter.
  std::shared_ptr<platform::ImageDrive> Attach(const ReferenceCard& card,
                                               const platform::ImageDriveOptions& options = {}) {
    path_ = dir_.File("card.img");
    volume_ = testsupport::VolumeOf(path_, card);
    std::string toolOutput;
    EXPECT_TRUE(MakeReferenceCard(path_, card, &toolOutput)) << toolOutput;
    std::uint32_t error = 0;
    drive_ = platform::ImageDrive::OpenCard(path_, options, &error);
    EXPECT_EQ(error, platform::kErrorSuccess);
    scoped_ = std::make_unique<platform::ScopedDrive>(kLetter, drive_);
    return drive_;
  }
  void Detach() {
    scoped_.reset();
    drive_.reset();
  }
  std::string Image() const { return testsupport::MtoolsImage(volume_); }

  testsupport::TempDir dir_;
  std::string path_;
  testsupport::ImageVolume volume_;
  std::shared_ptr<platform::ImageDrive> drive_;
  std::unique_ptr<platform::ScopedDrive> scoped_;
};

class ContainerOnCardImage : public ImageDriveTest, public testing::WithParamInterface<CardCase> {};

TEST_P(ContainerOnCardImage, IsTheProtectedOnePieceFileThatMtoolsShows) {
  const CardCase& c = GetParam();
  ReferenceCard card;
  card.fatBits = c.fatBits;
  card.partitionStart = c.start;
  card.sizeBytes = c.sizeBytes;
  Attach(card);
  ASSERT_EQ(FfaCreate(kLetter, 3, "On Card", true, nullptr), FFA_OK);
  Detach();  // everything on the image, nothing held

  std::string out;
  ASSERT_EQ(Mtools("mattrib", Image(), "::/DornveldFLP/DornveldCIF.dfp", &out), 0) << out;
  const std::string flags = out.substr(0, out.find("::"));
  EXPECT_NE(flags.find('S'), std::string::npos) << out;
  EXPECT_NE(flags.find('R'), std::string::npos) << out;

  const std::string copy = dir_.File("out.dfp");
  ASSERT_EQ(Mtools("mcopy", Image(), "::/DornveldFLP/DornveldCIF.dfp " + copy, &out), 0) << out;
  std::ifstream in(copy, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), 4 * kContainerBlockSize);
  EXPECT_EQ(bytes.compare(0, 16, "DornveldFLPDrive"), 0);
  EXPECT_EQ(bytes.compare(GetSlotPartOffset(2, kSlotPartSlotInfo) + 2, 8, "Empty 3\0", 8), 0);

  // One run of clusters: mshowfat prints "<first-last>" once.
  ASSERT_EQ(Mtools("mshowfat", Image(), "::/DornveldFLP/DornveldCIF.dfp", &out), 0) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '<'), 1) << out;

  EXPECT_TRUE(testsupport::FsckClean(volume_, &out)) << out;
}

INSTANTIATE_TEST_SUITE_P(Cards, ContainerOnCardImage,
                         testing::Values(CardCase{"Fat16At63", 16, 63, 64ull << 20},
                                         CardCase{"Fat32At2048", 32, 2048, 300ull << 20},
                                         CardCase{"BareFat16", 16, 0, 32ull << 20}),
                         [](const auto& p) { return p.param.name; });

TEST_F(ImageDriveTest, ReportsLabelAndFileSystemAsWindowsDoes) {
  ReferenceCard card;
  card.label = "MY CARD";
  Attach(card);
  std::string label, fs;
  ASSERT_TRUE(drive_->VolumeInformation(&label, &fs));
  EXPECT_EQ(label, "MY CARD");
  EXPECT_EQ(fs, "FAT");
  EXPECT_EQ(platform::GetDriveType(kLetter), platform::DriveType::kRemovable);
}

TEST_F(ImageDriveTest, RawDeviceIsExclusiveAndCoversTheWholeImage) {
  Attach(ReferenceCard{});
  std::uint32_t number = 0;
  ASSERT_EQ(drive_->DeviceNumber(&number), platform::kErrorSuccess);
  const std::string disk = "\\\\.\\PhysicalDrive" + std::to_string(number);
  std::uint32_t error = 0;
  auto first = platform::OpenRawDevice(disk, false, &error);
  ASSERT_TRUE(first) << error;
  EXPECT_FALSE(platform::OpenRawDevice(disk, false, &error));
  EXPECT_EQ(error, platform::kErrorSharingViolation);

  std::uint64_t length = 0;
  ASSERT_EQ(first->GetPartitionLength(&length), platform::kErrorSuccess);
  EXPECT_EQ(length, 64ull << 20);
  std::uint8_t sector[512];
  std::uint32_t done = 0;
  ASSERT_EQ(first->Read(sector, 512, &done), platform::kErrorSuccess);
  EXPECT_EQ(sector[510], 0x55);
  EXPECT_EQ(sector[446 + 4], 0x06);  // the MBR, not the volume's boot sector
  // Reading past the end fails, as on a disk.
  std::uint64_t position = 0;
  ASSERT_EQ(first->Seek(0, platform::SeekOrigin::kEnd, &position), platform::kErrorSuccess);
  EXPECT_NE(first->Read(sector, 512, &done), platform::kErrorSuccess);
  first.reset();
  EXPECT_TRUE(platform::OpenRawDevice(disk, false, &error)) << error;
}

TEST_F(ImageDriveTest, SwitchesDenyRawAccessAndProtectTheMedium) {
  platform::ImageDriveOptions options;
  options.denyRawAccess = true;
  options.writeProtected = true;
  Attach(ReferenceCard{}, options);
  std::uint32_t error = 0;
  EXPECT_FALSE(platform::OpenRawDevice("\\\\.\\K:", false, &error));
  EXPECT_EQ(error, platform::kErrorAccessDenied);
  // The files are still there to read, but nothing may change.
  EXPECT_NE(platform::GetAttributes("K:\\"), platform::kInvalidFileAttributes);
  platform::File file =
      platform::OpenFile("K:\\NEW.TXT", platform::kGenericWrite, platform::Disposition::kCreateNew);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(platform::GetLastError(), platform::kErrorWriteProtect);
  EXPECT_EQ(FfaCreate(kLetter, 1, "x", true, nullptr), FFA_ERR_CREATE);
}

TEST_F(ImageDriveTest, AnImageIsHeldByOneDriveAtATime) {
  Attach(ReferenceCard{});
  std::uint32_t error = 0;
  EXPECT_FALSE(platform::ImageDrive::OpenCard(path_, {}, &error));
  EXPECT_EQ(error, platform::kErrorSharingViolation);
}

TEST_F(ImageDriveTest, FilesOnTheCardAreExclusiveAndKeepReadOnly) {
  Attach(ReferenceCard{});
  platform::File a = platform::OpenFile("K:\\Data.bin", platform::kGenericWrite,
                                        platform::Disposition::kCreateNew);
  ASSERT_TRUE(a.IsOpen());
  // Another spelling of the same file is the same file.
  platform::File b = platform::OpenFile("k:/DATA.BIN", platform::kGenericRead,
                                        platform::Disposition::kOpenExisting);
  EXPECT_FALSE(b.IsOpen());
  EXPECT_EQ(platform::GetLastError(), platform::kErrorSharingViolation);
  ASSERT_TRUE(a.WriteExact("hello", 5));
  ASSERT_TRUE(a.Close());

  ASSERT_TRUE(platform::SetAttributes("K:\\Data.bin", platform::kAttributeReadOnly));
  EXPECT_FALSE(platform::OpenFile("K:\\Data.bin", platform::kGenericWrite,
                                  platform::Disposition::kOpenExisting)
                   .IsOpen());
  EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);
  EXPECT_FALSE(platform::RemoveFile("K:\\Data.bin"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);
  ASSERT_TRUE(platform::SetAttributes("K:\\Data.bin", platform::kAttributeNormal));
  EXPECT_TRUE(platform::RemoveFile("K:\\Data.bin"));
}

TEST(FloppyImageDrive, IsAFloppyDriveWhoseRawDeviceIsTheImage) {
  testsupport::TempDir dir;
  const std::string path = dir.File("floppy.img");
  ByteBuffer blank;
  ASSERT_TRUE(FfaLoadTemplate(false, blank));
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(blank.data()),
             static_cast<std::streamsize>(blank.size()));
  std::uint32_t error = 0;
  const char letter = platform::AttachFloppyImage(path, 0, &error);
  ASSERT_TRUE(letter == 'A' || letter == 'B') << error;
  EXPECT_NE(platform::QueryDosDevice(letter).find("\\Floppy"), std::string::npos);
  auto raw = platform::OpenRawDevice(std::string("\\\\.\\") + letter + ":", false, &error);
  ASSERT_TRUE(raw) << error;
  platform::DiskGeometry geometry;
  ASSERT_EQ(raw->GetGeometry(&geometry), platform::kErrorSuccess);
  EXPECT_EQ(geometry.mediaType, platform::MediaType::kF3_720_512);
  EXPECT_EQ(geometry.sectorsPerTrack, 9u);
  std::uint8_t boot[512];
  std::uint32_t done = 0;
  ASSERT_EQ(raw->Read(boot, 512, &done), platform::kErrorSuccess);
  EXPECT_EQ(std::memcmp(boot, blank.data(), 512), 0);
  raw.reset();
  platform::DriveTable::Instance().Detach(letter);
}

}  // namespace
