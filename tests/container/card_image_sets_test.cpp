// Whole image sets: the names of their files, and export and import between
// two containers and a host folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "container/card_folder_fixture.h"
#include "container/card_image_sets.h"
#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/floppy_kind.h"
#include "container/image_set_files.h"
#include "container/slot_info.h"
#include "driveaccess/dda_error_codes.h"
#include "support/scripted_user.h"

namespace {

using cardtest::CardFolder;
using cardtest::ReadHostFile;
using cardtest::WriteHostFile;

constexpr std::size_t kHd = FloppyImageSize(true);

ByteBuffer Pattern(unsigned seed, std::size_t size = kHd) {
  ByteBuffer image(size);
  std::mt19937 random(seed);
  for (auto& b : image) b = static_cast<std::uint8_t>(random());
  return image;
}

SlotTarget Slot(char letter, int slot, std::optional<std::string> name = std::nullopt) {
  SlotTarget target;
  target.drive = letter;
  target.slot = slot;
  target.name = std::move(name);
  return target;
}

ByteBuffer Block(char letter, int slot) {
  testsupport::ScriptedUser user;
  ByteBuffer block;
  EXPECT_EQ(CardReadSlot(Slot(letter, slot), block, true, user), 0);
  return block;
}

// The block without the time it was written.
ByteBuffer Timeless(ByteBuffer block) {
  const std::size_t record = kContainerBlockSize - kSlotInfoSize;
  std::fill(block.begin() + record + kSlotInfoYearOffset,
            block.begin() + record + kSlotInfoSecondOffset + 1, 0);
  return block;
}

std::string NameOf(char letter, int slot) {
  return SlotInfoName(Block(letter, slot).data() + kContainerBlockSize - kSlotInfoSize);
}

TEST(ImageSetFiles, NamesMadeSafeAndReadBack) {
  struct Case {
    unsigned number;
    std::string slotName, file;
  } const cases[] = {
      {1, "Tools", "01-Tools.img"},          {2, "a/b\\c:d*e?\"<>|", "02-a_b_c_d_e_____.img"},
      {3, "Ende. .", "03-Ende.img"},         {4, "Tab\there\x01", "04-Tab_here_.img"},
      {99, "Müller Öl", "99-Müller Öl.img"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ImageSetFileName(c.number, c.slotName), c.file);
    EXPECT_EQ(ParseImageSetFileName(c.file).slotNumber, c.number) << c.file;
  }
  struct Parsed {
    std::string file, name;
    unsigned number;
  } const parsed[] = {
      {"Disk.IMG", "Disk", 0},
      {"3d-x.img", "3d-x", 0},
      {"12-日本.img", "__", 12},
      {"05-A name longer than fifteen.img", "A name longer t", 5},
  };
  for (const Parsed& p : parsed) {
    EXPECT_EQ(ParseImageSetFileName(p.file).slotName, p.name) << p.file;
    EXPECT_EQ(ParseImageSetFileName(p.file).slotNumber, p.number) << p.file;
  }
  EXPECT_FALSE(IsImageSetFile(".img"));
  EXPECT_FALSE(IsImageSetFile("index.txt"));
  const std::vector<ImageSetIndexEntry> index = {{1, "a\tb\\c", "01-a_b_c.img"},
                                                 {2, "", "02-.img"}};
  const auto back = ParseImageSetIndex(FormatImageSetIndex(index) + "junk line\r\n");
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].name, "a\tb\\c");
  EXPECT_EQ(back[1].file, "02-.img");
}

class ImageSets : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(from_.attached() && to_.attached());
    ASSERT_EQ(FfaCreate('Q', 3, "from", true, nullptr), FFA_OK);
    ASSERT_EQ(FfaCreate('R', 3, "to", true, nullptr), FFA_OK);
  }
  static ImageSetResult Import(const std::string& folder) {
    testsupport::ScriptedUser user;
    user.files = {folder};
    return CardImportImages('R', user);
  }
  void WriteSlot(char letter, int slot, unsigned seed, const std::string& name) {
    ByteBuffer image = Pattern(seed);
    ASSERT_EQ(CardWriteSlot(Slot(letter, slot, name), image, user_), 0);
  }
  CardFolder from_{'Q'};
  CardFolder to_{'R'};
  testsupport::TempDir dir_;
  testsupport::ScriptedUser user_;
};

TEST_F(ImageSets, ExportThenImportGivesTheSameBlocksAndNames) {
  const std::string names[] = {"Tools", "Müller/Ä:1?", "Größe. "};
  for (int slot = 0; slot < 3; ++slot) WriteSlot('Q', slot, 10 + slot, names[slot]);
  const std::string folder = dir_.File("set");
  testsupport::ScriptedUser user;
  user.files = {folder};
  const ImageSetResult out = CardExportImages('Q', user);
  ASSERT_EQ(out.code, 0);
  EXPECT_EQ(out.done.size(), 3u);
  EXPECT_EQ(ReadHostFile(folder + "/02-Müller_Ä_1_.img"), Pattern(11));

  const ImageSetResult in = Import(folder);
  ASSERT_EQ(in.code, 0);
  EXPECT_TRUE(in.refused.empty());
  for (int slot = 0; slot < 3; ++slot) {
    EXPECT_EQ(NameOf('R', slot), names[slot]);
    EXPECT_TRUE(Timeless(Block('R', slot)) == Timeless(Block('Q', slot))) << slot;
  }
  // Without the index the names come from the file names, as safe as they are.
  ASSERT_TRUE(platform::RemoveFile(folder + "/index.txt"));
  ASSERT_EQ(Import(folder).code, 0);
  EXPECT_EQ(NameOf('R', 1), "Müller_Ä_1_");
}

TEST_F(ImageSets, WrongSizeFileIsRefusedAndItsSlotKept) {
  ASSERT_TRUE(WriteHostFile(dir_.File("a.img"), Pattern(1)));
  ASSERT_TRUE(WriteHostFile(dir_.File("b.img"), Pattern(2, FloppyImageSize(false))));
  ASSERT_TRUE(WriteHostFile(dir_.File("c.img"), Pattern(3)));
  const ImageSetResult in = Import(dir_.path());
  ASSERT_EQ(in.code, 0);
  ASSERT_EQ(in.refused.size(), 1u);
  EXPECT_EQ(in.refused[0].file, "b.img");
  EXPECT_EQ(in.refused[0].code, DDA_ERR_WRONG_FLOPPY_SIZE);
  // The files take the slots in name order, the refused one none.
  EXPECT_EQ(NameOf('R', 0), "a");
  EXPECT_EQ(NameOf('R', 1), "c");
  EXPECT_EQ(NameOf('R', 2), EmptySlotName(3));
  ASSERT_TRUE(WriteHostFile(dir_.File("c.img"), Pattern(3, 100)));
  ASSERT_TRUE(platform::RemoveFile(dir_.File("a.img")));
  WriteSlot('R', 0, 7, "Kept");
  const ByteBuffer kept = Block('R', 0);
  ASSERT_EQ(Import(dir_.path()).done.size(), 0u);
  EXPECT_TRUE(Block('R', 0) == kept);
}

TEST_F(ImageSets, SetLargerThanTheContainerWritesNothing) {
  const ByteBuffer before = ReadHostFile(to_.hostContainer());
  for (const char* file : {"01-a.img", "b.img", "c.img", "d.img"}) {
    ASSERT_TRUE(WriteHostFile(dir_.File(file), Pattern(4)));
  }
  ImageSetResult in = Import(dir_.path());
  EXPECT_EQ(in.notFitting, 1u);
  EXPECT_TRUE(in.done.empty());
  EXPECT_TRUE(ReadHostFile(to_.hostContainer()) == before);
  EXPECT_NE(ImageSetSummary(in, true, [](int) { return std::string(); }).find("1 would not fit"),
            std::string::npos);
  // A number past the last slot does not fit either.
  ASSERT_TRUE(platform::RemoveFile(dir_.File("d.img")));
  ASSERT_TRUE(WriteHostFile(dir_.File("04-d.img"), Pattern(4)));
  EXPECT_EQ(Import(dir_.path()).notFitting, 1u);
  EXPECT_TRUE(ReadHostFile(to_.hostContainer()) == before);
}

}  // namespace
