// Creating a new container on a card.
#include <memory>

#include "base/clock.h"
#include "base/current_language.h"
#include "base/progress_display.h"
#include "container/card_names.h"
#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/ffa_template.h"
#include "container/main_header.h"
#include "container/slot_block.h"
#include "container/write_verify.h"
#include "platform/files.h"

using platform::Disposition;

namespace {
bool WriteBlock(platform::File& file, const ByteBuffer& block) {
  return file.WriteExact(block.data(), static_cast<std::uint32_t>(block.size()));
}

// Block i of the new container in `block`, which holds block i - 1 (or
// anything, for i of 0 or 1): the slots differ only in their records.
int NextBlock(ByteBuffer& block, unsigned i, const std::string& name, bool highDensity,
              std::uint16_t count, const ByteBuffer& blankTemplate,
              const platform::LocalTime& now) {
  if (i == 0) return BuildMainHeaderBlock(block, name, highDensity, count);
  if (i == 1) return BuildEmptySlotBlock(block, i, highDensity, blankTemplate, now);
  return SetSlotNumberInEmptyBlock(block, i, now);
}

// The read-back of every block, as a phase of the creation's progress.
int VerifyCreated(const std::string& path, const std::string& name, bool highDensity,
                  std::uint16_t count, const ByteBuffer& blankTemplate,
                  const platform::LocalTime& now, IProgressDisplay* progress) {
  if (progress) {
    progress->SetPhaseText(Localized("Verify DCF [PERCENT]", "Prüfe DCD [PERCENT]"));
    progress->SetProgressState(0, count + 1);
  }
  // A few blocks at a time: one large read each.
  constexpr unsigned kBlocksPerRead = 4;
  ByteBuffer block(kContainerBlockSize, 0xFF);
  ByteBuffer blocks;
  for (unsigned i = 0; i <= count; ++i) {
    if (progress) progress->SetProgressState(1, static_cast<int>(i + 1));
    if (NextBlock(block, i, name, highDensity, count, blankTemplate, now) != 0) {
      return FFA_ERR_CREATE;
    }
    blocks.insert(blocks.end(), block.begin(), block.end());
    if (blocks.size() < kBlocksPerRead * kContainerBlockSize && i < count) continue;
    const std::uint64_t first = i + 1 - blocks.size() / kContainerBlockSize;
    if (const int rc =
            FfaVerifyWritten(path, first * kContainerBlockSize, blocks.data(), blocks.size())) {
      return rc;
    }
    blocks.clear();
  }
  return FFA_OK;
}
}  // namespace

int FfaCreate(char drive, std::uint32_t imageCount, const std::string& name, bool highDensity,
              IProgressOwner* parent) {
  // Every empty slot carries the moment the creation began.
  const platform::LocalTime now = platform::GetLocalTime();
  const auto count = static_cast<std::uint16_t>(imageCount);
  if (count > kMaxImageCount) return FFA_ERR_TOO_MANY_IMAGES;
  if (count == 0) return FFA_ERR_TOO_FEW_IMAGES;
  // A name the card cannot store is refused before anything is touched.
  if (const int rc = CheckCardName(name)) return rc;

  platform::MakeFolder(FfaGetFolderPath(drive));  // may exist already
  const std::string path = FfaGetContainerPath(drive);
  if (platform::PathExists(path)) {
    const std::uint32_t attributes = platform::GetAttributes(path);
    if (!platform::SetAttributes(path, platform::kAttributeNormal)) return FFA_ERR_SET_ATTRIBUTES;
    if (!platform::RemoveFile(path)) {
      // Still there (held open elsewhere, say): it keeps its protection.
      platform::SetAttributes(path, attributes);
      return FFA_ERR_DELETE;
    }
  }

  ByteBuffer blankTemplate;
  if (!FfaLoadTemplate(highDensity, blankTemplate)) return FFA_ERR_CREATE;
  const std::uint64_t required = (static_cast<std::uint64_t>(count) + 1) * kContainerBlockSize;
  const std::optional<std::uint64_t> freeBytes = FfaGetDriveFreeBytes(drive);
  if (!freeBytes || required > *freeBytes) return FFA_ERR_FREE_SPACE;

  platform::File file = platform::OpenFile(path, platform::kGenericWrite,
                                           Disposition::kCreateAlways, platform::kFlagNoBuffering);
  if (!file.IsOpen()) return FFA_ERR_CREATE;
  // The whole length at once, so the file system can allocate it in one piece.
  bool failed = !file.SetLength(required) || !file.Seek(0, platform::SeekOrigin::kBegin);

  std::unique_ptr<IProgressDisplay> progress;
  if (parent) {
    progress = parent->CreateProgress(
        Localized("Create Dornveld Container File", "Dornveld Container Datei erzeugen"),
        kProgressVisible);
  }
  if (progress) progress->SetProgressState(0, count + 1);

  // One block buffer serves every block: first 0xFF for the header's place,
  // then the empty slot, whose table is computed once and whose slot record
  // alone changes from slot to slot.
  ByteBuffer block(kContainerBlockSize, 0xFF);
  for (unsigned i = 0; i <= count && !failed; ++i) {
    if (progress) progress->SetProgressState(1, static_cast<int>(i + 1));
    if (i == 1) {
      failed = BuildEmptySlotBlock(block, i, highDensity, blankTemplate, now) != 0;
      // The read-back builds the blocks again from it.
      if (!FfaVerifyEnabled()) ByteBuffer().swap(blankTemplate);
    } else if (i > 1) {
      failed = SetSlotNumberInEmptyBlock(block, i, now) != 0;
    }
    failed = failed || !WriteBlock(file, block);
  }

  // The signature goes on last, once every slot is on the card: the flush
  // waits for the medium, so a card pulled or a power cut at any moment
  // never shows a valid header over slots that are not all there.
  if (!failed) {
    failed = !file.Flush() || !file.Seek(0, platform::SeekOrigin::kBegin) ||
             BuildMainHeaderBlock(block, name, highDensity, count) != 0 || !WriteBlock(file, block);
  }
  failed = !file.Close() || failed;

  if (failed) {
    // The write's failure is the one to tell; a half-written file that
    // cannot be deleted has no valid header.
    (void)FfaDeleteOnDrive(drive);
    return FFA_ERR_WRITE;
  }
  const int protectedResult = FfaSetProtection(path, true);
  const int flushed = FfaFlushCard(path);
  if (protectedResult != FFA_OK || flushed != FFA_OK) {
    return protectedResult != FFA_OK ? protectedResult : flushed;
  }
  if (FfaVerifyEnabled()) {
    if (const int rc =
            VerifyCreated(path, name, highDensity, count, blankTemplate, now, progress.get())) {
      // A container the card did not keep is not left for the controller.
      (void)FfaDeleteOnDrive(drive);
      return rc;
    }
  }
  return FFA_OK;
}
