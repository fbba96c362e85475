#include "container/card_volume_sectors.h"

#include <string>

#include "base/bytes.h"

namespace {

constexpr std::uint32_t kSectorSize = 512;
constexpr std::uint32_t kFsInfoLead = 0x41615252;
constexpr std::uint32_t kFsInfoStruct = 0x61417272;
constexpr std::uint32_t kFsInfoTrail = 0xAA550000;
constexpr std::uint32_t kFreeUnknown = 0xFFFFFFFF;
constexpr std::uint8_t kDirtyFlag = 0x01;

std::uint32_t DirtyFlagOffset(const fat::Geometry& g) {
  return g.fatType == 32 ? 65 : 37;
}

void Warn(std::vector<CheckFinding>& findings, CheckCode code, std::string detail = {}) {
  findings.push_back({code, CheckSeverity::kWarning, -1, std::move(detail)});
}

bool HasSignature(const std::uint8_t* sector) {
  return sector[510] == 0x55 && sector[511] == 0xAA;
}

// FAT32 keeps a copy of the boot sector for the case that the first is lost;
// it must match byte for byte, boot code and signature included.
void CheckBackup(fat::VolumeCore& core, const std::uint8_t* boot, bool systemMounted,
                 std::vector<CheckFinding>& findings) {
  if (core.geometry.backupBootSector == 0) {
    Warn(findings, CheckCode::kVolumeBootBackup);
    return;
  }
  std::uint8_t backup[kSectorSize];
  if (!core.io.Read(core.geometry.backupBootSector, 1, backup, true).ok()) return;
  if (systemMounted) {
    // The mount's own mark is not copied to the backup.
    backup[DirtyFlagOffset(core.geometry)] =
        static_cast<std::uint8_t>((backup[DirtyFlagOffset(core.geometry)] & ~kDirtyFlag) |
                                  (boot[DirtyFlagOffset(core.geometry)] & kDirtyFlag));
  }
  std::uint32_t differing = 0;
  for (std::uint32_t i = 0; i < kSectorSize; ++i) differing += boot[i] != backup[i] ? 1 : 0;
  if (differing != 0) Warn(findings, CheckCode::kVolumeBootBackup, std::to_string(differing));
}

// A free count other than "not known" that is not the FAT's makes systems
// that trust it misjudge the free space.
void CheckFsInfo(fat::VolumeCore& core, const std::uint32_t* freeClusters,
                 std::vector<CheckFinding>& findings) {
  if (core.geometry.fsInfoSector == 0) return;  // a volume without one is allowed
  std::uint8_t info[kSectorSize];
  if (!core.io.Read(core.geometry.fsInfoSector, 1, info, true).ok()) return;
  if (le::Read32(info) != kFsInfoLead || le::Read32(info + 484) != kFsInfoStruct ||
      le::Read32(info + 508) != kFsInfoTrail) {
    Warn(findings, CheckCode::kVolumeFsInfoSignature);
    return;  // its count means nothing then
  }
  const std::uint32_t recorded = le::Read32(info + 488);
  if (freeClusters != nullptr && recorded != kFreeUnknown && recorded != *freeClusters) {
    Warn(findings, CheckCode::kVolumeFsInfoFree,
         std::to_string(recorded) + " / " + std::to_string(*freeClusters));
  }
}

// Set while a system has the volume in use: the flag in the boot sector, and
// on FAT16 and FAT32 the clean-shutdown bit of FAT entry 1 cleared.
bool MarkedDirty(fat::VolumeCore& core, const std::uint8_t* boot, bool systemMounted) {
  const fat::Geometry& g = core.geometry;
  if (!systemMounted && (boot[DirtyFlagOffset(g)] & kDirtyFlag) != 0) return true;
  if (g.fatType == 12) return false;
  std::uint8_t fat[kSectorSize];
  if (!core.io.Read(g.fatStart, 1, fat, true).ok()) return false;
  return g.fatType == 16 ? (le::Read16(fat + 2) & 0x8000) == 0
                         : (le::Read32(fat + 4) & 0x08000000) == 0;
}

}  // namespace

void CheckVolumeSectors(fat::VolumeCore& core, const std::uint8_t* boot,
                        const std::uint32_t* freeClusters, bool systemMounted,
                        std::vector<CheckFinding>& findings) {
  if (!HasSignature(boot)) Warn(findings, CheckCode::kVolumeBootSignature);
  if (core.geometry.fatType == 32) {
    CheckBackup(core, boot, systemMounted, findings);
    CheckFsInfo(core, freeClusters, findings);
  }
  if (MarkedDirty(core, boot, systemMounted)) Warn(findings, CheckCode::kVolumeDirty);
}
