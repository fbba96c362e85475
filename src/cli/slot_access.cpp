#include "cli/slot_access.h"

#include "cli/cli_args.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/slot_records.h"
#include "driveaccess/dda_error_codes.h"
#include "platform/errors.h"

int ReadContainerHeader(char drive, MainHeader& header) {
  if (FfaContainerExists(drive) != FFA_OK) return FFA_ERR_NOT_FOUND;
  return FfaCheckMainHeader(FfaGetContainerPath(drive), header.Bytes());
}

bool ParseSlotArgument(const std::string& text, std::uint32_t* slot) {
  const std::optional<std::uint64_t> number = ParseDecimal(text);
  if (!number || *number == 0) return false;
  // Beyond every 16-bit ImageCount, so CheckSlot refuses it.
  *slot = *number > 0xFFFF ? 0xFFFF : static_cast<std::uint32_t>(*number - 1);
  return true;
}

int CheckSlot(const MainHeader& header, std::uint32_t slot) {
  return slot < header.ImageCount() ? 0 : DDA_ERR_NO_IMAGE_SELECTED;
}

int ReadSlotInfos(char drive, std::uint32_t first, std::uint32_t count,
                  std::vector<std::uint8_t>& records) {
  return FfaReadSlotRecords(FfaGetContainerPath(drive), first, count, records);
}
