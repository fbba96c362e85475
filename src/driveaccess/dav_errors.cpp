#include "driveaccess/dav_errors.h"

#include "base/code_texts.h"

namespace {
constexpr CodeText kTexts[] = {
    {DAV_ERR_DRIVE_WRONG, "DAV-Error: Drive Wrong", "DAV-Fehler: Falsches Laufwerk"},
    {DAV_ERR_FILE_NOT_FOUND, "DAV-Error: File Not Found", "DAV-Fehler: Datei nicht gefunden"},
    {DAV_ERR_NO_FSCTL, "DAV-Error: NtFsControlFile not found",
     "DAV-Fehler: NtFsControlFile nicht gefunden"},
    {DAV_ERR_OPEN_FILE, "DAV-Error: Can't Open File",
     "DAV-Fehler: Datei konnte nicht geöffnet werden"},
    {DAV_ERR_ENUM_CLUSTERS, "DAV-Error: Enumerate Clusters",
     "DAV-Fehler: Beim Ermitteln der Clusterbelegung"},
    {DAV_ERR_UNKNOWN_PARTITION, "DAV-Error: Unknown Partition Type",
     "DAV-Fehler: Unbekannte Partition"},
    {DAV_ERR_NO_DRIVE, "DAV-Error: No Drive", "DAV-Fehler: Kein Laufwerk"},
    {DAV_ERR_NO_RIGHTS, "DAV-Error: No (Administrtor) Rights",
     "DAV-Fehler: Keine (Administrator) Rechte"},
};
}  // namespace

bool DavIsError(int code) {
  return code >= -809 && code <= -800;
}

std::string DavErrorText(int code) {
  return LookupCodeText(kTexts, code, "DAV-Error: Unknown  %d !", "DAV-Fehler: Unbekannt %d !");
}
