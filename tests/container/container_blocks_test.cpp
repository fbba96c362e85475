// Byte-level checks of the container's blocks: where each part lies, the
// fillers, the slot record and the main header.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "base/clock.h"
#include "container/container_layout.h"
#include "container/ffa_template.h"
#include "container/floppy_kind.h"
#include "container/main_header.h"
#include "container/sector_crc.h"
#include "container/slot_block.h"
#include "container/slot_info.h"
#include "driveaccess/dda_error_codes.h"

namespace {

const platform::LocalTime kTime{2024, 3, 9, 17, 45, 30, 999};

bool AllBytes(const ByteBuffer& b, std::size_t from, std::size_t to, std::uint8_t value) {
  return std::all_of(b.begin() + static_cast<std::ptrdiff_t>(from),
                     b.begin() + static_cast<std::ptrdiff_t>(to),
                     [value](std::uint8_t x) { return x == value; });
}

TEST(SlotPartOffsetTest, PartsOfSlots) {
  struct Case {
    std::uint32_t slot;
    int kind;
    std::uint64_t offset;
  };
  const Case cases[] = {
      {0, 0, 0},
      {7, 0, 0},
      {0, 1, 0x200000},
      {0, 2, 0x3FFE00},
      {0, 3, 0x3EBE00},
      {2, 2, 8388096},                   // SlotInfo of the last slot of a 3-slot container
      {98, 1, 99ULL * 0x200000},         // last slot of the largest container
      {98, 2, 100ULL * 0x200000 - 512},  // its record ends the 200 MiB file
      {1, 4, 0x400000},                  // unknown kinds give the image
      {1, -1, 0x400000},
      {0xFFFFFFFF, 1, 0x100000000ULL * 0x200000},  // no 32-bit wrap
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetSlotPartOffset(c.slot, c.kind), c.offset) << c.slot << "/" << c.kind;
  }
}

TEST(SlotInfoTest, LayoutNamesAndTime) {
  struct Case {
    std::string name;
    std::string stored;
  };
  const Case cases[] = {
      {"", ""},
      {"Boot", "Boot"},
      {"ABCDEFGHIJKLMNO", "ABCDEFGHIJKLMNO"},      // 15 fits
      {"ABCDEFGHIJKLMNOPQRS", "ABCDEFGHIJKLMNO"},  // cut, terminator kept
  };
  for (const Case& c : cases) {
    std::uint8_t record[kSlotInfoSize];
    std::fill(std::begin(record), std::end(record), 0xEE);
    ASSERT_TRUE(BuildSlotInfo(record, c.name, kTime));
    EXPECT_EQ(record[0], 1);
    EXPECT_EQ(record[1], 0);
    EXPECT_EQ(SlotInfoName(record), c.stored);
    EXPECT_EQ(record[2 + 15], 0) << "name field keeps a terminator";
    EXPECT_TRUE(std::all_of(record + 2 + c.stored.size(), record + 20,
                            [](std::uint8_t x) { return x == 0; }));
    const std::uint8_t time[] = {0xE8, 0x07, 3, 9, 17, 45, 30};  // 2024 little-endian
    EXPECT_TRUE(std::equal(std::begin(time), std::end(time), record + 20));
    EXPECT_TRUE(std::all_of(record + 27, record + 510, [](std::uint8_t x) { return x == 0; }));
    EXPECT_EQ(record[510], 0x4A);
    EXPECT_EQ(record[511], 0x4F);
  }
}

TEST(SlotInfoTest, RenameKeepsTheRestOfTheRecord) {
  std::uint8_t record[kSlotInfoSize];
  ASSERT_TRUE(BuildSlotInfo(record, "A much longer name", kTime));
  ASSERT_TRUE(SetSlotInfoName(record, "Short"));
  EXPECT_EQ(SlotInfoName(record), "Short");
  platform::LocalTime expected = kTime;
  expected.milliseconds = 0;  // not stored
  EXPECT_EQ(SlotInfoTime(record), expected);
  EXPECT_EQ(record[510], 0x4A);
}

TEST(SlotInfoTest, NameWithoutTerminatorStaysInItsField) {
  std::uint8_t record[kSlotInfoSize] = {};
  std::fill(record + 2, record + 30, 'x');  // a damaged record
  EXPECT_EQ(SlotInfoName(record), std::string(16, 'x'));
}

class SlotBlockTest : public testing::TestWithParam<bool> {};

TEST_P(SlotBlockTest, EmptySlotBlockLayout) {
  const bool hd = GetParam();
  const FloppyKind& kind = GetFloppyKind(hd);
  ByteBuffer blank;
  ASSERT_TRUE(FfaLoadTemplate(hd, blank));
  ByteBuffer block;
  ASSERT_EQ(BuildEmptySlotBlock(block, 3, hd, blank, kTime), 0);
  ASSERT_EQ(block.size(), kContainerBlockSize);

  EXPECT_TRUE(std::equal(blank.begin(), blank.end(), block.begin()));
  EXPECT_TRUE(AllBytes(block, kind.imageSize, 0x1EBE00, 0xFF))
      << (0x1EBE00 - kind.imageSize) << " filler bytes";
  // First record: C0 H0 R1, its ID CRC, the data mark, the boot sector's CRC.
  const std::uint8_t* rec = block.data() + 0x1EBE00;
  const std::uint8_t head[] = {0x00, 0x00, 0x01, 0x02, 0xCA, 0x6F, 0xA1, 0xA1, 0xA1, 0xFB};
  EXPECT_TRUE(std::equal(std::begin(head), std::end(head), rec));
  const std::uint8_t mark[] = {0xA1, 0xA1, 0xA1, 0xFB};
  const std::uint16_t bootCrc =
      ComputeSectorCrc(ComputeSectorCrc(0xFFFF, mark, 4), blank.data(), 512);
  EXPECT_EQ(rec[10], bootCrc >> 8);
  EXPECT_EQ(rec[11], bootCrc & 0xFF);
  EXPECT_TRUE(AllBytes(block, 0x1EBE00 + 12, 0x1EBE00 + 16, 0));
  // Entry tails: 224 bytes for HD (from 288), 368 for DD (from 144).
  const std::size_t tail = static_cast<std::size_t>(kind.sectorsPerTrack) * 16;
  EXPECT_EQ(tail, hd ? 288u : 144u);
  for (std::size_t e = 0; e < 160; ++e) {
    const std::size_t entry = 0x1EBE00 + e * 512;
    ASSERT_TRUE(AllBytes(block, entry + tail, entry + 512, 0xFF)) << "entry " << e;
  }
  // A data sector of the blank image (0xF6) has the data CRC 2B F6: the
  // last record of the last track side holds the all-zero final sector, the
  // one before it a 0xF6 sector.
  const std::uint8_t* lastEntry = block.data() + 0x1EBE00 + 159 * 512;
  const std::uint8_t* f6Record = lastEntry + (kind.sectorsPerTrack - 2) * 16;
  EXPECT_EQ(f6Record[10], 0x2B);
  EXPECT_EQ(f6Record[11], 0xF6);

  const std::uint8_t* info = block.data() + 0x1FFE00;
  EXPECT_EQ(SlotInfoName(info), "Empty 3");
  EXPECT_EQ(info[20], 0xE8);
  EXPECT_EQ(info[511], 0x4F);
}

TEST_P(SlotBlockTest, RestampedEmptyBlockEqualsAFreshlyBuiltOne) {
  const bool hd = GetParam();
  ByteBuffer blank;
  ASSERT_TRUE(FfaLoadTemplate(hd, blank));
  ByteBuffer reused;
  ASSERT_EQ(BuildEmptySlotBlock(reused, 1, hd, blank, kTime), 0);
  for (unsigned slot : {2u, 10u, 99u}) {
    ASSERT_EQ(SetSlotNumberInEmptyBlock(reused, slot, kTime), 0);
    ByteBuffer fresh;
    ASSERT_EQ(BuildEmptySlotBlock(fresh, slot, hd, blank, kTime), 0);
    EXPECT_TRUE(reused == fresh) << "slot " << slot;
  }
}

TEST_P(SlotBlockTest, WrongSizesFailAndLeaveTheBlockAlone) {
  const bool hd = GetParam();
  const std::size_t size = FloppyImageSize(hd);
  const std::size_t other = FloppyImageSize(!hd);
  const ByteBuffer untouched(100, 0x5A);
  for (std::size_t length : {std::size_t{0}, size - 1, size + 1, other, std::size_t{4096}}) {
    const ByteBuffer image(length, 0xF6);
    ByteBuffer block = untouched;
    EXPECT_EQ(BuildImageSlotBlock(block, image, "x", hd), DDA_ERR_WRONG_FLOPPY_SIZE) << length;
    EXPECT_EQ(block, untouched);
    EXPECT_EQ(BuildEmptySlotBlock(block, 1, hd, image, kTime), DDA_ERR_WRONG_IMAGE_SIZE) << length;
    EXPECT_EQ(block, untouched);
  }
  ByteBuffer block = untouched;
  EXPECT_EQ(BuildImageSlotBlock(block, nullptr, size, "x", hd), DDA_ERR_WRONG_FLOPPY_SIZE);
  EXPECT_EQ(SetSlotNumberInEmptyBlock(block, 1, kTime), DDA_ERR_WRONG_IMAGE_SIZE);
  EXPECT_EQ(block, untouched);
}

TEST_P(SlotBlockTest, ImageBlockCarriesImageNameAndCurrentTime) {
  const bool hd = GetParam();
  ByteBuffer image(FloppyImageSize(hd));
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i / 512);
  platform::ScopedFixedLocalTime fixed(kTime);
  ByteBuffer block(kContainerBlockSize, 0x00);  // old contents must not survive
  ASSERT_EQ(BuildImageSlotBlock(block, image, "Sixteen chars!!!", hd), 0);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), block.begin()));
  EXPECT_TRUE(AllBytes(block, image.size(), 0x1EBE00, 0xFF));
  const std::uint8_t* info = block.data() + 0x1FFE00;
  EXPECT_EQ(SlotInfoName(info), "Sixteen chars!!");
  EXPECT_EQ(SlotInfoTime(info).minute, 45);
  // The table follows this image, not a blank one: sector 1's data CRC.
  const std::uint8_t mark[] = {0xA1, 0xA1, 0xA1, 0xFB};
  const std::uint16_t crc = ComputeSectorCrc(ComputeSectorCrc(0xFFFF, mark, 4), image.data(), 512);
  EXPECT_EQ(block[0x1EBE00 + 10], crc >> 8);
  EXPECT_EQ(block[0x1EBE00 + 11], crc & 0xFF);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SlotBlockTest, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& param) {
                           return param.param ? "HD" : "DD";
                         });

TEST(MainHeaderTest, FieldsAreLittleEndianAtTheirOffsets) {
  MainHeader h;
  h.SetSignature();
  h.SetMarker1(0x0201);
  h.SetImageCount(0x0403);
  h.SetHighDensity(0x05);
  h.SetFpgaPresent(0x06);
  h.SetMarker2(0x0807);
  h.SetSavedImageCount(0x0A09);
  h.SetFpgaLength(0x0E0D0C0B);
  const std::uint8_t* b = h.Bytes();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b), 16), "DornveldFLPDrive");
  const std::uint8_t tail[] = {5, 6, 7, 8, 9, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E};
  EXPECT_EQ(b[16], 0x01);
  EXPECT_EQ(b[17], 0x02);
  EXPECT_EQ(b[274], 0x03);
  EXPECT_EQ(b[275], 0x04);
  EXPECT_TRUE(std::equal(std::begin(tail), std::end(tail), b + 276));

  const MainHeader copy(b);
  EXPECT_EQ(copy, h);
  EXPECT_EQ(copy.FpgaLength(), 0x0E0D0C0Bu);
  EXPECT_TRUE(copy.IsHighDensity());  // bit 0 of 5
  h.SetHighDensity(2);
  EXPECT_FALSE(h.IsHighDensity());
}

TEST(MainHeaderTest, SignatureDecidesWhatIsAContainer) {
  MainHeader h;
  EXPECT_FALSE(h.HasSignature());
  h.SetSignature();
  EXPECT_TRUE(h.HasSignature());
  h.Bytes()[15] = 'E';  // "DornveldFLPDrivE" differs in case only
  EXPECT_FALSE(h.HasSignature());
  const std::uint8_t* sig = reinterpret_cast<const std::uint8_t*>(kContainerSignature);
  EXPECT_TRUE(HasContainerSignature(sig, 16));
  EXPECT_FALSE(HasContainerSignature(sig, 15));
  EXPECT_FALSE(HasContainerSignature(nullptr, 286));
}

TEST(MainHeaderTest, NamesAreCutAtTheirField) {
  struct Case {
    std::size_t length;
    std::size_t stored;
  };
  for (const Case c : {Case{0, 0}, Case{1, 1}, Case{255, 255}, Case{256, 255}, Case{1000, 255}}) {
    MainHeader h;
    h.SetImageCount(0x1234);
    ASSERT_TRUE(h.SetName(std::string(c.length, 'n')));
    EXPECT_EQ(h.Name(), std::string(c.stored, 'n')) << c.length;
    EXPECT_EQ(h.Bytes()[18 + 255], 0) << "terminator in the last byte of the field";
    EXPECT_EQ(h.ImageCount(), 0x1234) << "the field next to the name is untouched";
  }
}

TEST(MainHeaderBlockTest, NewHeaderBlock) {
  ByteBuffer block(kContainerBlockSize, 0x00);
  ASSERT_EQ(BuildMainHeaderBlock(block, std::string(300, 'N'), true, 3), 0);
  const MainHeader h(block.data());
  EXPECT_TRUE(h.HasSignature());
  EXPECT_EQ(h.Marker1(), 1);
  EXPECT_EQ(h.Name(), std::string(255, 'N'));
  EXPECT_EQ(h.ImageCount(), 3);
  EXPECT_EQ(h.HighDensity(), 1);
  EXPECT_EQ(h.FpgaPresent(), 0);
  EXPECT_EQ(h.Marker2(), 1);
  EXPECT_EQ(h.SavedImageCount(), 0);
  EXPECT_EQ(h.FpgaLength(), 0u);
  EXPECT_TRUE(AllBytes(block, 286, kContainerBlockSize, 0xFF));

  ASSERT_EQ(BuildMainHeaderBlock(block, "", false, 99), 0);
  const MainHeader dd(block.data());
  EXPECT_EQ(dd.HighDensity(), 0);
  EXPECT_EQ(dd.ImageCount(), 99);
  EXPECT_TRUE(AllBytes(block, 18, 18 + 256, 0)) << "no name leaves the field empty";
}

TEST(MainHeaderBlockTest, WrongBlockSizeFailsUntouched) {
  for (std::size_t size :
       {std::size_t{0}, std::size_t{286}, kContainerBlockSize - 1, kContainerBlockSize + 1}) {
    ByteBuffer block(size, 0x12);
    EXPECT_EQ(BuildMainHeaderBlock(block, "x", true, 1), DDA_ERR_WRONG_IMAGE_SIZE) << size;
    EXPECT_EQ(block, ByteBuffer(size, 0x12));
  }
}

// The blocks of a new HD container of three images, laid end to end as the
// file holds them.
TEST(ContainerFileTest, ThreeSlotHdContainer) {
  ByteBuffer blank;
  ASSERT_TRUE(FfaLoadTemplate(true, blank));
  ByteBuffer file;
  ByteBuffer block(kContainerBlockSize);
  ASSERT_EQ(BuildMainHeaderBlock(block, "Line 4", true, 3), 0);
  file.insert(file.end(), block.begin(), block.end());
  ASSERT_EQ(BuildEmptySlotBlock(block, 1, true, blank, kTime), 0);
  for (unsigned slot = 1; slot <= 3; ++slot) {
    ASSERT_EQ(SetSlotNumberInEmptyBlock(block, slot, kTime), 0);
    file.insert(file.end(), block.begin(), block.end());
  }
  ASSERT_EQ(file.size(), 8388608u);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 16), "DornveldFLPDrive");
  for (std::uint32_t slot = 0; slot < 3; ++slot) {
    const std::uint8_t* info = file.data() + GetSlotPartOffset(slot, kSlotPartSlotInfo);
    EXPECT_EQ(SlotInfoName(info), "Empty " + std::to_string(slot + 1));
    EXPECT_EQ(file[GetSlotPartOffset(slot, kSlotPartImage) + 0x26], 0x29) << "template there";
    EXPECT_EQ(file[GetSlotPartOffset(slot, kSlotPartSectorIdTable) + 4], 0xCA);
  }
}

}  // namespace
