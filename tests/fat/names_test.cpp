// Short names as Windows makes them, long-name checksums, name rules.
#include <gtest/gtest.h>

#include <set>

#include "fat/dir_entry.h"
#include "fat/names.h"

namespace {

fat::ShortName Field(const char* eleven) {
  fat::ShortName n;
  for (std::size_t i = 0; i < 11; ++i) n[i] = static_cast<std::uint8_t>(eleven[i]);
  return n;
}

std::u16string Wide(const std::string& utf8) {
  std::u16string out;
  EXPECT_TRUE(fat::Utf8ToUtf16(utf8, &out)) << utf8;
  return out;
}

TEST(Names, ShortNamesForNewEntries) {
  const struct {
    const char* longName;
    const char* taken;  // existing short names, 11 characters each, concatenated
    const char* shortName;
    bool needsLongName;
  } cases[] = {
      {"DornveldFLP", "", "DORNVE~1   ", true},
      {"DornveldCIF.dfp", "", "DORNVE~1DFP", true},
      {"DornveldCIF.dfp", "DORNVE~1DFP", "DORNVE~2DFP", true},
      {"AUTORUN.INF", "", "AUTORUN INF", false},
      {"readme.txt", "", "README  TXT", true},
      {"readme.txt", "README  TXT", "README~1TXT", true},
      {"a.b.c", "", "AB~1    C  ", true},
      {"  .hidden", "", "HIDDEN~1   ", true},
      {"name with blanks.jpeg", "", "NAMEWI~1JPE", true},
      {"plus+sign", "", "PLUS_S~1   ", true},
      {"Ünïcode.txt", "", "_N_COD~1TXT", true},
      {"x", "", "X          ", true},
  };
  for (const auto& c : cases) {
    std::set<std::string> taken;
    for (const char* p = c.taken; *p; p += 11) taken.insert(std::string(p, 11));
    fat::ShortName out;
    bool needsLong = false;
    const fat::Status s = fat::MakeShortName(
        Wide(c.longName),
        [&](const fat::ShortName& n) { return taken.count(std::string(n.begin(), n.end())) != 0; },
        &out, &needsLong);
    ASSERT_TRUE(s.ok()) << c.longName;
    EXPECT_EQ(std::string(out.begin(), out.end()), c.shortName) << c.longName;
    EXPECT_EQ(needsLong, c.needsLongName) << c.longName;
  }
}

TEST(Names, NumericTailsShortenTheBasis) {
  std::set<std::string> taken;
  auto isTaken = [&](const fat::ShortName& n) {
    return taken.count(std::string(n.begin(), n.end())) != 0;
  };
  fat::ShortName out;
  bool needsLong = false;
  for (int i = 1; i <= 12; ++i) {
    ASSERT_TRUE(fat::MakeShortName(u"Long file name.txt", isTaken, &out, &needsLong).ok());
    taken.insert(std::string(out.begin(), out.end()));
  }
  EXPECT_TRUE(taken.count("LONGFI~9TXT"));
  EXPECT_TRUE(taken.count("LONGF~10TXT"));
  EXPECT_TRUE(taken.count("LONGF~12TXT"));
}

TEST(Names, ChecksumOfKnownShortNames) {
  // Values taken from long-name entries that mcopy and mmd wrote.
  EXPECT_EQ(fat::ShortNameChecksum(Field("DORNVE~1   ")), 0x68);
  EXPECT_EQ(fat::ShortNameChecksum(Field("DORNVE~1DFP")), 0x74);
  // The long-name entries of a name carry the checksum and end in 0x0000 then 0xFFFF.
  const auto entries = fat::MakeLongNameEntries(u"DornveldCIF.dfp", 0x74);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0][0], 0x42);
  EXPECT_EQ(entries[1][0], 0x01);
  EXPECT_EQ(entries[0][13], 0x74);
  EXPECT_EQ(entries[0][11], 0x0F);
  char16_t units[13];
  fat::LongNameUnits(entries[0].data(), units);
  EXPECT_EQ(units[0], u'f');
  EXPECT_EQ(units[1], u'p');
  EXPECT_EQ(units[2], 0);
  EXPECT_EQ(units[3], 0xFFFF);
}

TEST(Names, LongNameRules) {
  std::u16string out;
  EXPECT_TRUE(fat::CleanLongName(u"name. . ", &out).ok());
  EXPECT_EQ(out, u"name");
  for (const char16_t* bad :
       {u"", u"...", u"a:b", u"a*b", u"a?b", u"a<b", u"a|b", u"a\"b", u"tab\there"}) {
    EXPECT_EQ(fat::CleanLongName(bad, &out).error, fat::Error::kInvalidName);
  }
  EXPECT_EQ(fat::CleanLongName(std::u16string(256, u'a'), &out).error, fat::Error::kInvalidName);
  EXPECT_TRUE(fat::CleanLongName(std::u16string(255, u'a'), &out).ok());
}

TEST(Names, CaseInsensitiveAndUtf8) {
  EXPECT_TRUE(fat::NamesEqual(u"DornveldFLP", u"DORNVELDflp"));
  EXPECT_TRUE(fat::NamesEqual(Wide("ärger"), Wide("ÄRGER")));
  EXPECT_FALSE(fat::NamesEqual(u"abc", u"abd"));
  std::u16string wide;
  EXPECT_FALSE(fat::Utf8ToUtf16("\xC3", &wide));
  EXPECT_FALSE(fat::Utf8ToUtf16("\xFF", &wide));
  // Overlong forms would smuggle '/' or NUL into a name.
  EXPECT_FALSE(
      fat::Utf8ToUtf16("a\xC0\xAF"
                       "b",
                       &wide));
  EXPECT_FALSE(fat::Utf8ToUtf16("\xC0\x80", &wide));
  EXPECT_EQ(fat::Utf16ToUtf8(Wide("Grüße 😀")), "Grüße 😀");
}

TEST(Names, ShortNameDisplayAndLabels) {
  EXPECT_EQ(fat::ShortNameToString(Field("README  TXT")), "README.TXT");
  EXPECT_EQ(fat::ShortNameToString(Field("README  TXT"), 0x18), "readme.txt");
  EXPECT_EQ(fat::ShortNameToString(Field("MAKEFILE   "), 0x08), "makefile");
  EXPECT_EQ(fat::ShortNameToString(Field("\x05"
                                         "ABC    TXT")),
            "\xC3\xA5"
            "ABC.TXT");
  fat::ShortName label;
  ASSERT_TRUE(fat::MakeLabelField("my card", &label).ok());
  EXPECT_EQ(std::string(label.begin(), label.end()), "MY CARD    ");
  EXPECT_FALSE(fat::MakeLabelField("twelve chars", &label).ok());
  EXPECT_FALSE(fat::MakeLabelField("a.b", &label).ok());
  EXPECT_FALSE(fat::MakeLabelField(" lead", &label).ok());
}

}  // namespace
