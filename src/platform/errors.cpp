#include "platform/errors.h"

#include <cstdio>
#include <mutex>
#include <string>

#include "base/current_language.h"

namespace platform {
namespace {
thread_local std::uint32_t t_lastError = kErrorSuccess;
std::mutex g_mountedElsewhereMutex;
std::string g_mountedElsewhereFolder;

struct ErrorText {
  std::uint32_t code;
  const char* english;
  const char* german;
};

// Texts as the Windows system message table words them, in English and as
// German Windows has them.
constexpr ErrorText kTexts[] = {
    {kErrorSuccess, "The operation completed successfully.",
     "Der Vorgang wurde erfolgreich beendet."},
    {kErrorInvalidFunction, "Incorrect function.", "Unzulässige Funktion."},
    {kErrorFileNotFound, "The system cannot find the file specified.",
     "Das System kann die angegebene Datei nicht finden."},
    {kErrorPathNotFound, "The system cannot find the path specified.",
     "Das System kann den angegebenen Pfad nicht finden."},
    {kErrorTooManyOpenFiles, "The system cannot open the file.",
     "Das System kann die Datei nicht öffnen."},
    {kErrorAccessDenied, "Access is denied.", "Zugriff verweigert"},
    {kErrorInvalidHandle, "The handle is invalid.", "Das Handle ist ungültig."},
    {kErrorNotEnoughMemory, "Not enough memory resources are available to process this command.",
     "Nicht genügend Speicher verfügbar, um diesen Befehl auszuführen."},
    {kErrorBadFormat, "An attempt was made to load a program with an incorrect format.",
     "Es wurde versucht, ein Programm mit einem falschen Format zu laden."},
    {kErrorInvalidData, "The data is invalid.", "Die Daten sind unzulässig."},
    {kErrorInvalidDrive, "The system cannot find the drive specified.",
     "Das System kann das angegebene Laufwerk nicht finden."},
    {kErrorNoMoreFiles, "There are no more files.", "Es sind keine weiteren Dateien vorhanden."},
    {kErrorWriteProtect, "The media is write protected.", "Das Medium ist schreibgeschützt."},
    {kErrorNotReady, "The device is not ready.", "Das Gerät ist nicht bereit."},
    {kErrorCrc, "Data error (cyclic redundancy check).", "Datenfehler (CRC-Prüfung)."},
    {kErrorSectorNotFound, "The drive cannot find the sector requested.",
     "Das Laufwerk kann den angeforderten Sektor nicht finden."},
    {kErrorWriteFault, "The system cannot write to the specified device.",
     "Das System kann nicht auf das angegebene Gerät schreiben."},
    {kErrorReadFault, "The system cannot read from the specified device.",
     "Das System kann nicht von dem angegebenen Gerät lesen."},
    {kErrorGenFailure, "A device attached to the system is not functioning.",
     "Ein an das System angeschlossenes Gerät funktioniert nicht."},
    {kErrorSharingViolation,
     "The process cannot access the file because it is being used by another process.",
     "Der Prozess kann nicht auf die Datei zugreifen, da sie von einem anderen Prozess verwendet "
     "wird."},
    {kErrorLockViolation,
     "The process cannot access the file because another process has locked a portion of the file.",
     "Der Prozess kann nicht auf die Datei zugreifen, da ein anderer Prozess einen Teil der Datei "
     "gesperrt hat."},
    {kErrorHandleEof, "Reached the end of the file.", "Das Ende der Datei wurde erreicht."},
    {kErrorHandleDiskFull, "The disk is full.", "Der Datenträger ist voll."},
    {kErrorNotSupported, "The request is not supported.",
     "Die Anforderung wird nicht unterstützt."},
    {kErrorFileExists, "The file exists.", "Die Datei ist vorhanden."},
    {kErrorInvalidParameter, "The parameter is incorrect.", "Falscher Parameter."},
    {kErrorBrokenPipe, "The pipe has been ended.", "Die Pipe wurde beendet."},
    {kErrorDiskFull, "There is not enough space on the disk.",
     "Nicht genügend Speicherplatz auf dem Datenträger."},
    {kErrorCallNotImplemented, "This function is not supported on this system.",
     "Diese Funktion wird auf diesem System nicht unterstützt."},
    {kErrorInsufficientBuffer, "The data area passed to a system call is too small.",
     "Der an einen Systemaufruf übergebene Datenbereich ist zu klein."},
    {kErrorInvalidName, "The filename, directory name, or volume label syntax is incorrect.",
     "Die Syntax für den Dateinamen, Verzeichnisnamen oder die Datenträgerbezeichnung ist falsch."},
    {kErrorModNotFound, "The specified module could not be found.",
     "Das angegebene Modul wurde nicht gefunden."},
    {kErrorProcNotFound, "The specified procedure could not be found.",
     "Die angegebene Prozedur wurde nicht gefunden."},
    {kErrorNegativeSeek,
     "An attempt was made to move the file pointer before the beginning of the file.",
     "Es wurde versucht, den Dateizeiger vor den Anfang der Datei zu setzen."},
    {kErrorDirNotEmpty, "The directory is not empty.", "Das Verzeichnis ist nicht leer."},
    {kErrorBusy, "The requested resource is in use.",
     "Die angeforderte Ressource wird bereits verwendet."},
    {kErrorAlreadyExists, "Cannot create a file when that file already exists.",
     "Eine Datei kann nicht erstellt werden, wenn sie bereits vorhanden ist."},
    {kErrorFilenameExcedRange, "The filename or extension is too long.",
     "Der Dateiname oder die Erweiterung ist zu lang."},
    {kErrorBadFileType, "The file type being saved or retrieved has been blocked.",
     "Der Dateityp, der gespeichert oder abgerufen wird, wurde blockiert."},
    {kErrorFileTooLarge, "The file size exceeds the limit allowed and cannot be saved.",
     "Die Dateigröße überschreitet die zulässige Grenze und kann nicht gespeichert werden."},
    {kErrorMoreData, "More data is available.", "Weitere Daten sind verfügbar."},
    {kErrorDirectory, "The directory name is invalid.", "Der Verzeichnisname ist ungültig."},
    {kErrorFileSystemLimitation,
     "The requested operation could not be completed due to a file system limitation.",
     "Der angeforderte Vorgang konnte aufgrund einer Einschränkung des Dateisystems nicht "
     "abgeschlossen werden."},
    {kErrorNoMediaInDrive, "There is no media in the drive.",
     "Es befindet sich kein Medium im Laufwerk."},
    {kErrorNoUnicodeTranslation,
     "No mapping for the Unicode character exists in the target multi-byte code page.",
     "Für das Unicode-Zeichen ist keine Zuordnung in der Mehrbyte-Zielcodepage vorhanden."},
    {kErrorIoDevice, "The request could not be performed because of an I/O device error.",
     "Die Anforderung konnte wegen eines E/A-Gerätefehlers nicht ausgeführt werden."},
    {kErrorDeviceNotConnected, "The device is not connected.",
     "Das Gerät ist nicht angeschlossen."},
    {kErrorNotFound, "Element not found.", "Element nicht gefunden."},
    {kErrorCancelled, "The operation was canceled by the user.",
     "Der Vorgang wurde vom Benutzer abgebrochen."},
    {kErrorFileCorrupt, "The file or directory is corrupted and unreadable.",
     "Die Datei oder das Verzeichnis ist beschädigt und nicht lesbar."},
    {kErrorDiskCorrupt, "The disk structure is corrupted and unreadable.",
     "Die Datenträgerstruktur ist beschädigt und nicht lesbar."},
    {kErrorUnrecognizedMedia, "The disk media is not recognized. It may not be formatted.",
     "Das Datenträgermedium wurde nicht erkannt. Es ist möglicherweise nicht formatiert."},
};
}  // namespace

std::uint32_t GetLastError() {
  return t_lastError;
}

void SetLastError(std::uint32_t code) {
  t_lastError = code;
}

void NoteMountedElsewhere(const std::string& folder) {
  std::lock_guard<std::mutex> lock(g_mountedElsewhereMutex);
  g_mountedElsewhereFolder = folder;
}

std::string StandardErrorText(std::uint32_t code) {
  if (code == kErrorMountedElsewhere) {
    std::lock_guard<std::mutex> lock(g_mountedElsewhereMutex);
    return Localized("The card's volume is mounted at ", "Das Volume der Karte ist unter ") +
           g_mountedElsewhereFolder +
           Localized(" by another program; unmount it first.",
                     " von einem anderen Programm eingehängt; bitte zuerst aushängen.");
  }
  for (const ErrorText& entry : kTexts) {
    if (entry.code == code) return Localized(entry.english, entry.german);
  }
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, Localized("System error %u.", "Systemfehler %u.").c_str(),
                code);
  return buffer;
}

}  // namespace platform
