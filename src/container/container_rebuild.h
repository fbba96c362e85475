// Making the container on a card anew with its images kept: to another
// image count (resize) or in one piece again (defragment). Every slot block,
// the name and the FPGA update go into a copy on the host first; the old
// container goes only once the card has room for the new one; the new one
// gets the first min(old, new) slots back, read back and compared, and its
// start sector recorded. The copy is removed only after that. When a step
// fails once the old container is gone, the copy stays where the outcome
// says, and RestoreContainer writes it back.
#pragma once

#include <string>

class IProgressOwner;

enum class RebuildStep {
  kReady,       // nothing failed
  kCheck,       // refused before anything changed (count, room, no container)
  kCopy,        // the copy on the host could not be made; the card is unchanged
  kDelete,      // the old container could not be taken away
  kCreate,      // the new container could not be made
  kWriteBack,   // an image or the FPGA update could not be written back
  kVerify,      // what was written back does not read back the same
  kMakeUsable,  // the start sector could not be recorded
};

struct RebuildOutcome {
  RebuildStep failedStep = RebuildStep::kReady;
  int code = 0;
  // The folder that still holds the images; empty once they are safe on
  // the card (or were never touched).
  std::string keptCopy;
  bool ok() const { return failedStep == RebuildStep::kReady; }
};

// The container on the drive with `count` images. The copy goes into a new
// folder under copyParent (ending in a separator); empty: the user's
// private temporary folder.
[[nodiscard]] RebuildOutcome ResizeContainer(char drive, unsigned count, IProgressOwner* owner,
                                             const std::string& copyParent = {});
// The same count, the file written anew in one piece.
[[nodiscard]] RebuildOutcome DefragmentContainer(char drive, IProgressOwner* owner,
                                                 const std::string& copyParent = {});
// Writes a copy that a rebuild left in `folder` back to the drive as the
// container it was (every slot, name, kind and FPGA update), replacing what
// container is there. FFA_ERR_NOT_FOUND at kCheck for a folder without a
// whole copy. The copy is removed once the card holds it.
[[nodiscard]] RebuildOutcome RestoreContainer(char drive, const std::string& folder,
                                              IProgressOwner* owner);

// The outcome in the current language; codeText is the text of its code.
std::string RebuildOutcomeText(const RebuildOutcome& outcome, const std::string& codeText);
