#include "cli/cli_output.h"

#include "base/current_language.h"
#include "base/unicode.h"
#include "base/windows1252.h"
#include "services/error_report.h"

namespace {
constexpr char kUsageEnglish[] =
    "Usage: quillfen-cli [OPTIONS] COMMAND [ARGS]\n"
    "\n"
    "CARD is a drive letter (E or E:), the device node of a drive (/dev/sdb1, or /dev/sdb\n"
    "for the one drive on that disk) or a card image file; SLOT counts from 1.\n"
    "\n"
    "Commands:\n"
    "  drives                              list the drives: device node, reader, mount folder\n"
    "  state CARD                          the card's state and its container\n"
    "  create CARD --count N [--dd] [--name TEXT] [--any-disk]\n"
    "                                      make a new container of N images (HD unless --dd)\n"
    "  delete CARD [--any-disk]            delete the container\n"
    "  erase CARD [--any-disk]             delete the container, its folder, autorun.inf and\n"
    "                                      the program copy, and clear the start sector\n"
    "  make-usable CARD [--any-disk]       record the container's start sector\n"
    "  rename CARD TEXT                    rename the container\n"
    "  slots CARD [--contents]             list the slots (with --contents also what each\n"
    "                                      image holds: kind, label, files, folders, bytes\n"
    "                                      used and free, description)\n"
    "  slot-name CARD SLOT TEXT            rename a slot\n"
    "  read-slot CARD SLOT FILE [--block]  save a slot's image (or whole block) to FILE\n"
    "  write-slot CARD SLOT FILE [--name TEXT]\n"
    "                                      write an image file into a slot\n"
    "  export CARD FOLDER                  save every slot's image as NN-<name>.img in\n"
    "                                      FOLDER, with index.txt\n"
    "  import CARD FOLDER                  write FOLDER's image files into the slots (by\n"
    "                                      index.txt, NN- prefix or name order)\n"
    "  ls CARD SLOT [PATH]                 list a folder inside a slot's image\n"
    "  get CARD SLOT PATH FILE             copy the file PATH out of a slot's image to FILE\n"
    "  fpga CARD FILE | fpga CARD --clear  store or clear the FPGA update\n"
    "  check CARD [--repair] [--any-disk]  list what is wrong on the card, one finding a line;\n"
    "                                      --repair mends what is the container's own\n"
    "  resize CARD --count N [--any-disk]  make the container anew with N images, keeping the\n"
    "                                      first images\n"
    "  defragment CARD [--any-disk]        make the container anew in one piece, keeping\n"
    "                                      every image\n"
    "  restore CARD FOLDER [--any-disk]    write back the images a failed rebuild kept in\n"
    "                                      FOLDER\n"
    "  dump CARD FILE                      copy the whole card into FILE\n"
    "  hex CARD START COUNT                show COUNT sectors from START in hex\n"
    "  new-card-image FILE --size BYTES [--fat 12|16|32] [--start SECTOR] [--label TEXT]\n"
    "                 [--no-mbr]           make a blank card image (BYTES may end in K, M, G)\n"
    "  demo                                run the demo on the built-in card image\n"
    "\n"
    "create, delete, erase, make-usable, check --repair, resize, defragment and restore\n"
    "write only to removable drives (and image files); --any-disk lets them write to\n"
    "any other drive, a fixed disk too.\n"
    "\n"
    "Options:\n"
    "  --lang en|de  language of every text\n"
    "  --no-verify   do not read back what a command writes to the card\n"
    "  --help        show this text\n"
    "  --version     show the version\n"
    "\n"
    "Exit status: 0 success, 1 the operation failed (check: findings), 2 usage error.\n";

constexpr char kUsageGerman[] =
    "Aufruf: quillfen-cli [OPTIONEN] BEFEHL [ARGUMENTE]\n"
    "\n"
    "KARTE ist ein Laufwerksbuchstabe (E oder E:), der Geräteknoten eines Laufwerks (/dev/sdb1,\n"
    "oder /dev/sdb für das eine Laufwerk dieser Platte) oder eine Kartenabbilddatei; PLATZ zählt\n"
    "ab 1.\n"
    "\n"
    "Befehle:\n"
    "  drives                              Laufwerke: Geräteknoten, Leser, Einhängeort\n"
    "  state KARTE                         Zustand der Karte und ihres Containers\n"
    "  create KARTE --count N [--dd] [--name TEXT] [--any-disk]\n"
    "                                      neuen Container mit N Abbildern anlegen (HD ohne --dd)\n"
    "  delete KARTE [--any-disk]           Container löschen\n"
    "  erase KARTE [--any-disk]            Container, Ordner, autorun.inf und Programmkopie\n"
    "                                      löschen, Start-Sektor zurücksetzen\n"
    "  make-usable KARTE [--any-disk]      Start-Sektor des Containers eintragen\n"
    "  rename KARTE TEXT                   Container umbenennen\n"
    "  slots KARTE [--contents]            Plätze auflisten (mit --contents auch, was jedes\n"
    "                                      Abbild enthält: Art, Bezeichnung, Dateien, Ordner,\n"
    "                                      belegte und freie Bytes, Beschreibung)\n"
    "  slot-name KARTE PLATZ TEXT          Platz umbenennen\n"
    "  read-slot KARTE PLATZ DATEI [--block]\n"
    "                                      Abbild (oder ganzen Block) eines Platzes speichern\n"
    "  write-slot KARTE PLATZ DATEI [--name TEXT]\n"
    "                                      Abbilddatei in einen Platz schreiben\n"
    "  export KARTE ORDNER                 Abbild jedes Platzes als NN-<Name>.img in ORDNER\n"
    "                                      speichern, mit index.txt\n"
    "  import KARTE ORDNER                 Abbilddateien aus ORDNER in die Plätze schreiben\n"
    "                                      (nach index.txt, NN- Vorsilbe oder Namen)\n"
    "  ls KARTE PLATZ [PFAD]               einen Ordner im Abbild eines Platzes auflisten\n"
    "  get KARTE PLATZ PFAD DATEI          die Datei PFAD aus dem Abbild eines Platzes in DATEI\n"
    "                                      kopieren\n"
    "  fpga KARTE DATEI | fpga KARTE --clear\n"
    "                                      FPGA Update speichern oder löschen\n"
    "  check KARTE [--repair] [--any-disk] auflisten, was auf der Karte nicht stimmt, ein\n"
    "                                      Befund je Zeile; --repair behebt, was den\n"
    "                                      Container selbst betrifft\n"
    "  resize KARTE --count N [--any-disk] Container mit N Abbildern neu anlegen, die\n"
    "                                      ersten Abbilder bleiben erhalten\n"
    "  defragment KARTE [--any-disk]       Container in einem Stück neu anlegen, alle\n"
    "                                      Abbilder bleiben erhalten\n"
    "  restore KARTE ORDNER [--any-disk]   die Abbilder zurückschreiben, die ein\n"
    "                                      gescheiterter Neuaufbau in ORDNER aufbewahrt hat\n"
    "  dump KARTE DATEI                    ganze Karte in DATEI kopieren\n"
    "  hex KARTE START ANZAHL              ANZAHL Sektoren ab START hexadezimal zeigen\n"
    "  new-card-image DATEI --size BYTES [--fat 12|16|32] [--start SEKTOR] [--label TEXT]\n"
    "                 [--no-mbr]           leeres Kartenabbild anlegen (BYTES mit K, M, G)\n"
    "  demo                                Demo auf dem eingebauten Kartenabbild\n"
    "\n"
    "create, delete, erase, make-usable, check --repair, resize, defragment und restore\n"
    "schreiben nur auf Wechseldatenträger (und Abbilddateien); mit --any-disk auch auf\n"
    "jedes andere Laufwerk, auch eine Festplatte.\n"
    "\n"
    "Optionen:\n"
    "  --lang en|de  Sprache aller Texte\n"
    "  --no-verify   Geschriebenes nicht von der Karte zurücklesen\n"
    "  --help        diesen Text zeigen\n"
    "  --version     Version zeigen\n"
    "\n"
    "Rückgabewert: 0 Erfolg, 1 Vorgang fehlgeschlagen (check: Befunde), 2 falscher Aufruf.\n";
}  // namespace

int ReportResult(int code) {
  if (code == 0) return kExitOk;
  const std::string text = ResultCodeText(code);
  if (!text.empty()) std::fprintf(stderr, "%s\n", text.c_str());
  return kExitFailed;
}

int Failure(const std::string& message) {
  std::fprintf(stderr, "quillfen-cli: %s\n", message.c_str());
  return kExitFailed;
}

int NotARegularFile(const std::string& path) {
  return Failure(path + Localized(": not a regular file (a device or a pipe)",
                                  ": keine gewöhnliche Datei (ein Gerät oder eine Pipe)"));
}

bool CheckNameArgument(const std::string& name) {
  std::string stored;
  std::uint32_t unmapped = 0;
  if (Utf8ToWindows1252(name, &stored, &unmapped)) return true;
  char number[16];
  std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(unmapped));
  std::string character;
  platform::AppendUtf8(character, unmapped);
  Failure(Localized("name '", "Name '") + name +
          Localized("': the card stores names in Windows-1252, which has no '",
                    "': die Karte speichert Namen in Windows-1252, das kein '") +
          character + "' (" + number + Localized(")", ") kennt"));
  return false;
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "quillfen-cli: %s\n\n", message.c_str());
  PrintUsage(stderr);
  return kExitUsage;
}

void PrintUsage(std::FILE* out) {
  std::fputs(IsGermanLanguage() ? kUsageGerman : kUsageEnglish, out);
}

void PrintVersion(std::FILE* out) {
  std::fputs("quillfen-cli 01.02.018 (Build: 90)\n", out);
}
