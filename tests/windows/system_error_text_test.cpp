// Error texts from the system's message table: in the program's language
// and in UTF-8, as every text of the program (the table answers in the ANSI
// code page).
#include <gtest/gtest.h>

#include "base/current_language.h"
#include "platform/errors.h"

namespace {

TEST(WindowsErrorTexts, GermanSystemTextsAreUtf8) {
  const int previous = CurrentLanguageId();
  SetCurrentLanguageId(kLanguageGerman);
  const std::string writeProtected = platform::SystemErrorText(platform::kErrorWriteProtect);
  SetCurrentLanguageId(kLanguageEnglish);
  const std::string english = platform::SystemErrorText(platform::kErrorWriteProtect);
  SetCurrentLanguageId(previous);
  // Windows and Wine word it differently; both say "geschützt".
  EXPECT_NE(writeProtected.find("gesch\xC3\xBCtzt"), std::string::npos) << writeProtected;
  EXPECT_NE(writeProtected, english);
  EXPECT_EQ(writeProtected.find('\r'), std::string::npos);
}

}  // namespace
