// The card check: everything on a card that keeps the controller from
// reading its container as written, each finding in plain words with what
// the repair does about it; and the repair of what is the container's own.
// The volume's own faults are found too, but left to the system's
// file-system check.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "container/container_rebuild.h"

class IProgressStateCallback;

enum class CheckCode {
  kContainerMissing = 1,
  kNoSignature,
  kUnreadable,         // the file is there but cannot be read; the detail is the system code
  kImageCount,         // the header's count against the file's length
  kFpgaFields,         // FpgaPresent, FpgaLength and SavedImageCount disagree
  kFragmented,         // the file is not in one piece
  kStartSectorNotSet,  // sector 0 records no container
  kStartSectorOther,   // sector 0 records another place
  kProtectionLost,     // not read-only and system
  kSectorIdTable,      // a slot's sector identifiers do not match its image
  kSlotRecord,         // a slot record with marks or a name the card does not keep
  kCrossLinked,        // another entry of the volume claims the container's clusters
  kChainLength,        // the container's chain breaks or is shorter than the file
  kFatCopies,          // the FAT copies differ in the container's clusters
  // The volume's own health, outside the container; the detail is a count.
  kVolumeChains,        // chains that break or loop
  kVolumeLengths,       // files whose chain does not hold their length
  kVolumeCrossLinks,    // clusters two other entries claim
  kVolumeLostClusters,  // clusters in use that no entry claims
  kVolumeFatCopies,     // FAT copies that differ outside the container
  // The volume's administrative sectors.
  kVolumeBootSignature,    // the boot sector does not end with 0x55AA
  kVolumeBootBackup,       // FAT32: the backup boot sector is missing or differs (bytes)
  kVolumeFsInfoSignature,  // FAT32: the FSInfo sector's signatures are wrong
  kVolumeFsInfoFree,       // FAT32: FSInfo's free count is not the FAT's (recorded / real)
  kVolumeDirty,            // marked as in use: not cleanly unmounted
};

enum class CheckSeverity { kWarning, kError };

struct CheckFinding {
  CheckCode code = CheckCode::kContainerMissing;
  CheckSeverity severity = CheckSeverity::kError;
  int slot = -1;       // counts from 0; -1 when no slot is meant
  std::string detail;  // a name, numbers; shown after the text
  bool operator==(const CheckFinding&) const = default;
};

// The finding in plain words, and what the repair does about it, in the
// current language.
std::string CheckFindingText(const CheckFinding& finding);
std::string CheckRepairText(const CheckFinding& finding);
// "Error" or "Warning" in the current language.
std::string CheckSeverityText(CheckSeverity severity);
// True when the repair mends this finding itself.
bool CheckFindingRepairable(CheckCode code);

// Checks the card at `drive`; findings are empty for a card that is fine.
// The result is 0, or the raw-access code when the card cannot be read at
// all (findings are then empty). Only reads. A progress callback learns the
// slots as their images are read, which on a large card takes a while.
[[nodiscard]] int CheckCard(char drive, std::vector<CheckFinding>& findings,
                            IProgressStateCallback* progress = nullptr);

// Checks the card and mends what is the container's own: the header's image
// count to the file's length, the slots' sector identifier tables from their
// images, the protection attributes, and the start sector record (only for a
// container in one piece that no other entry claims). Slot images, other
// files and the volume are never written. `left` receives the check after
// the repair. A container not in one piece whose chain is its own is made
// anew in one piece with its images (a defragment, shown through `owner`);
// `rebuild` receives how that went, so that a copy left on the host can be
// named. The result is 0 or the code of the step that failed.
[[nodiscard]] int RepairCard(char drive, std::vector<CheckFinding>& left,
                             IProgressOwner* owner = nullptr, RebuildOutcome* rebuild = nullptr);
