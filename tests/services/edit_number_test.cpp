#include "services/edit_number.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

TEST(EditNumber, ReadsEveryPrefix) {
  struct Case {
    const char* text;
    std::int64_t value;
  };
  const Case cases[] = {
      {"0", 0},
      {"63", 63},
      {"  63", 63},
      {"63  ", 63},
      {"+63", 63},
      {"-1", -1},
      {"007", 7},
      {"0x3F", 63},
      {"0X3f", 63},
      {"x3F", 63},
      {"X10", 16},
      {"16#3F", 63},
      {"16#ff", 255},
      {"b111111", 63},
      {"B1", 1},
      {"2#111111", 63},
      {"-0x10", -16},
      {" +b10", 2},
      {"4294967295", 4294967295},
      {"0xFFFFFFFF", 4294967295},
      {"-4294967295", -4294967295},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckEditNumber(c.text), EditNumberState::kNumber) << c.text;
    EXPECT_EQ(ParseEditNumber(c.text), std::optional<std::int64_t>(c.value)) << c.text;
  }
}

// What a user may be in the middle of typing is not refused yet; what no
// further typing can mend is.
TEST(EditNumber, TellsIncompleteFromGarbage) {
  for (const char* text : {"", "   ", "-", "+", "0x", "x", "16#", "2#", "b", " -0x"}) {
    EXPECT_EQ(CheckEditNumber(text), EditNumberState::kIncomplete) << '"' << text << '"';
    EXPECT_FALSE(ParseEditNumber(text)) << text;
    EXPECT_EQ(ReadEditNumber(text), std::optional<std::int64_t>(0)) << text;  // Enter reads 0
  }
  for (const char* text : {"abc", "12z", "0x1G", "b102", "2#2", "1 2", "- 5", "0x 5", "--1", "0b1",
                           "4294967296", "0x100000000", "x-1", "1.5", "\t1"}) {
    EXPECT_EQ(CheckEditNumber(text), EditNumberState::kInvalid) << '"' << text << '"';
    EXPECT_FALSE(ParseEditNumber(text)) << text;
    EXPECT_FALSE(ReadEditNumber(text)) << text;
  }
}

}  // namespace
