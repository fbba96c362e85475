// Message texts of raw access and file placement, the drive kind texts, and
// the product name test that tells a CompactFlash reader.
#include <gtest/gtest.h>

#include <string>

#include "driveaccess/dav_errors.h"
#include "driveaccess/dda_errors.h"
#include "driveaccess/direct_disk_access.h"
#include "driveaccess/drive_info.h"
#include "driveaccess/drive_kind.h"
#include "driveaccess/product_name.h"
#include "fake_drive.h"

namespace {
using ddatest::ScopedLanguage;

struct TextRow {
  int code;
  const char* english;
  const char* german;
};

// Rows where a slip is easy: the odd spellings, umlauts, the unknown rows
// whose blanks differ between the languages.
const TextRow kDdaRows[] = {
    {0, "No Error", "Kein Fehler"},
    {-701, "DDA-Error: Drive not Open", "DDA-Fehler: Laufwerk nicht geöffnet"},
    {-707, "DDA-Error: Get Drive Geometric", "DDA-Fehler: Ermitteln von Laufwerksgeometrie"},
    {-708, "DDA-Error: Flush Buffer", "DDA-Fehler: Schreibbuffer leeren"},
    {-709, "DDA-Error: Sector Size not Supported", "DDA-Fehler: Sektorgröße nicht unterstützt"},
    {-710, "DDA-Aborted", "DDA-Abgebrochen"},
    {-711, "DDA-Error: No Physical Drive Name", "DDA-Fehler: Kein Physikalischer Laufwerksname"},
    {-713, "DDA-Error: Drive Type not Supported", "DDA-Fehler: Laufwerkstype nicht unterstützt"},
    {-715, "DDA-Error: Open a File", "DDA-Fehler: Öffnen einer Datei"},
    {-717, "DDA-Error: Wrong Floppy/Image Size (HD / DD)",
     "DDA-Fehler: Falsche Disketten/Abbild Größe (HD / DD)"},
    {-718, "DDA-Error: No Image Selected", "DDA-Fehler: Kein Abbild ausgewählt"},
    {-721, "DDA-Error: Access Denied", "DDA-Fehler: Zugriff verweigert"},
    {-700, "DDA-Error: Unknown  -700 !", "DDA-Fehler: Unbekannt -700 !"},
    {-722, "DDA-Error: Unknown  -722 !", "DDA-Fehler: Unbekannt -722 !"},
    {-750, "DDA-Error: Unknown  -750 !", "DDA-Fehler: Unbekannt -750 !"},
};

const TextRow kDavRows[] = {
    {-801, "DAV-Error: Drive Wrong", "DAV-Fehler: Falsches Laufwerk"},
    {-803, "DAV-Error: NtFsControlFile not found", "DAV-Fehler: NtFsControlFile nicht gefunden"},
    {-804, "DAV-Error: Can't Open File", "DAV-Fehler: Datei konnte nicht geöffnet werden"},
    {-805, "DAV-Error: Enumerate Clusters", "DAV-Fehler: Beim Ermitteln der Clusterbelegung"},
    {-806, "DAV-Error: Unknown Partition Type", "DAV-Fehler: Unbekannte Partition"},
    {-808, "DAV-Error: No (Administrtor) Rights", "DAV-Fehler: Keine (Administrator) Rechte"},
    {0, "DAV-Error: Unknown  0 !", "DAV-Fehler: Unbekannt 0 !"},
    {-800, "DAV-Error: Unknown  -800 !", "DAV-Fehler: Unbekannt -800 !"},
    {-809, "DAV-Error: Unknown  -809 !", "DAV-Fehler: Unbekannt -809 !"},
};

void ExpectTexts(const TextRow* rows, std::size_t count, std::string (*text)(int)) {
  for (std::size_t i = 0; i < count; ++i) {
    const TextRow& row = rows[i];
    {
      ScopedLanguage english(kLanguageEnglish);
      EXPECT_EQ(text(row.code), row.english) << row.code;
    }
    {
      ScopedLanguage german(kLanguageGerman);
      EXPECT_EQ(text(row.code), row.german) << row.code;
    }
    {
      // Before a language is chosen the texts are English.
      ScopedLanguage none(kLanguageNone);
      EXPECT_EQ(text(row.code), row.english) << row.code;
    }
  }
}

TEST(DriveAccessTexts, DdaTextsInBothLanguages) {
  ExpectTexts(kDdaRows, std::size(kDdaRows), &DdaErrorText);
  ScopedLanguage german(kLanguageGerman);
  EXPECT_EQ(CDirectDiskAccess::DdaErrorText(-705), "DDA-Fehler: Laufwerk bereits geöffnet");
}

TEST(DriveAccessTexts, DavTextsInBothLanguages) {
  ExpectTexts(kDavRows, std::size(kDavRows), &DavErrorText);
}

TEST(DriveAccessTexts, FamilyRangesMeetWithoutOverlap) {
  struct Range {
    bool (*test)(int);
    int low;
    int high;
  };
  const Range ranges[] = {{&DdaIsError, -722, -700}, {&DavIsError, -809, -800}};
  for (const Range& range : ranges) {
    EXPECT_TRUE(range.test(range.low));
    EXPECT_TRUE(range.test(range.high));
    EXPECT_FALSE(range.test(range.low - 1));
    EXPECT_FALSE(range.test(range.high + 1));
    EXPECT_FALSE(range.test(0));
  }
  EXPECT_TRUE(CDirectDiskAccess::DdaIsError(-717));
}

TEST(DriveAccessTexts, KindTextsAndDisplayText) {
  struct KindRow {
    unsigned kind;
    const char* english;
    const char* german;
  };
  const KindRow rows[] = {
      {DRIVE_KIND_REMOVABLE, "Removable Drive", "Wechseldatenträger"},
      {DRIVE_KIND_FLOPPY, "Floppy Drive", "Disketten Laufwerk"},
      {DRIVE_KIND_RAMDISK, "RAM Disk", "RAM Laufwerk"},
      {8, "DriveType Error", "Laufwerkstype Fehler"},  // 8 is no kind
      {DRIVE_KIND_FLOPPY | DRIVE_KIND_REMOVABLE, "DriveType Error", "Laufwerkstype Fehler"},
  };
  for (const KindRow& row : rows) {
    ScopedLanguage english(kLanguageEnglish);
    EXPECT_EQ(GetDriveKindText(row.kind), row.english) << row.kind;
    ScopedLanguage german(kLanguageGerman);
    EXPECT_EQ(GetDriveKindText(row.kind), row.german) << row.kind;
  }

  CDriveInfo record;
  record.kind = DRIVE_KIND_REMOVABLE;
  ScopedLanguage german(kLanguageGerman);
  EXPECT_EQ(record.GetDisplayText(), "Wechseldatenträger");
  record.volumeLabel = "CONTROLLER";
  EXPECT_EQ(record.GetDisplayText(), "CONTROLLER");
}

TEST(ProductName, WholeWordTable) {
  struct Row {
    const char* product;
    bool compactFlash;
  };
  const Row rows[] = {
      {"CF Card", true},
      {"CF-Reader", true},
      {"Generic USB CF", true},
      {"USB2.0 cf/sd Reader", true},
      {"Multi CFC Reader", true},
      {"CompactFlash Reader", true},
      {"Internal COMPACTFLASH", true},
      {"CFast Card", false},
      {"SDCF Reader", false},
      {"CFCARD", false},
      {"CF1 Reader", false},
      {"MyCompactFlash", false},
      {"Flash Disk", false},
      {"", false},
      // The first occurrence is inside a word; a later one counts.
      {"SDCF / CF", true},
      {"CFast CF", true},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(IsCompactFlashProductName(row.product), row.compactFlash) << row.product;
  }
  // Non-ASCII letters do not join a word.
  EXPECT_TRUE(
      ContainsWholeWord("\xC3\xA4"
                        "CF\xC3\xA4",
                        "CF"));
  EXPECT_FALSE(ContainsWholeWord("C", "CF"));
}

}  // namespace
