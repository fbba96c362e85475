// Commands on the container as a whole.
#include "container/card_operations.h"
#include "container/card_state.h"
#include "container/container_file.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "platform/errors.h"

int CardDeleteContainer(const std::string& path) {
  return FfaDelete(path);
}

int CardErase(char drive, const OwnProgramFile& program) {
  if (const int rc = RefuseContainerFile(drive)) return rc;
  // A volume that is not FAT holds no container; nothing on it is touched,
  // sector 0 included.
  std::uint64_t size = 0;
  CardState state;
  if ((FfaGetCardState(std::string(1, drive) + ":", size, state) & CARD_NO_FAT_VOLUME) != 0) {
    return static_cast<int>(platform::kErrorUnrecognizedMedia);
  }
  // Everything the creation may have put on the card: the autorun file and
  // the program's copy (spared when it is the running program itself); what
  // is not there is no failure.
  FfaRemoveProgramFromCard(drive, program);
  const int erased = FfaErase(drive);
  const int cleared = FfaWriteStartSector(drive, 0);
  // Only the open's result: a card that cannot be opened for writing has
  // failed to clear its record already.
  (void)FfaTouchCard(drive);
  // Whether the container is gone decides; a folder left behind with other
  // files in it is no failure.
  if (FfaContainerExists(drive) == FFA_OK) {
    return erased != FFA_OK && erased != FFA_ERR_NOT_FOUND ? erased : FFA_ERR_DELETE;
  }
  return cleared;
}
