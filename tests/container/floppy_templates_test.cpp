// The blank floppy templates: byte facts of the boot sector and the areas,
// and an independent check with fsck.fat and mtools.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>

#include "base/bytes.h"
#include "container/ffa_template.h"
#include "resources/resources.h"
#include "support/temp_dir.h"

namespace {

struct TemplateCase {
  const char* name;
  bool highDensity;
  int resourceId;
  std::size_t size;
  std::uint8_t sectorsPerCluster;
  std::uint16_t rootEntries;
  std::uint16_t totalSectors;
  std::uint8_t media;
  std::uint16_t sectorsPerFat;
  std::uint16_t sectorsPerTrack;
  std::uint32_t serial;
  std::size_t rootSector;  // first sector of the root directory
  std::size_t dataSector;  // first sector of the data area
  const char* freeBytes;   // as mdir prints it, blanks removed
};
// The test list and failure messages name the case, not its bytes.
void PrintTo(const TemplateCase& c, std::ostream* os) {
  *os << c.name;
}

const TemplateCase kCases[] = {
    {"HD", true, 900, 1474560, 1, 224, 2880, 0xF0, 9, 18, 0x58114E60, 19, 33, "1457664"},
    {"DD", false, 901, 737280, 2, 112, 1440, 0xF9, 3, 9, 0x5186B0C0, 7, 14, "730112"},
};

class FloppyTemplateTest : public testing::TestWithParam<TemplateCase> {
 protected:
  ByteBuffer Load() {
    ByteBuffer image;
    EXPECT_TRUE(FfaLoadTemplate(GetParam().highDensity, image));
    return image;
  }
};

TEST_P(FloppyTemplateTest, BootSector) {
  const TemplateCase& c = GetParam();
  const ByteBuffer image = Load();
  ASSERT_EQ(image.size(), c.size);
  const std::uint8_t* s = image.data();
  EXPECT_EQ(s[0], 0xEB);
  EXPECT_EQ(s[1], 0x3C);
  EXPECT_EQ(s[2], 0x90);
  EXPECT_EQ(std::string(s + 3, s + 11), "MSDOS5.0");
  EXPECT_EQ(le::Read16(s + 0x0B), 512);
  EXPECT_EQ(s[0x0D], c.sectorsPerCluster);
  EXPECT_EQ(le::Read16(s + 0x0E), 1);
  EXPECT_EQ(s[0x10], 2);
  EXPECT_EQ(le::Read16(s + 0x11), c.rootEntries);
  EXPECT_EQ(le::Read16(s + 0x13), c.totalSectors);
  EXPECT_EQ(s[0x15], c.media);
  EXPECT_EQ(le::Read16(s + 0x16), c.sectorsPerFat);
  EXPECT_EQ(le::Read16(s + 0x18), c.sectorsPerTrack);
  EXPECT_EQ(le::Read16(s + 0x1A), 2);
  EXPECT_EQ(le::Read32(s + 0x1C), 0u);
  EXPECT_EQ(s[0x26], 0x29);
  EXPECT_EQ(le::Read32(s + 0x27), c.serial);
  EXPECT_EQ(std::string(s + 0x2B, s + 0x36), "NO NAME    ");
  EXPECT_EQ(std::string(s + 0x36, s + 0x3E), "FAT12   ");
  EXPECT_EQ(s[510], 0x55);
  EXPECT_EQ(s[511], 0xAA);
}

TEST_P(FloppyTemplateTest, FatsRootAndDataArea) {
  const TemplateCase& c = GetParam();
  const ByteBuffer image = Load();
  ASSERT_EQ(image.size(), c.size);
  auto all = [&](std::size_t from, std::size_t to, std::uint8_t v) {
    return std::all_of(image.begin() + static_cast<std::ptrdiff_t>(from),
                       image.begin() + static_cast<std::ptrdiff_t>(to),
                       [v](std::uint8_t b) { return b == v; });
  };
  for (std::size_t fat = 0; fat < 2; ++fat) {
    const std::size_t start = (1 + fat * c.sectorsPerFat) * 512;
    EXPECT_EQ(image[start], c.media) << "FAT " << fat;
    EXPECT_EQ(image[start + 1], 0xFF);
    EXPECT_EQ(image[start + 2], 0xFF);
    EXPECT_TRUE(all(start + 3, start + c.sectorsPerFat * 512, 0)) << "FAT " << fat;
  }
  EXPECT_TRUE(all(c.rootSector * 512, c.dataSector * 512, 0)) << "root directory";
  EXPECT_TRUE(all(c.dataSector * 512, c.size - 512, 0xF6)) << "data area";
  EXPECT_TRUE(all(c.size - 512, c.size, 0)) << "last sector";
}

TEST_P(FloppyTemplateTest, ResourceIsStableAndFfaCopiesIt) {
  const TemplateCase& c = GetParam();
  const std::uint8_t* first = nullptr;
  const std::uint8_t* second = nullptr;
  std::size_t size1 = 0, size2 = 0;
  ASSERT_TRUE(LoadResource("BINARY", c.resourceId, &first, &size1));
  ASSERT_TRUE(LoadResource("BINARY", c.resourceId, &second, &size2));
  EXPECT_EQ(first, second) << "built once, kept";
  EXPECT_EQ(size1, c.size);
  ByteBuffer copy(3, 0xAB);  // old contents are replaced, not appended to
  ASSERT_TRUE(FfaLoadTemplate(c.highDensity, copy));
  ASSERT_EQ(copy.size(), c.size);
  EXPECT_EQ(std::memcmp(copy.data(), first, c.size), 0);
}

TEST_P(FloppyTemplateTest, FsckAndMtoolsAcceptIt) {
  const TemplateCase& c = GetParam();
  if (!testsupport::HaveProgram("fsck.fat") || !testsupport::HaveProgram("mdir")) {
    GTEST_SKIP() << "needs fsck.fat and mdir (dosfstools, mtools)";
  }
  testsupport::TempDir dir;
  const std::string path = dir.File(std::string("blank-") + c.name + ".img");
  const ByteBuffer image = Load();
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()),
             static_cast<std::streamsize>(image.size()));

  std::string out;
  EXPECT_EQ(testsupport::RunCommand("fsck.fat -n '" + path + "' 2>&1", &out), 0) << out;
  out.clear();
  ASSERT_EQ(testsupport::RunCommand("MTOOLS_SKIP_CHECK=1 mdir -i '" + path + "' :: 2>&1", &out), 0)
      << out;
  EXPECT_NE(out.find("No files"), std::string::npos) << out;
  std::string compact;
  std::remove_copy_if(out.begin(), out.end(), std::back_inserter(compact),
                      [](char ch) { return ch == ' '; });
  EXPECT_NE(compact.find(std::string(c.freeBytes) + "bytesfree"), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(Kinds, FloppyTemplateTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<TemplateCase>& param) {
                           return param.param.name;
                         });

TEST(ResourceTest, HelpPagesAndUnknownResources) {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  for (int id : {152, 153}) {
    ASSERT_TRUE(LoadResource("BINARY", id, &data, &size)) << id;
    EXPECT_NE(data, nullptr);
  }
  const std::uint8_t* untouched = reinterpret_cast<const std::uint8_t*>(&size);
  data = untouched;
  size = 77;
  EXPECT_FALSE(LoadResource("BINARY", 902, &data, &size));
  EXPECT_FALSE(LoadResource("ICON", 900, &data, &size));
  EXPECT_FALSE(LoadResource(nullptr, 900, &data, &size));
  EXPECT_EQ(data, untouched);
  EXPECT_EQ(size, 77u);
}

}  // namespace
