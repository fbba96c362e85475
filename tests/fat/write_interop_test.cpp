// Whatever the engine writes passes fsck.fat -n, and mtools reads back the
// same names, sizes, contents, attributes and cluster chains.
#include <gtest/gtest.h>

#include "engine_helpers.h"
#include "fat/partition.h"
#include "platform/card_image_file.h"
#include "platform/file_sector_device.h"
#include "support/mtools_views.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace {

using testsupport::ImageVolume;

struct CardCase {
  const char* name;
  int fatType;
  std::uint64_t sizeMiB;
  std::uint32_t partitionStart;
  bool bare;
};
// The test list and failure messages name the case, not its bytes.
void PrintTo(const CardCase& c, std::ostream* os) {
  *os << c.name;
}

class WriteInterop : public ::testing::TestWithParam<CardCase> {};

// Mounts the FAT volume of a card image for writing.
struct MountedCard {
  std::unique_ptr<platform::FileSectorDevice> disk;
  std::unique_ptr<fat::SubRangeDevice> part;
  std::unique_ptr<fat::Volume> volume;
  fat::Status status;

  MountedCard(const std::string& path, bool writable) {
    disk = platform::FileSectorDevice::Open(path, writable, &status);
    if (!disk) return;
    std::uint64_t start = 0;
    std::uint64_t count = 0;
    if (!fat::FindFatVolume(*disk, &start, &count, &status)) return;
    part = std::make_unique<fat::SubRangeDevice>(*disk, start, count);
    volume = fat::Volume::Mount(*part, writable, &status);
  }
};

TEST_P(WriteInterop, ToolsAgreeWithWhatWeWrote) {
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "mkfs.fat, fsck.fat, sfdisk or mtools missing";
  const CardCase& c = GetParam();
  testsupport::TempDir dir;
  fat::CardImageOptions options;
  options.sizeBytes = c.sizeMiB * 1024 * 1024;
  options.fatType = c.fatType;
  options.partitionStart = c.partitionStart;
  options.bare = c.bare;
  options.label = "QUILLCARD";
  options.serial = 0xCAFE1234;
  fat::Status s;
  const std::string image = dir.File("card.img");
  ASSERT_TRUE(platform::MakeCardImage(image, options, &s)) << s;
  ImageVolume v{image, c.bare ? 0 : c.partitionStart * 512ull,
                c.bare ? options.sizeBytes / 512 : options.sizeBytes / 512 - c.partitionStart};
  std::string report;
  EXPECT_TRUE(testsupport::FsckClean(v, &report)) << "fresh format\n" << report;

  const std::string big = testsupport::TestBytes(1000000, 7);
  const std::string small = testsupport::TestBytes(777, 8);
  {
    MountedCard card(image, true);
    ASSERT_TRUE(card.volume) << card.status;
    fat::Volume& vol = *card.volume;
    ASSERT_TRUE(vol.CreateDirectory("DornveldFLP").ok());
    ASSERT_TRUE(fattest::PutFile(vol, "DornveldFLP\\DornveldCIF.dfp", big, 0x05).ok());
    ASSERT_TRUE(fattest::PutFile(vol, "autorun.inf", small).ok());
    ASSERT_TRUE(fattest::PutFile(vol, "SHORT.TXT", small).ok());
    ASSERT_TRUE(fattest::PutFile(vol, "empty file", "").ok());
    ASSERT_TRUE(vol.CreateDirectory("DornveldFLP/Sub folder with a long name").ok());
    // Enough entries to grow the subfolder and, on FAT12/16, to use much of the root.
    for (int i = 0; i < 60; ++i) {
      ASSERT_TRUE(fattest::PutFile(
                      vol,
                      "DornveldFLP/Sub folder with a long name/file " + std::to_string(i) + ".dat",
                      small.substr(0, static_cast<std::size_t>(i) * 10))
                      .ok());
    }
    for (int i = 0; i < 30; i += 3) {
      ASSERT_TRUE(vol.DeleteFile("DornveldFLP/Sub folder with a long name/file " +
                                 std::to_string(i) + ".dat")
                      .ok());
    }
    ASSERT_TRUE(fattest::PutFile(vol, "to be renamed.txt", small).ok());
    ASSERT_TRUE(vol.Rename("to be renamed.txt", "DornveldFLP\\Moved and renamed.txt").ok());
    ASSERT_TRUE(vol.CreateDirectory("Folder to move").ok());
    ASSERT_TRUE(fattest::PutFile(vol, "Folder to move/inside.bin", small).ok());
    ASSERT_TRUE(vol.Rename("Folder to move", "DornveldFLP/Moved folder").ok());
    ASSERT_TRUE(vol.SetAttributes("SHORT.TXT", fat::attr::kHidden | fat::attr::kArchive).ok());
    ASSERT_TRUE(vol.SetLabel("NEW LABEL").ok());
    ASSERT_TRUE(vol.Flush().ok());
  }
  EXPECT_TRUE(testsupport::FsckClean(v, &report)) << report;

  EXPECT_EQ(testsupport::MtoolsNames(v, "/"),
            (std::vector<std::string>{"DornveldFLP", "SHORT.TXT", "autorun.inf", "empty file"}));
  EXPECT_EQ(testsupport::MtoolsNames(v, "/DornveldFLP"),
            (std::vector<std::string>{"DornveldCIF.dfp", "Moved and renamed.txt", "Moved folder",
                                      "Sub folder with a long name"}));
  EXPECT_EQ(testsupport::MtoolsNames(v, "/DornveldFLP/Sub folder with a long name").size(), 50u);
  std::string content;
  ASSERT_TRUE(testsupport::MtoolsRead(v, "/DornveldFLP/DornveldCIF.dfp", &content));
  EXPECT_TRUE(content == big);
  ASSERT_TRUE(testsupport::MtoolsRead(v, "/DornveldFLP/Moved folder/inside.bin", &content));
  EXPECT_TRUE(content == small);
  ASSERT_TRUE(
      testsupport::MtoolsRead(v, "/DornveldFLP/Sub folder with a long name/file 59.dat", &content));
  EXPECT_TRUE(content == small.substr(0, 590));
  ASSERT_TRUE(testsupport::MtoolsRead(v, "/empty file", &content));
  EXPECT_TRUE(content.empty());
  EXPECT_EQ(testsupport::MtoolsAttributes(v, "/DornveldFLP/DornveldCIF.dfp"), "ARS");
  EXPECT_EQ(testsupport::MtoolsAttributes(v, "/SHORT.TXT"), "AH");
  std::string out;
  testsupport::Mtools("mdir", testsupport::MtoolsImage(v), "::/", &out);
  EXPECT_NE(out.find("DORNVE~1"), std::string::npos) << out;
  EXPECT_NE(out.find("NEW LABEL"), std::string::npos) << out;
  EXPECT_NE(out.find("CAFE-1234"), std::string::npos) << out;

  MountedCard card(image, false);
  ASSERT_TRUE(card.volume) << card.status;
  std::vector<fat::ClusterRun> runs;
  for (const char* path : {"/DornveldFLP/DornveldCIF.dfp",
                           "/DornveldFLP/Sub folder with a long name", "/autorun.inf"}) {
    ASSERT_TRUE(card.volume->ClusterRuns(path, &runs).ok()) << path;
    EXPECT_EQ(fattest::AsFatPairs(runs), testsupport::MtoolsRuns(v, path)) << path;
  }
  ASSERT_TRUE(card.volume->ClusterRuns("/DornveldFLP/DornveldCIF.dfp", &runs).ok());
  EXPECT_EQ(runs.size(), 1u) << "a file written in one go on a fresh card is contiguous";
}

INSTANTIATE_TEST_SUITE_P(Cards, WriteInterop,
                         ::testing::Values(CardCase{"Fat12At63", 12, 8, 63, false},
                                           CardCase{"Fat16Bare", 16, 32, 0, true},
                                           CardCase{"Fat16At2048", 16, 64, 2048, false},
                                           CardCase{"Fat16Small", 16, 16, 63, false},
                                           CardCase{"Fat32At2048", 32, 300, 2048, false},
                                           CardCase{"Fat32Bare", 32, 600, 0, true}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(WriteInterop, FloppiesPassTheChecks) {
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "fsck.fat or mtools missing";
  for (bool highDensity : {true, false}) {
    testsupport::TempDir dir;
    const std::string image = dir.File("floppy.img");
    ASSERT_EQ(
        testsupport::RunCommand("truncate -s " + std::string(highDensity ? "1474560" : "737280") +
                                " " + testsupport::Quote(image)),
        0);
    fat::Status s;
    {
      auto dev = platform::FileSectorDevice::Open(image, true, &s);
      ASSERT_TRUE(dev) << s;
      ASSERT_TRUE(fat::FormatFloppy(*dev, highDensity, "FLOPPY", 0x1234ABCD).ok());
      auto volume = fat::Volume::Mount(*dev, true, &s);
      ASSERT_TRUE(volume) << s;
      // Fill the floppy to the last cluster through the FAT12 entries that
      // straddle sectors.
      const std::uint64_t free = volume->FreeBytes();
      ASSERT_TRUE(fattest::PutFile(*volume, "full.bin", testsupport::TestBytes(free, 3)).ok());
      EXPECT_EQ(volume->FreeClusters(), 0u);
      EXPECT_EQ(fattest::PutFile(*volume, "one more.bin", "x").error, fat::Error::kDiskFull);
    }
    ImageVolume v{image, 0, highDensity ? 2880u : 1440u};
    std::string report;
    EXPECT_TRUE(testsupport::FsckClean(v, &report)) << report;
    std::string content;
    ASSERT_TRUE(testsupport::MtoolsRead(v, "/full.bin", &content));
    EXPECT_EQ(content.size(), highDensity ? 2847u * 512 : 713u * 1024);
    EXPECT_EQ(testsupport::MtoolsNames(v, "/"),
              (std::vector<std::string>{"full.bin", "one more.bin"}));
  }
}

}  // namespace
