#include "services/mnemonic_text.h"

#include <gtest/gtest.h>

TEST(MnemonicText, RemovesMarksAndKeepsDoubledAmpersands) {
  EXPECT_EQ(StripMnemonic("&Save"), "Save");
  EXPECT_EQ(StripMnemonic("N&ame"), "Name");
  EXPECT_EQ(StripMnemonic("Salt && Pepper"), "Salt & Pepper");
  EXPECT_EQ(StripMnemonic("&&&Close"), "&Close");
  EXPECT_EQ(StripMnemonic("end&"), "end");
  EXPECT_EQ(StripMnemonic("&Schlie\xC3\x9F"
                          "en"),
            "Schlie\xC3\x9F"
            "en");
}
