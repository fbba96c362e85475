// The CRC-32 against the format's own check values, and command lines split
// into words the way a shell splits them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/command_words.h"
#include "base/crc32.h"

namespace {
std::uint32_t CrcOf(const std::string& text) {
  return Crc32(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}
}  // namespace

TEST(Crc32Test, MatchesTheStandardCheckValues) {
  EXPECT_EQ(CrcOf("123456789"), 0xCBF43926u);  // the check value of CRC-32/ISO-HDLC
  EXPECT_EQ(CrcOf(""), 0u);
  EXPECT_EQ(CrcOf("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
  // One changed byte anywhere in a floppy-sized buffer changes the sum.
  std::vector<std::uint8_t> image(1474560, 0xF6);
  const std::uint32_t before = Crc32(image.data(), image.size());
  image[1474559] ^= 1;
  EXPECT_NE(Crc32(image.data(), image.size()), before);
}

TEST(CommandWordsTest, SplitsAsAShellSplitsWords) {
  struct Case {
    const char* line;
    std::vector<std::string> words;
  };
  const Case cases[] = {
      {R"("/opt/Image Tool/edit" "/run/user/1000/quillfen/DorFlashImage.img")",
       {"/opt/Image Tool/edit", "/run/user/1000/quillfen/DorFlashImage.img"}},
      {"  plain   words\there  ", {"plain", "words", "here"}},
      {R"('it''s' "a \"b\" \\ \$ \x")", {"its", R"(a "b" \ $ \x)"}},
      {R"(one\ word two)", {"one word", "two"}},
      {R"(x"y z"'w')", {"xy zw"}},
      {R"("" '')", {"", ""}},
      {"$HOME *.img ~", {"$HOME", "*.img", "~"}},
      {"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    std::vector<std::string> words{"stale"};
    EXPECT_TRUE(SplitCommandWords(c.line, words));
    EXPECT_EQ(words, c.words);
  }
  for (const char* unclosed : {R"("/opt/edit)", "'abc", R"("a \")"}) {
    SCOPED_TRACE(unclosed);
    std::vector<std::string> words{"stale"};
    EXPECT_FALSE(SplitCommandWords(unclosed, words));
    EXPECT_TRUE(words.empty());
  }
}
