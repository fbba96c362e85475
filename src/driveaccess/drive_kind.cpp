#include "driveaccess/drive_kind.h"

#include "base/current_language.h"

namespace {
struct KindText {
  unsigned kind;
  const char* english;
  const char* german;
};

constexpr KindText kKindTexts[] = {
    {DRIVE_KIND_UNKNOWN, "Unknown Drive", "Unbekanntes Laufwerk"},
    {DRIVE_KIND_FLOPPY, "Floppy Drive", "Disketten Laufwerk"},
    {DRIVE_KIND_HARDDISK, "Harddisk Drive", "Festplatten Laufwerk"},
    {DRIVE_KIND_CDROM, "CD-ROM Drive", "CD-ROM Laufwerk"},
    {DRIVE_KIND_CDRW, "CD-RW Drive", "CD-RW Laufwerk"},
    {DRIVE_KIND_REMOVABLE, "Removable Drive", "Wechseldatenträger"},
    {DRIVE_KIND_NETWORK, "Network Drive", "Netzwerk Laufwerk"},
    {DRIVE_KIND_RAMDISK, "RAM Disk", "RAM Laufwerk"},
};
}  // namespace

std::string GetDriveKindText(unsigned kind) {
  for (const KindText& entry : kKindTexts) {
    if (entry.kind == kind) return Localized(entry.english, entry.german);
  }
  return Localized("DriveType Error", "Laufwerkstype Fehler");
}
