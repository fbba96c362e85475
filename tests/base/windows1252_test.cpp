// Windows-1252 at the boundary between the card's bytes and UTF-8 text.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/windows1252.h"

namespace {

TEST(Windows1252, EveryByteComesBackUnchanged) {
  for (int byte = 1; byte < 256; ++byte) {
    const std::string stored(1, static_cast<char>(byte));
    std::string back;
    ASSERT_TRUE(Utf8ToWindows1252(Windows1252ToUtf8(stored), &back)) << byte;
    EXPECT_EQ(back, stored) << byte;
  }
}

TEST(Windows1252, BytesAndTheirCharacters) {
  struct Case {
    const char* stored;
    const char* text;
  };
  const Case cases[] = {
      {"Gr\xF6\xDF"
       "e",
       "Größe"},
      {"\x80"
       "uro",
       "€uro"},
      {"\x9F\x8A\x99", "ŸŠ™"},
      {"\xA0\xFF", "\u00A0ÿ"},
      {"\x81\x9D", "\u0081\u009D"},  // unassigned: the control of that number
      {"plain ASCII ~", "plain ASCII ~"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Windows1252ToUtf8(c.stored), c.text);
    std::string stored;
    ASSERT_TRUE(Utf8ToWindows1252(c.text, &stored)) << c.text;
    EXPECT_EQ(stored, c.stored);
  }
}

TEST(Windows1252, CharactersWithoutAByteAreRefused) {
  struct Case {
    const char* text;
    std::uint32_t unmapped;
  };
  const Case cases[] = {
      {"\xCE\xA9mega", 0x3A9},    // Greek capital omega
      {"a\xE4\xB8\xAD", 0x4E2D},  // a CJK character after an ASCII one
      {"\xF0\x9F\x98\x80", 0x1F600},
      {"\xC2\x80", 0x80},  // a C1 control whose byte stands for the euro sign
      {"\xC2\x9B", 0x9B},
      {"Gr\xF6\xDF"
       "e",
       0xFFFD},  // Latin-1 bytes are no UTF-8
      {"cut \xC3", 0xFFFD},
  };
  for (const Case& c : cases) {
    std::string stored = "untouched";
    std::uint32_t unmapped = 0;
    EXPECT_FALSE(Utf8ToWindows1252(c.text, &stored, &unmapped)) << c.text;
    EXPECT_EQ(unmapped, c.unmapped) << c.text;
    EXPECT_EQ(stored, "untouched");
  }
}

}  // namespace
