// The container store's messages in both languages and its code range.
#include <gtest/gtest.h>

#include "base/current_language.h"
#include "container/ffa_errors.h"
#include "container/write_verify.h"

namespace {

TEST(FfaErrorTextTest, EveryCodeInBothLanguages) {
  struct Case {
    int code;
    const char* english;
    const char* german;
  };
  const Case cases[] = {
      {-201, "FFA-Error: Too Many Images", "FFA-Fehler: Zu viele Abbilder"},
      {-202, "FFA-Error: Too Less Images", "FFA-Fehler: Zu wenige Abbilder"},
      {-203, "FFA-Error: Can't set FileAttribte",
       "FFA-Fehler: Datei Attribut kann nicht gestetzt werden"},
      {-204, "FFA-Error: Can't Delete File", "FFA-Fehler: Kann Datei nicht löschen"},
      {-205, "FFA-Error: File not found", "FFA-Fehler: Datei nicht gefunden"},
      {-206, "FFA-Error: Can't Create File", "FFA-Fehler: Kann Datei nicht erstellen"},
      {-207, "FFA-Error: Write to File", "FFA-Fehler: Schreiben in Datei"},
      {-208, "FFA-Error: Too Less Free Space", "FFA-Fehler: Zuwenig freier Speicherplatz"},
      {-209, "FFA-Error: DCF is Fragmented", "FFA-Fehler: DCD ist fragmentiert"},
      {-210, "FFA-Error: Startsector out of 4 Bytes Range",
       "FFA-Fehler: Start Sektor ausserhalb der 4 Byte Grenze"},
      {-211, "FFA-Error: No Dornveld Header Signature", "FFA-Fehler: Keine Dornveld Signatur"},
      {-212, "FFA-Error: Can't Open File", "FFA-Fehler: Kann Datei nicht öffnen"},
      {-213, "FFA-Error: The card did not keep what was written: sector 8 differs",
       "FFA-Fehler: Die Karte hat nicht behalten, was geschrieben wurde: Sektor 8 weicht ab"},
      {-200, "FFA-Error: Unknown  -200 !", "FFA-Fehler: Unbekannt  -200 !"},
      {0, "FFA-Error: Unknown  0 !", "FFA-Fehler: Unbekannt  0 !"},
      {-719, "FFA-Error: Unknown  -719 !", "FFA-Fehler: Unbekannt  -719 !"},
      {-2147483647 - 1, "FFA-Error: Unknown  -2147483648 !",
       "FFA-Fehler: Unbekannt  -2147483648 !"},
  };
  // Language 2 alone is German; none chosen and any other id are English.
  struct Language {
    int id;
    bool german;
  };
  const Language languages[] = {
      {kLanguageNone, false}, {kLanguageEnglish, false}, {kLanguageGerman, true}, {7, false}};
  FfaVerifyFailedAtCardSector(8);
  for (const Language& language : languages) {
    SetCurrentLanguageId(language.id);
    for (const Case& c : cases) {
      EXPECT_EQ(FfaErrorText(c.code), language.german ? c.german : c.english)
          << "language " << language.id << ", code " << c.code;
    }
  }
  SetCurrentLanguageId(kLanguageNone);
}

TEST(FfaErrorTextTest, RangeOfTheFamily) {
  for (int code = -213; code <= -200; ++code) EXPECT_TRUE(FfaIsError(code)) << code;
  for (const int code : {-214, -199, 0, 1223, -700, -800, -2147483647 - 1}) {
    EXPECT_FALSE(FfaIsError(code)) << code;
  }
}

}  // namespace
