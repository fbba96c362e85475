#include "driveaccess/hex_lines.h"

#include <gtest/gtest.h>

namespace {

TEST(HexLines, OffsetBytesAndCharacters) {
  const std::uint8_t bytes[16] = {0xEB, 0x3C, 0x90, 'M',  'S',  'D',  'O',  'S',
                                  '5',  '.',  '0',  0x00, 0x02, 0x7E, 0x7F, 0x20};
  EXPECT_EQ(FormatHexLine(0x7E00, bytes, 16),
            "00007E00  EB 3C 90 4D 53 44 4F 53 35 2E 30 00 02 7E 7F 20  .<.MSDOS5.0..~. ");
}

TEST(HexLines, ShortLastLineKeepsTheCharacterColumn) {
  const std::uint8_t bytes[3] = {'a', 'b', 'c'};
  const std::string full(FormatHexLine(0, bytes, 3));
  EXPECT_EQ(full.find("abc"), std::string("00000000  ").size() + 16 * 3 + 1);
  EXPECT_EQ(full.size(), full.find("abc") + 3);
}

TEST(HexLines, OffsetWidthGrowsPastFourGigabytes) {
  EXPECT_EQ(HexOffsetDigits(0), 8);
  EXPECT_EQ(HexOffsetDigits(0xFFFFFFFF), 8);
  EXPECT_EQ(HexOffsetDigits(0x100000000), 9);
  const std::uint8_t byte = 0x41;
  EXPECT_EQ(FormatHexLine(0x1FFFFFFFE00, &byte, 1, HexOffsetDigits(0x1FFFFFFFE00)).substr(0, 12),
            "1FFFFFFFE00 ");
  EXPECT_EQ(FormatHexLine(0x10, &byte, 1, 10).substr(0, 11), "0000000010 ");
}

}  // namespace
