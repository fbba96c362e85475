#include "services/language_tables.h"

namespace {

// clang-format off
constexpr LanguageTextEntry kControlTexts[] = {
    // Dialog captions, keyed by the dialog template id.
    {100, "About Quillfen", "Info über Quillfen"},
    {102, "Quillfen", "Quillfen"},
    {135, "Select Drive", "Laufwerk wählen"},
    {137, "Show Hex Data", "Hexadezimal Daten anzeigen"},
    {146, "FPGA Update", "FPGA Update"},
    {148, "CF Helper", "CF Helper"},
    {150, "Create / Resize Dornveld Container File", "Dornveld Container Datei erzeugen"},
    {151, "Application Settings", "Programmeinstellungen"},
    {155, "Check Card", "Karte prüfen"},
    // Button 2 of any dialog.
    {2, "&Close", "&Schließen"},
    // Main dialog.
    {1104, "Removeable Drives", "&Wechseldatenträger"},
    {1132, "Size", "Größe"},
    {1133, "Filesystem", "Dateisystem"},
    {1125, "Dornveld Container File (DCF) ", "Dornveld Container Datei (DCD) "},
    {1128, "Container Filename", "Container Dateiname"},
    {1130, "Type", "Typ"},
    {1129, "Container &Name", "Container &Name"},
    {1122, "Create DCF", "DCD &erzeugen"},
    {1123, "Make DCF Usable", "DCD &verwendbar machen"},
    {1124, "Erase DCF", "DCD &löschen"},
    {1120, "Test CF", "Test CF"},
    {1121, "&FPGA Update", "&FPGA Update"},
    {1131, "N&ame", "N&ame"},
    // About box.
    {1700, "Quillfen", "Quillfen"},
    // Drive selection.
    {142, "&Select", "&Auswahl"},
    // Sector hex viewer.
    {1508, "Sector", "Sektor"},
    {1509, "Count", "Anzahl"},
    // FPGA update.
    {1505, "&Filename", "&Dateiname"},
    {1503, "Write To DCF", "In DCD schreiben"},
    {1504, "Clear FPGA Update", "FPGA Update löschen"},
    // Card helper.
    {1800, "Read RAW Sector", "Lese RAW Sektor"},
    {1802, "&Cancel", "&Abbruch"},
    {1803, "Format FLASH", "Formatiere FLASH"},
    // Container creation.
    {1208, "&Image Count", "&Anzahl der Abbilder"},
    {1209, "&Container Name", "&Container Name"},
    {1204, "Create DC&F", "DC&D erzeugen"},
    {1205, "Copy Program to Flash", "Programm auf den Flash Speicher kopieren"},
    {1206, "Create autorun.inf", "autorun.inf Datei erzeugen"},
    // Container creation: a rebuild that keeps the images.
    {1210, "&Keep the images", "Abbilder &behalten"},
    // Application settings.
    {1603, "External Image Editing Software", "Externes Abbildbearbeitungsprogramm"},
    {1606, "External Programm", "Externes Programm"},
    {1600, "&Show All Removable Drives", "&Alle Wechseldatenträger anzeigen"},
    {2007, "&Expert Mode", "&Expertenmodus"},
    {2006, "&Save", "&Speichern"},
    {2009, "Open Explorer after &Mount Image Disk", "Öffne den Explorer nach de&m Einbinden der Abbilddatei."},
    {1607, "&Verify What Is Written to the Card", "Auf die Karte Geschriebenes &prüfen"},
    // Card check.
    {1952, "&Repair", "&Reparieren"},
    // System menu of the main dialog, keyed by command id.
    {1136, "&Application Settings", "&Programmeinstellungen"},
    {1137, "Register .DFP &Extension", "R&egistrieren von .DFP Dateiendung"},
    {1138, "A&bout", "&Info..."},
    {57670, "&Help\tF1", "&Hilfe\tF1"},
    {61472, "Mi&nimize", "Mi&nimieren"},
    {61488, "Ma&ximize", "Ma&ximieren"},
    {61536, "&Close\tALT F4", "&Schließen\tALT F4"},
    {61728, "&Restore", "&Wiederherstellen"},
    {61456, "&Move", "&Verschieben"},
    {61440, "Resi&ze", "&Größe verändern"},
    {1142, "&Language", "S&prache"},
    {1140, "English / Englisch", "English / Englisch"},
    {1141, "German / Deutsch", "German / Deutsch"},
    // Card images as drives, in the same menu.
    {1147, "Attach &Card Image...", "&Kartenabbild einbinden..."},
    {1148, "&Detach Card Image", "Kartenabbild &lösen"},
    {1149, "Attach Fl&oppy Image...", "Diskettenabbild ein&binden..."},
    {1150, "Detach Floppy &Image", "Diskettenabbild l&ösen"},
    {1151, "E&xport All Images...", "Alle Abbilder e&xportieren..."},
    {1152, "I&mport Images...", "Abbilder i&mportieren..."},
    {1155, "Chec&k Card...", "Karte prü&fen..."},
};

constexpr LanguageTextEntry kTooltipTexts[] = {
    {2, "<TextBlock>Close this Window</TextBlock>", "<TextBlock> Fenster schließen</TextBlock>"},
    {1100, "<TextBlock> Select a Compact Flash Drive</TextBlock>", "<TextBlock> Compact Flash Laufwerk auswählen</TextBlock>"},
    {1102, "<TextBlock> Complete Compact Flash Size</TextBlock>", "<TextBlock> Compact Flash Größe</TextBlock>"},
    {1103, "<TextBlock> Compact Flash File System</TextBlock>", "<TextBlock> Compact Flash Dateisystem</TextBlock>"},
    {1117, "<TextBlock> Dornveld Container Filename</TextBlock>", "<TextBlock> Dornveld Container Dateiname</TextBlock>"},
    {1115, "<TextBlock> Compact Flash Floppy Drive Type&#10;Double/High Density</TextBlock>", "<TextBlock> Compact Flash Diskettenlaufwerktyp&#10;Double/High Density</TextBlock>"},
    {1134, "<TextBlock> Dornveld Container Name</TextBlock>", "<TextBlock> Dornveld Container Name</TextBlock>"},
    {1105, "<TextBlock> Save <Bold>Container Name</Bold></TextBlock>", "<TextBlock> <Bold>Containername</Bold> speichern</TextBlock>"},
    {1122, "<TextBlock> Create a <Bold>( Dornveld Container File )</Bold></TextBlock>", "<TextBlock> <Bold>Dornveld Container Datei</Bold> erzeugen</TextBlock>"},
    {1123, "<TextBlock> Make <Bold>Compact Flash</Bold> usable for <Bold>Dornveld Compact Flash Drive</Bold> (Set Start-Sector)</TextBlock>", "<TextBlock> <Bold>Compact Flash</Bold> für <Bold>Dornveld Compact Flash Laufwerk</Bold> nutzbar machen (Start-Sektor Eintrag setzen)</TextBlock>"},
    {1124, "<TextBlock> Erase all necessary components for <Bold>Dornveld Compact Flash Drive</Bold></TextBlock>", "<TextBlock> Löscht alle nötigen Komponenten für <Bold>Dornveld Compact Flash Laufwerk</Bold></TextBlock>"},
    {1127, "<TextBlock> Gray: Not current FPGA Update in DCF&#10; Green: FPGA Update in DCF</TextBlock>", "<TextBlock> Grau: Kein aktuelles FPGA Update in der Dornveld Container Datei&#10; Grün: FPGA Update in der Dornveld Container Datei vorhanden</TextBlock>"},
    {1121, "<TextBlock> Store FPGA Update File into the DCF Main-Header</TextBlock>", "<TextBlock> FPGA Update Datei in die Dornveld Container Datei speichern</TextBlock>"},
    {1126, "<TextBlock> Show Current State for the DCF ( Dornveld Container File )&#10; For Defrag we recommend the free tool <Bold>HDiskDefrag </Bold>.&#10; <Bold>Set Start-Sector</Bold> is needed for the <Bold>Dornveld Compact Flash Drive</Bold>.</TextBlock>", "<TextBlock> Aktueller Status der Dornveld Container Datei&#10; Zum Defragmentieren empfehlen wir das kostenlose Programm <Bold>HDiskDefrag </Bold>.&#10; <Bold>Start-Sektor setzen</Bold> wird benötigt, um die Compact Flash für das <Bold>Dornveld Compact Flash Laufwerk </Bold> nutzbar zu machen.</TextBlock>"},
    {1101, "<TextBlock> All Image Entry(s)</TextBlock>", "<TextBlock> Alle Compact Flash Abbilder</TextBlock>"},
    {1112, "<TextBlock> Name of a Image Entry</TextBlock>", "<TextBlock> Name eines Compact Flash Abbildeintrages</TextBlock>"},
    {1113, "<TextBlock> Write <Bold>Image Entry Name</Bold></TextBlock>", "<TextBlock> <Bold>Abbildname</Bold> speichern</TextBlock>"},
    {1106, "<TextBlock> Copy <Bold>Floppy</Bold> to <Bold>Compact Flash</Bold></TextBlock>", "<TextBlock> <Bold>Diskette</Bold> auf <Bold>Compact Flash</Bold> kopieren</TextBlock>"},
    {1108, "<TextBlock> Copy <Bold>Floppy</Bold> to <Bold>Image File</Bold></TextBlock>", "<TextBlock> <Bold>Diskette</Bold> auf <Bold>Abbilddatei</Bold> kopieren</TextBlock>"},
    {1107, "<TextBlock> Copy <Bold>Image File</Bold> to <Bold>Compact Flash Abbild</Bold></TextBlock>", "<TextBlock> <Bold>Abbilddatei</Bold> auf <Bold>Compact Flash</Bold> kopieren</TextBlock>"},
    {1111, "<TextBlock> Copy <Bold>Image File</Bold> to <Bold>Floppy</Bold></TextBlock>", "<TextBlock> <Bold>Abbilddatei</Bold> auf <Bold>Diskette</Bold> kopieren</TextBlock>"},
    {1109, "<TextBlock> Copy <Bold>Compact Flash</Bold> to <Bold>Floppy</Bold></TextBlock>", "<TextBlock> <Bold>Compact Flash</Bold> auf <Bold>Diskette</Bold> kopieren</TextBlock>"},
    {1110, "<TextBlock> Copy <Bold>Compact Flash</Bold> to <Bold>Image File</Bold></TextBlock>", "<TextBlock> <Bold>Compact Flash</Bold> auf <Bold>Abbilddatei</Bold> kopieren</TextBlock>"},
    {1116, "<TextBlock> Edit <Bold>Compact Flash Image</Bold> with external Tool &#10;( e.g. <Bold>WinImage </Bold> from " QUILLFEN_IMAGE_TOOL_ADDRESS " )</TextBlock>", "<TextBlock><Bold>Compact Flash Abbild</Bold> mit einem externen Programm bearbeiten&#10;( z.Bsp <Bold>WinImage </Bold> von " QUILLFEN_IMAGE_TOOL_ADDRESS " )</TextBlock>"},
    {1146, "<TextBlock> <Bold>Run</Bold> external program &#10;( e.g. <Bold>imdisk.cpl</Bold> )</TextBlock>", "<TextBlock>Das externe Program <Bold>starten</Bold>&#10;( z.Bsp <Bold>imdisk.cpl</Bold> )</TextBlock>"},
    {1114, "<TextBlock> Hex-View <Bold>Compact Flash Image</Bold></TextBlock>", "<TextBlock> Hexadezimal Anzeige <Bold>Compact Flash Abbild </Bold></TextBlock>"},
    {1118, "<TextBlock> Hex-View <Bold>Compact Flash</Bold></TextBlock>", "<TextBlock> Hexadezimal Anzeige <Bold>Compact Flash </Bold></TextBlock>"},
    {1119, "<TextBlock> Hex-View <Bold>Floppy</Bold></TextBlock>", "<TextBlock> Hexadezimal Anzeige <Bold>Diskette </Bold></TextBlock>"},
    {1143, "<TextBlock> Save <Bold>Compact Flash</Bold> to Image File</TextBlock>", "<TextBlock> <Bold>Compact Flash </Bold> in Abbilddatei kopieren</TextBlock>"},
    {1120, "<TextBlock> Test CF</TextBlock>", "<TextBlock> Test CF</TextBlock>"},
    {1136, "<TextBlock>Application Settings</TextBlock>", "<TextBlock>Programm Einstellungen</TextBlock>"},
    {1137, "<TextBlock>Register the DFP file extenstion</TextBlock>", "<TextBlock>registriert die DFP Dateiendung</TextBlock>"},
    {1138, "<TextBlock>About this program</TextBlock>", "<TextBlock>Info über dieses Programm</TextBlock>"},
    {1140, "<TextBlock>Change Language to Engish</TextBlock>", "<TextBlock>Wechselt die Sprache ins englische</TextBlock>"},
    {1141, "<TextBlock>Change Language to German</TextBlock>", "<TextBlock>Wechselt die Sprache ins deutsche</TextBlock>"},
    {57670, "<TextBlock>The Help of this Application</TextBlock>", "<TextBlock>Hilfe für dieses Programm</TextBlock>"},
    {2008, "<TextBlock>Information about Virtual Disk &#10; You can use the installer from the Compact Flash or from Download ZIP file&#10; or you can it download from <Bold>" QUILLFEN_VIRTUAL_DISK_DOWNLOAD_ADDRESS "</Bold> (use double click)</TextBlock>", "<TextBlock>Information über Virtual Disk &#10; Sie können das Installationsprogramm von der Compact Flash Karte verwenden oder aus der Download ZIP Datei&#10; oder Sie können es von Internetseite  <Bold>" QUILLFEN_VIRTUAL_DISK_DOWNLOAD_ADDRESS "</Bold> downloaden (Doppelklick)</TextBlock>"},
    {1144, "<TextBlock>Mount the selected <Bold>Image Entry</Bold> as a virtual drive</TextBlock>", "<TextBlock>Bindet die <Bold>Abbilddatei</Bold> in das Virtuelle Laufwerk ein</TextBlock>"},
    {1952, "<TextBlock> <Bold>Repair</Bold> what is the container's own</TextBlock>", "<TextBlock> Was zum Container gehört <Bold>reparieren</Bold></TextBlock>"},
    {1145, "<TextBlock>Unmount the <Bold>Image Entry</Bold> from the virtual drive</TextBlock>", "<TextBlock>Löst die Verbindung der <Bold>Abbilddatei</Bold> zum virtuellen Laufwerk</TextBlock>"},
};
// clang-format on

}  // namespace

std::span<const LanguageTextEntry> ControlTextTable() {
  return kControlTexts;
}
std::span<const LanguageTextEntry> TooltipTextTable() {
  return kTooltipTexts;
}
