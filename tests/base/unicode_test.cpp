// Single code points through UTF-8 and UTF-16, the input both decoders
// refuse, and the lenient conversions of whole texts.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/unicode.h"

namespace {

TEST(Unicode, EveryLengthRoundTrips) {
  for (const std::uint32_t cp :
       {0x41u, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xFFFDu, 0xFFFFu, 0x10000u, 0x1F600u, 0x10FFFFu}) {
    std::string utf8;
    platform::AppendUtf8(utf8, cp);
    std::uint32_t back = 0;
    ASSERT_EQ(platform::DecodeUtf8(utf8, 0, &back), utf8.size()) << std::hex << cp;
    EXPECT_EQ(back, cp);
    std::u16string utf16;
    platform::AppendUtf16(utf16, cp);
    EXPECT_EQ(utf16.size(), cp < 0x10000 ? 1u : 2u);
    back = 0;
    ASSERT_EQ(platform::DecodeUtf16(utf16, 0, &back), utf16.size()) << std::hex << cp;
    EXPECT_EQ(back, cp);
  }
}

TEST(Unicode, BadSequencesAreRefused) {
  std::uint32_t cp = 0;
  for (const char* bad : {"\x80", "\xC3", "\xE2\x82", "\xC3(", "\xC0\xAF", "\xE0\x80\xAF",
                          "\xF0\x80\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"}) {
    EXPECT_EQ(platform::DecodeUtf8(bad, 0, &cp), 0u) << bad;
  }
  // A sequence that runs past the end of the text, though more bytes follow in memory.
  EXPECT_EQ(platform::DecodeUtf8(std::string_view("\xE2\x82\xAC", 2), 0, &cp), 0u);
  for (const std::u16string& bad :
       {std::u16string(u"\xD800"), std::u16string(u"\xDC00\xD800"), std::u16string(u"\xD800x")}) {
    EXPECT_EQ(platform::DecodeUtf16(bad, 0, &cp), 0u);
  }
}

TEST(Utf16, RoundTripsAndReplacesBrokenInput) {
  EXPECT_EQ(Utf8ToUtf16("a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80"), u"a\u00E4\u20AC\U0001F600");
  EXPECT_EQ(Utf16ToUtf8(u"a\u00E4\u20AC\U0001F600"), "a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf8ToUtf16("x\xFFy\xC3"), u"x\uFFFDy\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("\xC0\x80"), u"\uFFFD\uFFFD");  // overlong form
  const char16_t lone[] = {u'a', 0xD800, u'b', 0};
  EXPECT_EQ(Utf16ToUtf8(lone), "a?b");
}

}  // namespace
