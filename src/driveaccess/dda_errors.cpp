#include "driveaccess/dda_errors.h"

#include "base/code_texts.h"

namespace {
constexpr CodeText kTexts[] = {
    {DDA_NO_ERROR, "No Error", "Kein Fehler"},
    {DDA_ERR_DRIVE_NOT_OPEN, "DDA-Error: Drive not Open", "DDA-Fehler: Laufwerk nicht geöffnet"},
    {DDA_ERR_READ, "DDA-Error: Read from Drive", "DDA-Fehler: Lesen vom Laufwerk"},
    {DDA_ERR_WRITE, "DDA-Error: Write to Drive", "DDA-Fehler: Schreiben auf das Laufwerk"},
    {DDA_ERR_INVALID_DRIVE, "DDA-Error: Invalid Drive", "DDA-Fehler: Ungültiges Laufwerk"},
    {DDA_ERR_ALREADY_OPEN, "DDA-Error: Drive already Open",
     "DDA-Fehler: Laufwerk bereits geöffnet"},
    {DDA_ERR_OPEN, "DDA-Error: Open Drive", "DDA-Fehler: Laufwerk öffnen"},
    {DDA_ERR_GEOMETRY, "DDA-Error: Get Drive Geometric",
     "DDA-Fehler: Ermitteln von Laufwerksgeometrie"},
    {DDA_ERR_FLUSH, "DDA-Error: Flush Buffer", "DDA-Fehler: Schreibbuffer leeren"},
    {DDA_ERR_SECTOR_SIZE, "DDA-Error: Sector Size not Supported",
     "DDA-Fehler: Sektorgröße nicht unterstützt"},
    {DDA_ABORTED, "DDA-Aborted", "DDA-Abgebrochen"},
    {DDA_ERR_NO_PHYSICAL_NAME, "DDA-Error: No Physical Drive Name",
     "DDA-Fehler: Kein Physikalischer Laufwerksname"},
    {DDA_ERR_DRIVE_INFO, "DDA-Error: Get Drive Information",
     "DDA-Fehler: Ermitteln von Laufwerksinformation"},
    {DDA_ERR_DRIVE_TYPE, "DDA-Error: Drive Type not Supported",
     "DDA-Fehler: Laufwerkstype nicht unterstützt"},
    {DDA_ERR_SET_POSITION, "DDA-Error: Set File Position", "DDA-Fehler: Setzen der Dateiposition"},
    {DDA_ERR_OPEN_FILE, "DDA-Error: Open a File", "DDA-Fehler: Öffnen einer Datei"},
    {DDA_ERR_NO_DRIVE, "DDA-Error: No Drive", "DDA-Fehler: Kein Laufwerk"},
    {DDA_ERR_WRONG_FLOPPY_SIZE, "DDA-Error: Wrong Floppy/Image Size (HD / DD)",
     "DDA-Fehler: Falsche Disketten/Abbild Größe (HD / DD)"},
    {DDA_ERR_NO_IMAGE_SELECTED, "DDA-Error: No Image Selected",
     "DDA-Fehler: Kein Abbild ausgewählt"},
    {DDA_ERR_WRONG_IMAGE_SIZE, "DDA-Error: Wrong Image Size", "DDA-Fehler: Falsche Abbildgröße"},
    {DDA_ERR_FILE_NOT_FOUND, "DDA-Error: File not found", "DDA-Fehler: Datei nicht gefunden"},
    {DDA_ERR_ACCESS_DENIED, "DDA-Error: Access Denied", "DDA-Fehler: Zugriff verweigert"},
};
}  // namespace

bool DdaIsError(int code) {
  return code >= -722 && code <= -700;
}

std::string DdaErrorText(int code) {
  return LookupCodeText(kTexts, code, "DDA-Error: Unknown  %d !", "DDA-Fehler: Unbekannt %d !");
}
