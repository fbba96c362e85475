// The container's part of the card check, and the repair.
#include "container/card_check.h"

#include <algorithm>
#include <cstring>

#include "base/bytes.h"
#include "base/progress_state_callback.h"
#include "container/card_state.h"
#include "container/card_volume_check.h"
#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/floppy_kind.h"
#include "container/main_header.h"
#include "container/sector_id_table.h"
#include "container/slot_info.h"
#include "driveaccess/dda_error_codes.h"
#include "driveaccess/direct_disk_access.h"
#include "driveaccess/file_placement.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace {

using platform::Disposition;

// What the check learnt of the container, for the repair.
struct ContainerFacts {
  MainHeader header;
  bool headerRead = false;
  std::uint64_t length = 0;
  std::uint32_t fileSlots = 0;  // whole slot blocks the file holds
};

void Add(std::vector<CheckFinding>& findings, CheckCode code, CheckSeverity severity, int slot = -1,
         std::string detail = std::string()) {
  findings.push_back({code, severity, slot, std::move(detail)});
}

bool Has(const std::vector<CheckFinding>& findings, CheckCode code) {
  return std::any_of(findings.begin(), findings.end(),
                     [code](const CheckFinding& f) { return f.code == code; });
}

// The slot count the header keeps: in SavedImageCount while an FPGA update
// is stored.
std::uint32_t HeaderSlotCount(const MainHeader& header) {
  return header.FpgaPresent() == 1 ? header.SavedImageCount() : header.ImageCount();
}

void CheckHeader(const ContainerFacts& facts, std::vector<CheckFinding>& findings) {
  const MainHeader& h = facts.header;
  const std::uint32_t count = HeaderSlotCount(h);
  if (count != facts.fileSlots || facts.length % kContainerBlockSize != 0) {
    Add(findings, CheckCode::kImageCount, CheckSeverity::kError, -1,
        std::to_string(count) + " / " + std::to_string(facts.fileSlots));
  }
  const bool present = h.FpgaPresent() == 1;
  const bool fine =
      present ? h.ImageCount() == 0 && h.FpgaLength() != 0 && h.FpgaLength() <= kMaxFpgaLength
              : h.FpgaPresent() == 0 && h.FpgaLength() == 0 && h.SavedImageCount() == 0;
  if (!fine) Add(findings, CheckCode::kFpgaFields, CheckSeverity::kError);
}

// A record the controller and this program write: marker 1, both end marks,
// a name terminated inside its field without control characters.
bool SlotRecordValid(const std::uint8_t* record) {
  if (le::Read16(record + kSlotInfoMarkerOffset) != 1 ||
      record[kSlotInfoEndMark1Offset] != kSlotInfoEndMark1 ||
      record[kSlotInfoEndMark2Offset] != kSlotInfoEndMark2) {
    return false;
  }
  const std::uint8_t* name = record + kSlotInfoNameOffset;
  const std::uint8_t* end = std::find(name, name + kSlotInfoNameFieldSize, 0);
  if (end == name + kSlotInfoNameFieldSize) return false;
  return std::none_of(name, end, [](std::uint8_t c) { return c < 0x20 || c == 0x7F; });
}

// Reads `size` bytes at `offset` of the open container.
bool ReadAt(platform::File& file, std::uint64_t offset, std::uint8_t* buffer, std::size_t size) {
  return file.Seek(static_cast<std::int64_t>(offset), platform::SeekOrigin::kBegin) &&
         file.ReadExact(buffer, static_cast<std::uint32_t>(size));
}

// The slots the file holds and the header names: each slot's table against
// its image, and its record.
void CheckSlots(const std::string& path, const ContainerFacts& facts,
                std::vector<CheckFinding>& findings, IProgressStateCallback* progress) {
  platform::File file =
      platform::OpenFile(path, platform::kGenericRead, Disposition::kOpenExisting);
  if (!file.IsOpen()) return;
  const FloppyKind& kind = GetFloppyKind(facts.header.IsHighDensity());
  const std::uint32_t slots = std::min(HeaderSlotCount(facts.header), facts.fileSlots);
  ByteBuffer image(kind.imageSize);
  ByteBuffer stored(kSectorIdTableSize + kSlotInfoSize);
  ByteBuffer built(kSectorIdTableSize);
  if (progress != nullptr) progress->SetProgressState(0, static_cast<int>(slots));
  for (std::uint32_t slot = 0; slot < slots; ++slot) {
    if (progress != nullptr) progress->SetProgressState(1, static_cast<int>(slot));
    if (!ReadAt(file, GetSlotPartOffset(slot, kSlotPartImage), image.data(), image.size()) ||
        !ReadAt(file, GetSlotPartOffset(slot, kSlotPartSectorIdTable), stored.data(),
                stored.size())) {
      return;
    }
    // Built over the stored table, so that only the records are compared.
    std::memcpy(built.data(), stored.data(), kSectorIdTableSize);
    if (BuildSectorIdTable(built.data(), built.size(), image.data(), image.size(),
                           facts.header.IsHighDensity()) == 0 &&
        std::memcmp(built.data(), stored.data(), kSectorIdTableSize) != 0) {
      Add(findings, CheckCode::kSectorIdTable, CheckSeverity::kError, static_cast<int>(slot));
    }
    if (!SlotRecordValid(stored.data() + kSectorIdTableSize)) {
      Add(findings, CheckCode::kSlotRecord, CheckSeverity::kWarning, static_cast<int>(slot));
    }
  }
}

void CheckPlacement(char drive, const std::string& path, std::vector<CheckFinding>& findings) {
  FilePlacement placement;
  if (GetFilePlacement(path.c_str(), placement) != 0) return;
  if (placement.extentCount != 1) {
    Add(findings, CheckCode::kFragmented, CheckSeverity::kError, -1,
        std::to_string(placement.extentCount));
  }
  std::uint32_t recorded = 0;
  if (FfaReadStartSector(drive, recorded) != DDA_NO_ERROR) return;
  if (recorded == 0) {
    Add(findings, CheckCode::kStartSectorNotSet, CheckSeverity::kError);
  } else if ((placement.startSector >> 32) != 0 ||
             recorded != static_cast<std::uint32_t>(placement.startSector)) {
    Add(findings, CheckCode::kStartSectorOther, CheckSeverity::kError, -1,
        std::to_string(recorded) + " / " + std::to_string(placement.startSector));
  }
}

int CheckCardInto(char drive, std::vector<CheckFinding>& findings, ContainerFacts& facts,
                  IProgressStateCallback* progress) {
  findings.clear();
  {
    CDirectDiskAccess disk;
    if (const int rc = disk.Open(drive, false)) return rc;
    disk.CloseAfterReading();
  }
  const std::string path = FfaGetContainerPath(drive);
  if (FfaContainerExists(drive) != FFA_OK) {
    Add(findings, CheckCode::kContainerMissing, CheckSeverity::kError);
  } else if (platform::SetLastError(0), !FfaReadMainHeader(path, facts.header.Bytes())) {
    // A file too short for a header is no container either.
    const std::uint32_t why = platform::GetLastError();
    if (why == 0 || why == platform::kErrorHandleEof) {
      Add(findings, CheckCode::kNoSignature, CheckSeverity::kError);
    } else {
      Add(findings, CheckCode::kUnreadable, CheckSeverity::kError, -1, std::to_string(why));
    }
  } else {
    facts.headerRead = true;
    if (!platform::GetFileSize(path, &facts.length)) facts.length = 0;
    const std::uint64_t blocks = facts.length / kContainerBlockSize;
    facts.fileSlots =
        blocks == 0 ? 0 : static_cast<std::uint32_t>(std::min<std::uint64_t>(blocks - 1, 0xFFFF));
    CheckHeader(facts, findings);
    CheckSlots(path, facts, findings, progress);
    CheckPlacement(drive, path, findings);
    const std::uint32_t attributes = platform::GetAttributes(path);
    const std::uint32_t wanted = platform::kAttributeReadOnly | platform::kAttributeSystem;
    if (attributes != platform::kInvalidFileAttributes && (attributes & wanted) != wanted) {
      Add(findings, CheckCode::kProtectionLost, CheckSeverity::kWarning);
    }
  }
  CheckContainerOnVolume(drive, findings);
  return 0;
}

// Writes `size` bytes at `offset` of the container; its protection is lifted
// by the caller.
int WriteAt(const std::string& path, std::uint64_t offset, const std::uint8_t* bytes,
            std::size_t size) {
  platform::File file = platform::OpenFile(path, platform::kGenericRead | platform::kGenericWrite,
                                           Disposition::kOpenExisting);
  if (!file.IsOpen()) return FFA_ERR_OPEN;
  if (!file.Seek(static_cast<std::int64_t>(offset), platform::SeekOrigin::kBegin) ||
      !file.WriteExact(bytes, static_cast<std::uint32_t>(size)) || !file.Close()) {
    return FFA_ERR_WRITE;
  }
  return FFA_OK;
}

// The header's slot count set to the slots the file holds.
int RepairImageCount(const std::string& path, ContainerFacts& facts) {
  if (facts.length % kContainerBlockSize != 0 || facts.fileSlots < kMinImageCount ||
      facts.fileSlots > kMaxImageCount) {
    return FFA_OK;  // a length no container has; nothing to set the count to
  }
  const auto count = static_cast<std::uint16_t>(facts.fileSlots);
  if (facts.header.FpgaPresent() == 1) {
    facts.header.SetSavedImageCount(count);
  } else {
    facts.header.SetImageCount(count);
  }
  return WriteAt(path, 0, facts.header.Bytes(), kMainHeaderSize);
}

// The slot's table built anew from its image, in a fresh 0xFF table.
int RepairSectorIds(const std::string& path, const ContainerFacts& facts, std::uint32_t slot) {
  const FloppyKind& kind = GetFloppyKind(facts.header.IsHighDensity());
  ByteBuffer image(kind.imageSize);
  {
    platform::File file =
        platform::OpenFile(path, platform::kGenericRead, Disposition::kOpenExisting);
    if (!file.IsOpen()) return FFA_ERR_OPEN;
    if (!ReadAt(file, GetSlotPartOffset(slot, kSlotPartImage), image.data(), image.size())) {
      return FFA_ERR_WRITE;
    }
  }
  ByteBuffer table(kSectorIdTableSize, 0xFF);
  if (const int rc = BuildSectorIdTable(table.data(), table.size(), image.data(), image.size(),
                                        facts.header.IsHighDensity())) {
    return rc;
  }
  return WriteAt(path, GetSlotPartOffset(slot, kSlotPartSectorIdTable), table.data(), table.size());
}

int RepairContainerFile(const std::string& path, const std::vector<CheckFinding>& findings,
                        ContainerFacts& facts) {
  int result = FFA_OK;
  if (const int rc = FfaSetProtection(path, false)) return rc;
  if (Has(findings, CheckCode::kImageCount)) result = RepairImageCount(path, facts);
  for (const CheckFinding& f : findings) {
    if (result != FFA_OK) break;
    if (f.code == CheckCode::kSectorIdTable && f.slot >= 0) {
      result = RepairSectorIds(path, facts, static_cast<std::uint32_t>(f.slot));
    }
  }
  // The protection goes back on whatever happened, as after every write.
  const int protectedAgain = FfaSetProtection(path, true);
  const int flushed = FfaFlushCard(path);
  if (result != FFA_OK) return result;
  return protectedAgain != FFA_OK ? protectedAgain : flushed;
}

}  // namespace

int CheckCard(char drive, std::vector<CheckFinding>& findings, IProgressStateCallback* progress) {
  ContainerFacts facts;
  return CheckCardInto(drive, findings, facts, progress);
}

int RepairCard(char drive, std::vector<CheckFinding>& left, IProgressOwner* owner,
               RebuildOutcome* rebuild) {
  std::vector<CheckFinding> findings;
  ContainerFacts facts;
  if (const int rc = CheckCardInto(drive, findings, facts, nullptr)) return rc;
  const std::string path = FfaGetContainerPath(drive);
  const bool fileRepairs = Has(findings, CheckCode::kImageCount) ||
                           Has(findings, CheckCode::kSectorIdTable) ||
                           Has(findings, CheckCode::kProtectionLost);
  int result = 0;
  if (facts.headerRead && fileRepairs) result = RepairContainerFile(path, findings, facts);
  // The controller would read, and the other owner overwrite, the same
  // sectors: no start sector for a container whose chain is not its own,
  // and no rebuild either, which would read the other file's clusters as
  // images.
  const bool ownChain =
      !Has(findings, CheckCode::kCrossLinked) && !Has(findings, CheckCode::kChainLength);
  const bool fragmented = Has(findings, CheckCode::kFragmented);
  if (result == 0 && facts.headerRead && ownChain && fragmented) {
    // The rebuild records the start sector of the new file itself.
    const RebuildOutcome outcome = DefragmentContainer(drive, owner);
    if (rebuild != nullptr) *rebuild = outcome;
    if (!outcome.ok()) result = outcome.code != 0 ? outcome.code : FFA_ERR_WRITE;
  } else if (result == 0 && facts.headerRead && ownChain &&
             (Has(findings, CheckCode::kStartSectorNotSet) ||
              Has(findings, CheckCode::kStartSectorOther))) {
    result = FfaMakeUsable(drive);
  }
  if (const int rc = CheckCard(drive, left); result == 0) result = rc;
  return result;
}
