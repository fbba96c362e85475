// The card check's words: what each finding means and what the repair does
// about it, in English and German.
#include "base/code_texts.h"
#include "base/current_language.h"
#include "container/card_check.h"

namespace {

constexpr int Key(CheckCode code) {
  return static_cast<int>(code);
}

constexpr CodeText kFindingTexts[] = {
    {Key(CheckCode::kContainerMissing), "There is no container file on the card",
     "Auf der Karte ist keine Container Datei"},
    {Key(CheckCode::kNoSignature), "The container file does not begin with the container signature",
     "Die Container Datei beginnt nicht mit der Container Signatur"},
    {Key(CheckCode::kUnreadable), "The container file cannot be read (system error)",
     "Die Container Datei kann nicht gelesen werden (Systemfehler)"},
    {Key(CheckCode::kImageCount),
     "The header's image count does not match the file's length (header / file)",
     "Die Anzahl der Abbilder im Kopf passt nicht zur Länge der Datei (Kopf / Datei)"},
    {Key(CheckCode::kFpgaFields), "The FPGA update fields of the header contradict each other",
     "Die Felder des FPGA Updates im Kopf widersprechen sich"},
    {Key(CheckCode::kFragmented), "The container file is not in one piece (pieces)",
     "Die Container Datei liegt nicht an einem Stück (Teile)"},
    {Key(CheckCode::kStartSectorNotSet), "The start sector is not recorded in sector 0",
     "Der Start Sektor ist in Sektor 0 nicht eingetragen"},
    {Key(CheckCode::kStartSectorOther),
     "Sector 0 records another start sector than the container's (recorded / container)",
     "Sektor 0 nennt einen anderen Start Sektor als den des Containers (eingetragen / Container)"},
    {Key(CheckCode::kProtectionLost), "The container file is no longer read-only and system",
     "Die Container Datei ist nicht mehr schreibgeschützt und System"},
    {Key(CheckCode::kSectorIdTable),
     "The sector identifier table does not match the image; the controller sees CRC errors",
     "Die Sektorkennungen passen nicht zum Abbild; der Controller sieht CRC Fehler"},
    {Key(CheckCode::kSlotRecord), "The slot record has broken marks or an invalid name",
     "Der Platz-Eintrag hat kaputte Marken oder einen ungültigen Namen"},
    {Key(CheckCode::kCrossLinked), "Another file claims clusters of the container",
     "Eine andere Datei beansprucht Cluster des Containers"},
    {Key(CheckCode::kChainLength),
     "The container's cluster chain does not hold the file's length (clusters / needed)",
     "Die Cluster-Kette des Containers hält die Länge der Datei nicht (Cluster / nötig)"},
    {Key(CheckCode::kFatCopies), "The FAT copies differ in the container's clusters",
     "Die FAT Kopien unterscheiden sich in den Clustern des Containers"},
    {Key(CheckCode::kVolumeChains), "Volume: cluster chains that break or loop",
     "Datenträger: Cluster-Ketten, die abbrechen oder kreisen"},
    {Key(CheckCode::kVolumeLengths), "Volume: files whose chain does not hold their length",
     "Datenträger: Dateien, deren Kette ihre Länge nicht hält"},
    {Key(CheckCode::kVolumeCrossLinks), "Volume: clusters claimed by two files",
     "Datenträger: Cluster, die zwei Dateien beanspruchen"},
    {Key(CheckCode::kVolumeLostClusters), "Volume: clusters in use that no file claims",
     "Datenträger: belegte Cluster, die keiner Datei gehören"},
    {Key(CheckCode::kVolumeFatCopies), "Volume: the FAT copies differ (entries)",
     "Datenträger: die FAT Kopien unterscheiden sich (Einträge)"},
    {Key(CheckCode::kVolumeBootSignature),
     "Volume: the boot sector does not end with the signature 0x55AA",
     "Datenträger: der Boot Sektor endet nicht mit der Signatur 0x55AA"},
    {Key(CheckCode::kVolumeBootBackup),
     "Volume: the backup boot sector is missing or differs from the boot sector (bytes)",
     "Datenträger: die Kopie des Boot Sektors fehlt oder weicht von ihm ab (Bytes)"},
    {Key(CheckCode::kVolumeFsInfoSignature), "Volume: the FSInfo sector has wrong signatures",
     "Datenträger: der FSInfo Sektor hat falsche Signaturen"},
    {Key(CheckCode::kVolumeFsInfoFree),
     "Volume: the free cluster count in the FSInfo sector is wrong (recorded / real)",
     "Datenträger: die Zahl freier Cluster im FSInfo Sektor ist falsch (eingetragen / wirklich)"},
    {Key(CheckCode::kVolumeDirty),
     "Volume: marked as not cleanly removed; data written last may be lost",
     "Datenträger: als nicht sauber entfernt markiert; zuletzt geschriebene Daten können fehlen"},
};

constexpr const char* kFsck =
    "Repair leaves the volume alone: run the system's file-system check "
    "(fsck.fat) on it";
constexpr const char* kFsckDe =
    "Die Reparatur lässt den Datenträger unverändert: prüfen Sie ihn "
    "mit der Dateisystemprüfung des Systems (fsck.fat)";

constexpr CodeText kRepairTexts[] = {
    {Key(CheckCode::kContainerMissing), "Repair cannot help: create a container",
     "Die Reparatur kann nicht helfen: legen Sie einen Container an"},
    {Key(CheckCode::kNoSignature), "Repair cannot help: create the container anew",
     "Die Reparatur kann nicht helfen: legen Sie den Container neu an"},
    {Key(CheckCode::kUnreadable), "Repair cannot help: see the other findings",
     "Die Reparatur kann nicht helfen: siehe die anderen Befunde"},
    {Key(CheckCode::kImageCount), "Repair sets the count to the slots the file holds",
     "Die Reparatur setzt die Anzahl auf die Plätze, die die Datei enthält"},
    {Key(CheckCode::kFpgaFields), "Repair leaves it: store or clear the FPGA update again",
     "Die Reparatur lässt es: speichern oder löschen Sie das FPGA Update erneut"},
    {Key(CheckCode::kFragmented),
     "Repair makes the container anew in one piece and writes its images back",
     "Die Reparatur legt den Container an einem Stück neu an und schreibt die Abbilder zurück"},
    {Key(CheckCode::kStartSectorNotSet),
     "Repair records the start sector when the file is in one piece and its own",
     "Die Reparatur trägt den Start Sektor ein, wenn die Datei an einem Stück liegt und ihr "
     "gehört"},
    {Key(CheckCode::kStartSectorOther),
     "Repair records the start sector when the file is in one piece and its own",
     "Die Reparatur trägt den Start Sektor ein, wenn die Datei an einem Stück liegt und ihr "
     "gehört"},
    {Key(CheckCode::kProtectionLost), "Repair sets read-only and system again",
     "Die Reparatur setzt schreibgeschützt und System wieder"},
    {Key(CheckCode::kSectorIdTable), "Repair rebuilds the table from the image",
     "Die Reparatur baut die Tabelle aus dem Abbild neu"},
    {Key(CheckCode::kSlotRecord), "Repair leaves it: give the slot a name again",
     "Die Reparatur lässt es: geben Sie dem Platz erneut einen Namen"},
    {Key(CheckCode::kCrossLinked), kFsck, kFsckDe},
    {Key(CheckCode::kChainLength), kFsck, kFsckDe},
    {Key(CheckCode::kFatCopies), kFsck, kFsckDe},
    {Key(CheckCode::kVolumeChains), kFsck, kFsckDe},
    {Key(CheckCode::kVolumeLengths), kFsck, kFsckDe},
    {Key(CheckCode::kVolumeCrossLinks), kFsck, kFsckDe},
    {Key(CheckCode::kVolumeLostClusters), kFsck, kFsckDe},
    {Key(CheckCode::kVolumeFatCopies), kFsck, kFsckDe},
    {Key(CheckCode::kVolumeBootSignature), kFsck, kFsckDe},
    {Key(CheckCode::kVolumeBootBackup), kFsck, kFsckDe},
    {Key(CheckCode::kVolumeFsInfoSignature), kFsck, kFsckDe},
    {Key(CheckCode::kVolumeFsInfoFree), kFsck, kFsckDe},
    {Key(CheckCode::kVolumeDirty), kFsck, kFsckDe},
};

}  // namespace

std::string CheckFindingText(const CheckFinding& finding) {
  std::string text;
  if (finding.slot >= 0) {
    text = Localized("Slot ", "Platz ") + std::to_string(finding.slot + 1) + ": ";
  }
  text += LookupCodeText(kFindingTexts, Key(finding.code), "Finding %d", "Befund %d");
  if (!finding.detail.empty()) text += ": " + finding.detail;
  return text;
}

std::string CheckRepairText(const CheckFinding& finding) {
  return LookupCodeText(kRepairTexts, Key(finding.code), "", "");
}

std::string CheckSeverityText(CheckSeverity severity) {
  return severity == CheckSeverity::kError ? Localized("Error", "Fehler")
                                           : Localized("Warning", "Warnung");
}

bool CheckFindingRepairable(CheckCode code) {
  switch (code) {
    case CheckCode::kImageCount:
    case CheckCode::kStartSectorNotSet:
    case CheckCode::kStartSectorOther:
    case CheckCode::kProtectionLost:
    case CheckCode::kSectorIdTable:
    case CheckCode::kFragmented:
      return true;
    default:
      return false;
  }
}
