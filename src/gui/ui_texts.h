// Texts of the windows that the language tables do not hold: column
// headers, names for assistive tools, titles. Each is held in English and
// German side by side and picked when it is shown.
#pragma once

#include <QString>

#include <vector>

namespace gui {

struct UiText {
  const char* english;
  const char* german;
  // The text of the current language.
  QString Get() const;
};

inline constexpr UiText kTextDriveColumn{"Drive", "Laufwerk"};
inline constexpr UiText kTextLabelColumn{"Label", "Bezeichnung"};
inline constexpr UiText kTextDriveListName{"Drives", "Laufwerke"};
inline constexpr UiText kTextReadProgress{"Read [PERCENT]", "Lesen [PERCENT]"};
inline constexpr UiText kTextHexStatusName{"Read status", "Lesestatus"};
inline constexpr UiText kTextHexDataName{"Sector data", "Sektordaten"};
inline constexpr UiText kTextBrowseImageSoftware{"Browse for the external image editing software",
                                                 "Externes Abbildbearbeitungsprogramm suchen"};
inline constexpr UiText kTextBrowseProgram{"Browse for the external program",
                                           "Externes Programm suchen"};
inline constexpr UiText kTextApplicationIcon{"Quillfen icon", "Quillfen Symbol"};
inline constexpr UiText kTextAboutLine{"Prepares CompactFlash cards for floppy drive controllers",
                                       "Bereitet CompactFlash Karten für Diskettencontroller vor"};
inline constexpr UiText kTextHelpTitle{"Quillfen Help", "Quillfen Hilfe"};
inline constexpr UiText kTextProductName{"Quillfen", "Quillfen"};
// The buttons of a question.
inline constexpr UiText kTextYes{"&Yes", "&Ja"};
inline constexpr UiText kTextNo{"&No", "&Nein"};
// The main window.
inline constexpr UiText kTextWindowMenu{"&Quillfen", "&Quillfen"};
inline constexpr UiText kTextToolBarName{"Standard", "Standard"};
inline constexpr UiText kTextSlotListName{"Image entries", "Abbildeinträge"};
inline constexpr UiText kTextStatusLineName{"Container status", "Containerstatus"};
inline constexpr UiText kTextUnreadableSlot{"(unreadable)", "(nicht lesbar)"};
inline constexpr UiText kTextSaveCardMenu{"Save Compact Flash to Image &File...",
                                          "Compact Flash als Abbild&datei speichern..."};
inline constexpr UiText kTextAttachCardImageTitle{"Attach Card Image", "Kartenabbild einbinden"};
inline constexpr UiText kTextCardImageFilter{
    "Card images (*.img *.ima *.bin *.raw *.dd *.dfp);;All files (*)",
    "Kartenabbilder (*.img *.ima *.bin *.raw *.dd *.dfp);;Alle Dateien (*)"};
inline constexpr UiText kTextAttachFloppyImageTitle{"Attach Floppy Image",
                                                    "Diskettenabbild einbinden"};
inline constexpr UiText kTextFloppyImageFilter{
    "Floppy images (*.img *.ima *.dsk *.vfd);;All files (*)",
    "Diskettenabbilder (*.img *.ima *.dsk *.vfd);;Alle Dateien (*)"};
// The card check's window.
inline constexpr UiText kTextCheckFindingsName{"Findings of the card check",
                                               "Befunde der Kartenprüfung"};
inline constexpr UiText kTextCheckSeverityColumn{"Severity", "Schwere"};
inline constexpr UiText kTextCheckFindingColumn{"Finding and repair", "Befund und Reparatur"};
inline constexpr UiText kTextCheckStatusName{"Check result", "Prüfergebnis"};
inline constexpr UiText kTextCheckClean{"No findings: the card is fine.",
                                        "Keine Befunde: die Karte ist in Ordnung."};
inline constexpr UiText kTextCheckFindings{"Findings: %1. The repair mends %2 of them.",
                                           "Befunde: %1. Die Reparatur behebt %2 davon."};
inline constexpr UiText kTextCheckRepaired{"Repaired. ", "Repariert. "};
inline constexpr UiText kTextCheckRepairFailed{"The repair stopped with an error. ",
                                               "Die Reparatur brach mit einem Fehler ab. "};
inline constexpr UiText kTextCheckRepairQuestion{
    "Repair the card %1?\n\nThe repair writes to the card: the container's header, its sector "
    "identifier tables, its attributes and the start sector record. The images and the other "
    "files stay as they are.",
    "Die Karte %1 reparieren?\n\nDie Reparatur schreibt auf die Karte: den Kopf des Containers, "
    "seine Sektorkennungen, seine Attribute und den Eintrag des Start Sektors. Die Abbilder und "
    "die anderen Dateien bleiben unverändert."};
inline constexpr UiText kTextCheckingCard{"Check Card [PERCENT]", "Prüfe Karte [PERCENT]"};
inline constexpr UiText kTextRepairingCard{"Repair Card", "Repariere Karte"};
// The virtual drive's window.
inline constexpr UiText kTextMountStatusName{"Mount status", "Status der Einbindung"};
inline constexpr UiText kTextDriverStatusName{"Driver status", "Treiberstatus"};
inline constexpr UiText kTextCapsIndicator{"CAPS", "GROSS"};
inline constexpr UiText kTextNumIndicator{"NUM", "NF"};
inline constexpr UiText kTextScrollIndicator{"SCRL", "SCRL"};
inline constexpr UiText kTextError{"Error", "Fehler"};
inline constexpr UiText kTextOpenFile{"Open", "Öffnen"};
inline constexpr UiText kTextSaveFile{"Save As", "Speichern unter"};
inline constexpr UiText kTextChooseFolder{"Choose Folder", "Ordner wählen"};
inline constexpr UiText kTextDdDisk{"DD Disk", "DD Laufwerk"};
inline constexpr UiText kTextHdDisk{"HD Disk", "HD Laufwerk"};
inline constexpr UiText kTextDiskKindName{"Floppy disk kind", "Diskettenart"};
inline constexpr UiText kTextImageCountSpinner{"Change the image count",
                                               "Anzahl der Abbilder ändern"};
inline constexpr UiText kTextBrowseFpgaFile{"Browse for the FPGA update file",
                                            "FPGA Update Datei suchen"};
inline constexpr UiText kTextCardHelperOutput{"Card helper output", "Ausgabe des CF Helpers"};

// Every text above, for the test that looks for English left in German windows.
const std::vector<UiText>& AllUiTexts();

}  // namespace gui
