#include "container/container_rebuild.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "base/current_language.h"
#include "base/progress_display.h"
#include "container/card_state.h"
#include "container/container_copy.h"
#include "container/container_creation.h"
#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/fpga_store.h"
#include "platform/user_files.h"

namespace {
std::unique_ptr<IProgressDisplay> Phase(IProgressOwner* owner, const char* english,
                                        const char* german, unsigned total) {
  auto display = OpenProgress(owner, Localized(english, german), kProgressVisible);
  if (display) display->SetProgressState(0, static_cast<int>(total));
  return display;
}

void Step(const std::unique_ptr<IProgressDisplay>& display, unsigned done) {
  if (display) display->SetProgressState(1, static_cast<int>(done));
}

// Whether the card still holds the container the copy was made of, header
// block and all: then a failure has lost nothing and the copy may go.
bool OldContainerWhole(char drive, const ContainerCopy& copy) {
  ByteBuffer block;
  return ReadContainerHeaderBlock(drive, block) == FFA_OK &&
         std::memcmp(block.data(), copy.header.Bytes(), kMainHeaderSize) == 0;
}

// The header names what the copy had, with `count` images, and holds its
// FPGA update; the first `kept` slots hold the copy's blocks.
int CompareWithCopy(char drive, const ContainerCopy& copy, unsigned count, unsigned kept,
                    IProgressOwner* owner) {
  const auto display = Phase(owner, "Comparing the images", "Abbilder vergleichen", kept + 1);
  ByteBuffer onCard;
  if (const int rc = ReadContainerHeaderBlock(drive, onCard)) return rc;
  const MainHeader header(onCard.data());
  bool same = header.Name() == copy.header.Name() && header.IsHighDensity() == copy.highDensity &&
              ContainerImageCount(header) == count && (header.FpgaPresent() != 0) == copy.hasFpga;
  if (same && copy.hasFpga) {
    ByteBuffer fpga;
    same = header.FpgaLength() == copy.header.FpgaLength() &&
           FfaReadFile(copy.FpgaPath(), fpga, kMaxFpgaLength) &&
           std::equal(fpga.begin(), fpga.end(), onCard.begin() + kFpgaDataOffset);
  }
  ByteBuffer expected;
  for (unsigned slot = 0; slot < kept && same; ++slot) {
    Step(display, slot + 1);
    if (const int rc = ReadCopiedSlot(copy, slot, expected)) return rc;
    onCard.assign(kContainerBlockSize, 0);
    if (const int rc = FfaReadSlot(drive, slot, onCard, nullptr)) return rc;
    same = onCard == expected;
  }
  return same ? FFA_OK : FFA_ERR_WRITE;
}

// Replaces the drive's container by one of `count` images made from the
// copy, which goes once the card holds its images. On failure it stays,
// unless it was made of the container on the card (ofThisCard) and that is
// still whole.
RebuildOutcome WriteFromCopy(char drive, const ContainerCopy& copy, unsigned count,
                             IProgressOwner* owner, bool ofThisCard) {
  RebuildOutcome outcome;
  auto failed = [&](RebuildStep step, int code) {
    outcome.failedStep = step;
    outcome.code = code;
    if (ofThisCard && step == RebuildStep::kDelete && OldContainerWhole(drive, copy)) {
      RemoveContainerCopy(copy);
    } else {
      outcome.keptCopy = copy.folder;
    }
    return outcome;
  };
  const int deleted = FfaDeleteOnDrive(drive);
  if (deleted != FFA_OK && deleted != FFA_ERR_NOT_FOUND)
    return failed(RebuildStep::kDelete, deleted);
  // A card that cannot be opened for writing fails at the creation too.
  (void)FfaTouchCard(drive);
  if (const int rc = FfaCreate(drive, count, copy.header.Name(), copy.highDensity, owner)) {
    return failed(RebuildStep::kCreate, rc);
  }
  const unsigned kept = std::min(count, copy.count);
  {
    const auto display =
        Phase(owner, "Writing the images back", "Abbilder zurückschreiben", kept + 1);
    ByteBuffer block;
    for (unsigned slot = 0; slot < kept; ++slot) {
      Step(display, slot + 1);
      int rc = ReadCopiedSlot(copy, slot, block);
      if (rc == FFA_OK) rc = FfaWriteSlot(drive, slot, block, nullptr);
      if (rc != FFA_OK) return failed(RebuildStep::kWriteBack, rc);
    }
    if (copy.hasFpga) {
      const std::string path = copy.FpgaPath();
      if (const int rc = FfaWriteFpgaUpdate(drive, &path, nullptr)) {
        return failed(RebuildStep::kWriteBack, rc);
      }
    }
  }
  if (const int rc = CompareWithCopy(drive, copy, count, kept, owner)) {
    return failed(RebuildStep::kVerify, rc);
  }
  int rc = FfaMakeUsable(drive);
  // The record is on the medium before the copy goes.
  if (rc == FFA_OK) rc = FfaFlushCard(FfaGetContainerPath(drive));
  if (rc != FFA_OK) return failed(RebuildStep::kMakeUsable, rc);
  RemoveContainerCopy(copy);
  return outcome;
}

RebuildOutcome Refused(int code) {
  return {RebuildStep::kCheck, code, {}};
}
}  // namespace

RebuildOutcome ResizeContainer(char drive, unsigned count, IProgressOwner* owner,
                               const std::string& copyParent) {
  if (FfaContainerExists(drive) != FFA_OK) return Refused(FFA_ERR_NOT_FOUND);
  MainHeader header;
  if (const int rc = FfaCheckMainHeader(FfaGetContainerPath(drive), header.Bytes())) {
    return Refused(rc);
  }
  // The room counts the old container as given back: it goes before the new
  // one is made, and the copy holds its images meanwhile.
  if (const int rc = CheckNewContainer(drive, count)) return Refused(rc);
  const std::string parent = copyParent.empty() ? platform::UserTemporaryFolder() : copyParent;
  if (parent.empty()) return {RebuildStep::kCopy, FFA_ERR_CREATE, {}};
  ContainerCopy copy;
  {
    const auto display =
        Phase(owner, "Copying the images to the computer", "Abbilder auf den Rechner kopieren", 0);
    if (const int rc = CopyContainerToHost(drive, parent, copy, display.get())) {
      return {RebuildStep::kCopy, rc, {}};
    }
  }
  return WriteFromCopy(drive, copy, count, owner, true);
}

RebuildOutcome DefragmentContainer(char drive, IProgressOwner* owner,
                                   const std::string& copyParent) {
  if (FfaContainerExists(drive) != FFA_OK) return Refused(FFA_ERR_NOT_FOUND);
  MainHeader header;
  if (const int rc = FfaCheckMainHeader(FfaGetContainerPath(drive), header.Bytes())) {
    return Refused(rc);
  }
  return ResizeContainer(drive, ContainerImageCount(header), owner, copyParent);
}

RebuildOutcome RestoreContainer(char drive, const std::string& folder, IProgressOwner* owner) {
  ContainerCopy copy;
  if (const int rc = OpenContainerCopy(folder, copy)) return Refused(rc);
  if (const int rc = CheckNewContainer(drive, copy.count)) return Refused(rc);
  return WriteFromCopy(drive, copy, copy.count, owner, false);
}

std::string RebuildOutcomeText(const RebuildOutcome& outcome, const std::string& codeText) {
  std::string text;
  switch (outcome.failedStep) {
    case RebuildStep::kReady:
      return Localized("The container was made anew with its images kept.",
                       "Der Container wurde mit seinen Abbildern neu angelegt.");
    case RebuildStep::kCheck:
      text = Localized("Nothing was changed: ", "Nichts wurde geändert: ");
      break;
    case RebuildStep::kCopy:
      text = Localized("The images could not be copied to the computer; nothing was changed: ",
                       "Die Abbilder konnten nicht auf den Rechner kopiert werden; nichts wurde "
                       "geändert: ");
      break;
    case RebuildStep::kDelete:
      text = Localized("The old container could not be deleted: ",
                       "Der alte Container konnte nicht gelöscht werden: ");
      break;
    case RebuildStep::kCreate:
      text = Localized("The new container could not be created: ",
                       "Der neue Container konnte nicht erstellt werden: ");
      break;
    case RebuildStep::kWriteBack:
      text = Localized("An image could not be written back: ",
                       "Ein Abbild konnte nicht zurückgeschrieben werden: ");
      break;
    case RebuildStep::kVerify:
      text = Localized("The card does not read back the images written to it: ",
                       "Die Karte liest die geschriebenen Abbilder nicht gleich zurück: ");
      break;
    case RebuildStep::kMakeUsable:
      text = Localized("The start sector could not be recorded: ",
                       "Der Start Sektor konnte nicht eingetragen werden: ");
      break;
  }
  text += codeText;
  if (!outcome.keptCopy.empty()) {
    text += Localized("\nThe images are kept in the folder ", "\nDie Abbilder liegen im Ordner ") +
            outcome.keptCopy +
            Localized("; 'quillfen-cli restore CARD FOLDER' writes them back.",
                      "; 'quillfen-cli restore KARTE ORDNER' schreibt sie zurück.");
  }
  return text;
}
