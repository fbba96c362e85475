// Whatever system error the POSIX backend turns an errno value into has its
// German text, as German Windows words it.
#include <gtest/gtest.h>

#include <string>

#include "base/current_language.h"
#include "platform/errors.h"

namespace {

TEST(ErrnoTexts, EveryMappedErrnoReadsInGerman) {
  const int previous = CurrentLanguageId();
  for (int err = 1; err < 134; ++err) {
    const std::uint32_t code = platform::ErrorFromErrno(err);
    SetCurrentLanguageId(kLanguageEnglish);
    const std::string english = platform::SystemErrorText(code);
    SetCurrentLanguageId(kLanguageGerman);
    const std::string german = platform::SystemErrorText(code);
    EXPECT_NE(german, english) << code;
    EXPECT_EQ(german.find("Systemfehler"), std::string::npos) << code << " has no text";
  }
  SetCurrentLanguageId(previous);
}

}  // namespace
