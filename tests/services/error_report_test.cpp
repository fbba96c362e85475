// The virtual disk binding's own codes read as texts of their family, in
// both languages, where any code outside every family still reads "Error
// Unknown"; the system's codes in both languages.
#include "services/error_report.h"

#include <gtest/gtest.h>

#include "base/current_language.h"
#include "platform/errors.h"
#include "virtualdrive/virtual_disk.h"

namespace {

class ErrorReportTest : public ::testing::Test {
 protected:
  ~ErrorReportTest() override { SetCurrentLanguageId(previous_); }
  const int previous_ = CurrentLanguageId();
};

TEST_F(ErrorReportTest, VirtualDiskBindingCodesHaveTexts) {
  const struct {
    int code;
    const char* english;
    const char* german;
  } kCases[] = {
      {-601, "VDM-Error: No Virtual Disk Driver", "VDM-Fehler: Kein virtueller Laufwerkstreiber"},
      {-602, "VDM-Error: Driver Function not found", "VDM-Fehler: Treiberfunktion nicht gefunden"},
      {-600, "Error Unknown: -600", "Fehler unbekannt: -600"},
      {-603, "Error Unknown: -603", "Fehler unbekannt: -603"},
  };
  for (const auto& c : kCases) {
    SetCurrentLanguageId(kLanguageEnglish);
    EXPECT_EQ(ResultCodeText(c.code), c.english) << c.code;
    SetCurrentLanguageId(kLanguageGerman);
    EXPECT_EQ(ResultCodeText(c.code), c.german) << c.code;
  }
}

// The system's codes in both languages; a code without a text reads as a
// number.
TEST_F(ErrorReportTest, SystemErrorsReadInGerman) {
  SetCurrentLanguageId(kLanguageGerman);
  // The system's own message table answers where it has one (Windows).
  EXPECT_EQ(ResultCodeText(5), platform::SystemErrorText(5));
  EXPECT_EQ(platform::StandardErrorText(5), "Zugriff verweigert");
  EXPECT_EQ(platform::StandardErrorText(19), "Das Medium ist schreibgeschützt.");
  EXPECT_EQ(ResultCodeText(4711), "Systemfehler 4711.");
  SetCurrentLanguageId(kLanguageEnglish);
  EXPECT_EQ(ResultCodeText(4711), "System error 4711.");
}

TEST_F(ErrorReportTest, TheBindingsLastErrorReadsAsItsCode) {
  // The desktop hands the thread's last error on as a signed result code.
  platform::SetLastError(kVirtualDiskErrorNoEntryPoint);
  SetCurrentLanguageId(kLanguageEnglish);
  EXPECT_EQ(ResultCodeText(static_cast<int>(platform::GetLastError())),
            "VDM-Error: Driver Function not found");
}

}  // namespace
