// The CRC and the sector identifier table, checked against a bit-by-bit CRC
// written here independently of the table-driven one.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "container/container_layout.h"
#include "container/floppy_kind.h"
#include "container/sector_crc.h"
#include "container/sector_id_table.h"
#include "driveaccess/dda_error_codes.h"

namespace {

std::uint16_t BitwiseCrc(std::uint16_t crc, const std::vector<std::uint8_t>& bytes) {
  for (std::uint8_t b : bytes) {
    crc = static_cast<std::uint16_t>(crc ^ (b << 8));
    for (int i = 0; i < 8; ++i) {
      crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
  }
  return crc;
}

std::uint16_t Crc(const std::vector<std::uint8_t>& bytes) {
  return ComputeSectorCrc(kSectorCrcInitial, bytes.data(), bytes.size());
}

// An image whose every sector differs, so a record that takes the wrong
// sector's data shows up.
std::vector<std::uint8_t> PatternImage(std::size_t size) {
  std::vector<std::uint8_t> image(size);
  std::mt19937 random(1234);
  for (auto& b : image) b = static_cast<std::uint8_t>(random());
  return image;
}

TEST(SectorCrcTest, KnownValues) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    std::uint16_t crc;
  };
  const std::vector<std::uint8_t> f6(512, 0xF6);
  std::vector<std::uint8_t> dataField = {0xA1, 0xA1, 0xA1, 0xFB};
  dataField.insert(dataField.end(), f6.begin(), f6.end());
  const Case cases[] = {
      {{}, 0xFFFF},
      {{'1', '2', '3', '4', '5', '6', '7', '8', '9'}, 0x29B1},     // CRC-16/CCITT-FALSE check
      {{0xA1, 0xA1, 0xA1, 0xFE, 0x00, 0x00, 0x01, 0x02}, 0xCA6F},  // ID field of C0 H0 R1
      {dataField, 0x2BF6},                                         // data field of a 0xF6 sector
  };
  for (const Case& c : cases) EXPECT_EQ(Crc(c.bytes), c.crc) << c.bytes.size() << " bytes";
}

TEST(SectorCrcTest, MatchesBitwiseCrcForEveryLengthAndSplit) {
  const std::vector<std::uint8_t> data = PatternImage(70);
  for (std::size_t length = 0; length <= data.size(); ++length) {
    const std::vector<std::uint8_t> piece(data.begin(), data.begin() + length);
    const std::uint16_t expected = BitwiseCrc(0xFFFF, piece);
    ASSERT_EQ(Crc(piece), expected) << "length " << length;
    // Continued over two pieces it must give the same as over the whole.
    for (std::size_t split = 0; split <= length; split += 3) {
      const std::uint16_t first = ComputeSectorCrc(0xFFFF, piece.data(), split);
      ASSERT_EQ(ComputeSectorCrc(first, piece.data() + split, length - split), expected)
          << "length " << length << " split " << split;
    }
  }
}

class SectorIdTableTest : public testing::TestWithParam<bool> {};

TEST_P(SectorIdTableTest, EveryRecordDescribesItsSector) {
  const bool hd = GetParam();
  const FloppyKind& kind = GetFloppyKind(hd);
  const std::vector<std::uint8_t> image = PatternImage(kind.imageSize);
  std::vector<std::uint8_t> table(kSectorIdTableSize, 0xFF);
  ASSERT_EQ(BuildSectorIdTable(table.data(), table.size(), image.data(), image.size(), hd), 0);

  const std::size_t recordBytes = static_cast<std::size_t>(kind.sectorsPerTrack) * 16;
  for (int c = 0; c < 80; ++c) {
    for (int h = 0; h < 2; ++h) {
      const std::uint8_t* entry = table.data() + static_cast<std::size_t>(c * 2 + h) * 512;
      for (int r = 1; r <= kind.sectorsPerTrack; ++r) {
        const std::uint8_t* rec = entry + (r - 1) * 16;
        const auto cc = static_cast<std::uint8_t>(c), hh = static_cast<std::uint8_t>(h),
                   rr = static_cast<std::uint8_t>(r);
        const std::uint16_t idCrc = BitwiseCrc(0xFFFF, {0xA1, 0xA1, 0xA1, 0xFE, cc, hh, rr, 2});
        std::vector<std::uint8_t> field = {0xA1, 0xA1, 0xA1, 0xFB};
        const std::size_t offset = ((c * 2 + h) * kind.sectorsPerTrack + r - 1) * 512;
        field.insert(field.end(), image.begin() + static_cast<std::ptrdiff_t>(offset),
                     image.begin() + static_cast<std::ptrdiff_t>(offset + 512));
        const std::uint16_t dataCrc = BitwiseCrc(0xFFFF, field);
        const std::vector<std::uint8_t> expected = {cc,
                                                    hh,
                                                    rr,
                                                    2,
                                                    static_cast<std::uint8_t>(idCrc >> 8),
                                                    static_cast<std::uint8_t>(idCrc),
                                                    0xA1,
                                                    0xA1,
                                                    0xA1,
                                                    0xFB,
                                                    static_cast<std::uint8_t>(dataCrc >> 8),
                                                    static_cast<std::uint8_t>(dataCrc),
                                                    0,
                                                    0,
                                                    0,
                                                    0};
        ASSERT_EQ(std::vector<std::uint8_t>(rec, rec + 16), expected)
            << "c " << c << " h " << h << " r " << r;
      }
      for (std::size_t i = recordBytes; i < 512; ++i) {
        ASSERT_EQ(entry[i], 0xFF) << "c " << c << " h " << h << " byte " << i;
      }
    }
  }
}

TEST_P(SectorIdTableTest, ShortInputsFailWithoutTouchingTheTable) {
  const bool hd = GetParam();
  const std::size_t imageSize = FloppyImageSize(hd);
  const std::vector<std::uint8_t> image(imageSize, 0xF6);
  std::vector<std::uint8_t> table(kSectorIdTableSize, 0x55);
  EXPECT_EQ(BuildSectorIdTable(table.data(), table.size(), image.data(), imageSize - 1, hd),
            DDA_ERR_WRONG_IMAGE_SIZE);
  EXPECT_EQ(BuildSectorIdTable(table.data(), table.size() - 1, image.data(), imageSize, hd),
            DDA_ERR_WRONG_IMAGE_SIZE);
  EXPECT_EQ(BuildSectorIdTable(table.data(), table.size(), nullptr, imageSize, hd),
            DDA_ERR_WRONG_IMAGE_SIZE);
  EXPECT_EQ(table, std::vector<std::uint8_t>(kSectorIdTableSize, 0x55));
}

INSTANTIATE_TEST_SUITE_P(Kinds, SectorIdTableTest, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& param) {
                           return param.param ? "HD" : "DD";
                         });

}  // namespace
