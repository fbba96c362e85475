#include "container/ffa_errors.h"

#include "base/code_texts.h"
#include "container/write_verify.h"

namespace {
constexpr CodeText kTexts[] = {
    {FFA_ERR_TOO_MANY_IMAGES, "FFA-Error: Too Many Images", "FFA-Fehler: Zu viele Abbilder"},
    {FFA_ERR_TOO_FEW_IMAGES, "FFA-Error: Too Less Images", "FFA-Fehler: Zu wenige Abbilder"},
    {FFA_ERR_SET_ATTRIBUTES, "FFA-Error: Can't set FileAttribte",
     "FFA-Fehler: Datei Attribut kann nicht gestetzt werden"},
    {FFA_ERR_DELETE, "FFA-Error: Can't Delete File", "FFA-Fehler: Kann Datei nicht löschen"},
    {FFA_ERR_NOT_FOUND, "FFA-Error: File not found", "FFA-Fehler: Datei nicht gefunden"},
    {FFA_ERR_CREATE, "FFA-Error: Can't Create File", "FFA-Fehler: Kann Datei nicht erstellen"},
    {FFA_ERR_WRITE, "FFA-Error: Write to File", "FFA-Fehler: Schreiben in Datei"},
    {FFA_ERR_FREE_SPACE, "FFA-Error: Too Less Free Space",
     "FFA-Fehler: Zuwenig freier Speicherplatz"},
    {FFA_ERR_FRAGMENTED, "FFA-Error: DCF is Fragmented", "FFA-Fehler: DCD ist fragmentiert"},
    {FFA_ERR_START_SECTOR_RANGE, "FFA-Error: Startsector out of 4 Bytes Range",
     "FFA-Fehler: Start Sektor ausserhalb der 4 Byte Grenze"},
    {FFA_ERR_NO_SIGNATURE, "FFA-Error: No Dornveld Header Signature",
     "FFA-Fehler: Keine Dornveld Signatur"},
    {FFA_ERR_OPEN, "FFA-Error: Can't Open File", "FFA-Fehler: Kann Datei nicht öffnen"},
};
}  // namespace

bool FfaIsError(int code) {
  return code >= -213 && code <= -200;
}

std::string FfaErrorText(int code) {
  if (code == FFA_ERR_VERIFY) return FfaVerifyErrorText();
  return LookupCodeText(kTexts, code, "FFA-Error: Unknown  %d !", "FFA-Fehler: Unbekannt  %d !");
}
