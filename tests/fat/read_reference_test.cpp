// Volumes made by mkfs.fat and filled by mtools are read correctly: layout,
// names long and short, folder contents, file bytes and cluster runs.
#include <gtest/gtest.h>

#include "engine_helpers.h"
#include "fat/partition.h"
#include "platform/file_sector_device.h"
#include "support/mtools_views.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace {

using testsupport::ImageVolume;

struct ReferenceCase {
  const char* name;
  int fatType;
  std::uint64_t sizeMiB;
  std::uint32_t partitionStart;  // 0 = bare volume
  const char* mkfsOptions;       // beyond type, label and layout
};
// The test list and failure messages name the case, not its bytes.
void PrintTo(const ReferenceCase& c, std::ostream* os) {
  *os << c.name;
}

class ReadReference : public ::testing::TestWithParam<ReferenceCase> {};

TEST_P(ReadReference, ReadsWhatMtoolsWrote) {
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "mkfs.fat, fsck.fat, sfdisk or mtools missing";
  const ReferenceCase& c = GetParam();
  testsupport::TempDir dir;
  testsupport::ReferenceCard card;
  card.sizeBytes = c.sizeMiB << 20;
  card.fatBits = c.fatType;
  card.partitionStart = c.partitionStart;
  card.label = "REFCARD";
  card.mkfsOptions = c.mkfsOptions;
  const std::string image = dir.File("card.img");
  std::string error;
  ASSERT_TRUE(testsupport::MakeReferenceCard(image, card, &error)) << error;
  const ImageVolume v = testsupport::VolumeOf(image, card);
  const std::string big = testsupport::TestBytes(300000, 1);
  const std::string small = testsupport::TestBytes(1000, 2);
  ASSERT_TRUE(testsupport::WriteHostFile(dir.File("big"), big));
  ASSERT_TRUE(testsupport::WriteHostFile(dir.File("small"), small));
  ASSERT_TRUE(testsupport::MtoolsMkdir(v, "/DornveldFLP"));
  ASSERT_TRUE(testsupport::MtoolsMkdir(v, "/DornveldFLP/Nested Folder"));
  ASSERT_TRUE(testsupport::MtoolsPut(v, dir.File("big"), "/DornveldFLP/DornveldCIF.dfp"));
  ASSERT_TRUE(
      testsupport::MtoolsPut(v, dir.File("small"), "/DornveldFLP/Nested Folder/readme.txt"));
  ASSERT_TRUE(testsupport::MtoolsPut(v, dir.File("small"), "/AUTORUN.INF"));
  ASSERT_TRUE(testsupport::MtoolsPut(v, dir.File("small"),
                                     "/A name that needs several long-name entries.text"));
  for (int i = 0; i < 40; ++i) {  // enough to grow a subfolder past one cluster
    ASSERT_TRUE(testsupport::MtoolsPut(v, dir.File("small"),
                                       "/DornveldFLP/Entry number " + std::to_string(i) + ".bin"));
  }
  std::string out;
  ASSERT_EQ(
      testsupport::Mtools("mattrib", testsupport::MtoolsImage(v), "+r +s ::/AUTORUN.INF", &out), 0)
      << out;

  fat::Status s;
  auto disk = platform::FileSectorDevice::Open(v.path, false, &s);
  ASSERT_TRUE(disk) << s;
  std::uint64_t start = 0;
  std::uint64_t count = 0;
  ASSERT_TRUE(fat::FindFatVolume(*disk, &start, &count, &s)) << s;
  EXPECT_EQ(start * 512, v.offset);
  fat::SubRangeDevice part(*disk, start, count);
  auto volume = fat::Volume::Mount(part, false, &s);
  ASSERT_TRUE(volume) << s;
  EXPECT_EQ(volume->geometry().fatType, c.fatType);
  EXPECT_EQ(volume->geometry().hiddenSectors, c.partitionStart);
  std::string label;
  ASSERT_TRUE(volume->GetLabel(&label).ok());
  EXPECT_EQ(label, "REFCARD");

  std::vector<fat::DirEntryInfo> root;
  ASSERT_TRUE(volume->ListDirectory("", &root).ok());
  std::vector<std::string> names;
  for (const auto& e : root) names.push_back(e.longName);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, testsupport::MtoolsNames(v, "/"));

  fat::DirEntryInfo info;
  ASSERT_TRUE(volume->Stat("\\dornveldflp\\DORNVELDCIF.DFP", &info).ok());
  EXPECT_EQ(info.longName, "DornveldCIF.dfp");
  EXPECT_EQ(info.shortName, "DORNVE~1.DFP");
  EXPECT_EQ(info.size, big.size());
  ASSERT_TRUE(volume->Stat("DORNVE~1/DORNVE~1.DFP", &info).ok()) << "lookup by short names";
  ASSERT_TRUE(volume->Stat("AUTORUN.INF", &info).ok());
  EXPECT_EQ(info.attributes & 0x07, 0x05);

  std::string content;
  ASSERT_TRUE(fattest::GetFile(*volume, "/DornveldFLP/DornveldCIF.dfp", &content).ok());
  EXPECT_TRUE(content == big);
  ASSERT_TRUE(fattest::GetFile(*volume, "/DornveldFLP/Nested Folder/readme.txt", &content).ok());
  EXPECT_TRUE(content == small);
  ASSERT_TRUE(
      fattest::GetFile(*volume, "a NAME that needs several long-name entries.TEXT", &content).ok());
  EXPECT_TRUE(content == small);

  std::vector<fat::DirEntryInfo> sub;
  ASSERT_TRUE(volume->ListDirectory("DornveldFLP", &sub).ok());
  EXPECT_EQ(sub.size(), 42u);
  names.clear();
  for (const auto& e : sub) names.push_back(e.longName);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, testsupport::MtoolsNames(v, "/DornveldFLP"));

  std::vector<fat::ClusterRun> runs;
  for (const char* path : {"/DornveldFLP/DornveldCIF.dfp", "/AUTORUN.INF", "/DornveldFLP"}) {
    ASSERT_TRUE(volume->ClusterRuns(path, &runs).ok()) << path;
    EXPECT_EQ(fattest::AsFatPairs(runs), testsupport::MtoolsRuns(v, path)) << path;
  }
  EXPECT_EQ(volume->FreeClusters() * volume->ClusterBytes(), volume->FreeBytes());
}

INSTANTIATE_TEST_SUITE_P(Mkfs, ReadReference,
                         ::testing::Values(ReferenceCase{"Fat12Bare", 12, 4, 0, ""},
                                           ReferenceCase{"Fat12At63", 12, 8, 63, ""},
                                           ReferenceCase{"Fat16Bare", 16, 32, 0, ""},
                                           ReferenceCase{"Fat16At63", 16, 64, 63, ""},
                                           ReferenceCase{"Fat16At2048", 16, 64, 2048, "-s 2"},
                                           ReferenceCase{"Fat32Bare", 32, 40, 0, "-s 1"},
                                           ReferenceCase{"Fat32At2048", 32, 300, 2048, ""},
                                           ReferenceCase{"Fat32At63OneFat", 32, 80, 63,
                                                         "-f 1 -s 1"}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(ReadReference, LowerCaseShortNameKeepsItsCase) {
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "mtools missing";
  testsupport::TempDir dir;
  testsupport::ReferenceCard card;
  card.sizeBytes = 8 << 20;
  card.fatBits = 12;
  card.partitionStart = 0;
  const std::string image = dir.File("card.img");
  std::string error;
  ASSERT_TRUE(testsupport::MakeReferenceCard(image, card, &error)) << error;
  const ImageVolume v = testsupport::VolumeOf(image, card);
  ASSERT_TRUE(testsupport::WriteHostFile(dir.File("x"), "x"));
  ASSERT_TRUE(testsupport::MtoolsPut(v, dir.File("x"), "/readme.txt"));
  fat::Status s;
  auto disk = platform::FileSectorDevice::Open(v.path, false, &s);
  auto volume = fat::Volume::Mount(*disk, false, &s);
  ASSERT_TRUE(volume) << s;
  fat::DirEntryInfo info;
  ASSERT_TRUE(volume->Stat("README.TXT", &info).ok());
  EXPECT_EQ(info.longName, "readme.txt");
  EXPECT_EQ(info.shortName, "README.TXT");
}

}  // namespace
