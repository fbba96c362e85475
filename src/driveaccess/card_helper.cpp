#include "driveaccess/card_helper.h"

#include <cinttypes>
#include <cstdio>
#include <vector>

#include "base/current_language.h"
#include "driveaccess/direct_disk_access.h"

namespace {
constexpr std::uint32_t kSectorSize = 512;
constexpr std::uint32_t kReadBytes = kCardHelperSectorsPerRead * kSectorSize;  // 2,048

std::string SectorCountLine(std::uint64_t total) {
  char text[96];
  std::snprintf(
      text, sizeof text,
      Localized("Sector Count: %" PRIu64 "\r\n", "Anzahl der Sektoren: %" PRIu64 "\r\n").c_str(),
      total);
  return text;
}

std::string ReadSectorLine(std::uint64_t sector, std::uint64_t total) {
  char text[96];
  std::snprintf(
      text, sizeof text,
      Localized("Read Sector %" PRIu64 " / %" PRIu64, "Lese Sektor %" PRIu64 " / %" PRIu64).c_str(),
      sector, total);
  return text;
}

std::string ErrorLine(const CDirectDiskAccess& disk, int code) {
  char text[256];
  std::snprintf(text, sizeof text,
                Localized("Error: %s, LastError=%u", "Fehler: %s, Windows LastError=%u").c_str(),
                CDirectDiskAccess::DdaErrorText(code).c_str(),
                static_cast<unsigned>(disk.LastSystemError()));
  return text;
}

// Opens the card and checks that it uses 512-byte sectors; the geometry goes
// to *geometry. False (and the device closed) otherwise.
bool OpenCard(CDirectDiskAccess& disk, char letter, bool forWriting, DriveGeometry* geometry) {
  if (disk.Open(letter, forWriting) != DDA_NO_ERROR) return false;
  if (disk.GetGeometry(*geometry) != DDA_NO_ERROR || geometry->bytesPerSector != kSectorSize) {
    disk.CloseAfterReading();
    return false;
  }
  disk.SetSectorSize(kSectorSize);
  return true;
}
}  // namespace

void CardHelperReadTest(char letter, ICardHelperDisplay& display) {
  CDirectDiskAccess disk;
  DriveGeometry geometry;
  if (!OpenCard(disk, letter, false, &geometry)) return;
  const std::uint64_t total = geometry.totalSectors;
  const std::string header = SectorCountLine(total);
  // The line is made only when it is shown: the sector it names is enough.
  std::uint64_t lineSector = 0;
  bool lineMade = false;
  std::string result;
  std::vector<std::uint8_t> buffer(kReadBytes);
  int code = disk.SetPosition(0);
  if (code != DDA_NO_ERROR) result = ErrorLine(disk, code);
  for (std::uint64_t sector = 0; result.empty() && sector < total;) {
    if (display.CancelRequested()) {
      result = Localized("Canceled", "Abgebrochen");
      break;
    }
    sector += kCardHelperSectorsPerRead;
    lineSector = sector;
    lineMade = true;
    if (sector % kCardHelperShowEvery == 0)
      display.ShowText(header + ReadSectorLine(sector, total));
    // The last group may reach past the end of the card; the device decides.
    code = disk.Read(buffer.data(), kReadBytes, kReadBytes);
    if (code != DDA_NO_ERROR) result = ErrorLine(disk, code);
  }
  if (result.empty()) result = Localized("Finished", "Fertig");
  const std::string line = lineMade ? ReadSectorLine(lineSector, total) : std::string();
  display.ShowText(header + line + "\r\n" + result);
  disk.CloseAfterReading();
}

void CardHelperFormatFlash(char letter, ICardHelperDisplay& display) {
  CDirectDiskAccess disk;
  DriveGeometry geometry;
  if (!OpenCard(disk, letter, true, &geometry)) return;
  const std::vector<std::uint8_t> zeros(kCardHelperFormatBytes, 0);
  int code = disk.SetPosition(0);
  if (code == DDA_NO_ERROR) code = disk.Write(zeros.data(), zeros.size(), kCardHelperFormatBytes);
  // The zeros count as written only once they are flushed to the card; a
  // failed write keeps its own error (the device closes when disk goes).
  if (code == DDA_NO_ERROR) code = disk.Close();
  if (code == DDA_NO_ERROR) {
    display.ShowText(Localized("Finished", "Fertig"));
  } else {
    display.ShowText(Localized("FormatFlash\r\n", "Formatiere Speicher\r\n") +
                     ErrorLine(disk, code));
  }
}

bool CardHelperCardBytes(char letter, std::uint64_t* bytes) {
  CDirectDiskAccess disk;
  DriveGeometry geometry;
  if (!OpenCard(disk, letter, false, &geometry)) return false;
  *bytes = geometry.totalSectors * kSectorSize;
  disk.CloseAfterReading();
  return true;
}
