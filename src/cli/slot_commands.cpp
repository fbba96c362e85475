// Commands on single slots of the container.
#include <string>
#include <vector>

#include "base/current_language.h"
#include "cli/card_handle.h"
#include "cli/card_report.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/slot_access.h"
#include "cli/terminal_progress.h"
#include "container/card_names.h"
#include "container/container_layout.h"
#include "container/ffa_store.h"
#include "container/floppy_kind.h"
#include "container/slot_block.h"
#include "container/slot_info.h"
#include "driveaccess/dda_error_codes.h"
#include "platform/errors.h"

namespace {
int BadSlot(const std::string& text) {
  return UsageError(
      Localized("not a slot number (1, 2, ...): '", "keine Platznummer (1, 2, ...): '") + text +
      "'");
}

// The card opened, its container's header read and the slot checked; the
// exit status when any of that fails, else -1.
int OpenSlot(const CliArgs& args, CardHandle& card, MainHeader& header, std::uint32_t* slot,
             CardUse use) {
  if (!ParseSlotArgument(args.args[1], slot)) return BadSlot(args.args[1]);
  if (!OpenCardOrReport(card, args.args[0], use)) return kExitFailed;
  if (const int rc = ReadContainerHeader(card.letter(), header)) return ReportResult(rc);
  if (const int rc = CheckSlot(header, *slot)) return ReportResult(rc);
  return -1;
}
}  // namespace

int RunSlots(const CliArgs& args) {
  CardHandle card;
  if (!OpenCardOrReport(card, args.args[0], CardUse::kRead)) return kExitFailed;
  return ReportResult(PrintSlots(card.letter()));
}

int RunSlotName(const CliArgs& args) {
  if (!CheckNameArgument(args.args[2])) return kExitFailed;
  CardHandle card;
  MainHeader header;
  std::uint32_t slot = 0;
  if (const int status = OpenSlot(args, card, header, &slot, CardUse::kWrite); status >= 0)
    return status;
  std::vector<std::uint8_t> record;
  if (const int rc = ReadSlotInfos(card.letter(), slot, 1, record)) return ReportResult(rc);
  // Only the name changes; the time stamp says when the image was written.
  if (!SetSlotInfoName(record.data(), args.args[2]))
    return ReportResult(CheckCardName(args.args[2]));
  return ReportResult(WriteSlotInfo(card.letter(), slot, record.data()));
}

int RunReadSlot(const CliArgs& args) {
  CardHandle card;
  MainHeader header;
  std::uint32_t slot = 0;
  if (const int status = OpenSlot(args, card, header, &slot, CardUse::kRead); status >= 0)
    return status;
  ByteBuffer buffer(args.Has("--block") ? kContainerBlockSize
                                        : FloppyImageSize(header.IsHighDensity()));
  int rc;
  {
    // Gone from the terminal before any message is printed.
    auto progress = MakeProgress(Localized("Read DCF [PERCENT]", "Lese DCD [PERCENT]"));
    rc = FfaReadSlot(card.letter(), slot, buffer, progress.get());
  }
  if (rc == 0 && !FfaWriteFile(args.args[2], buffer)) rc = DDA_ERR_OPEN_FILE;
  return ReportResult(rc);
}

int RunWriteSlot(const CliArgs& args) {
  if (const std::string* given = args.Value("--name"); given && !CheckNameArgument(*given)) {
    return kExitFailed;
  }
  CardHandle card;
  MainHeader header;
  std::uint32_t slot = 0;
  if (const int status = OpenSlot(args, card, header, &slot, CardUse::kWrite); status >= 0)
    return status;
  // The image is read where the slot block holds it, in room for the whole
  // block: no second copy of it. A file too long for the slot is refused
  // before it is read.
  ByteBuffer block;
  block.reserve(kContainerBlockSize);
  if (!FfaReadFile(args.args[2], block, FloppyImageSize(header.IsHighDensity()))) {
    const std::uint32_t why = platform::GetLastError();
    if (why == platform::kErrorFileTooLarge) return ReportResult(DDA_ERR_WRONG_FLOPPY_SIZE);
    if (why == platform::kErrorBadFileType) return NotARegularFile(args.args[2]);
    return ReportResult(DDA_ERR_OPEN_FILE);
  }
  if (block.size() != FloppyImageSize(header.IsHighDensity())) {
    return ReportResult(DDA_ERR_WRONG_FLOPPY_SIZE);
  }
  std::string name;
  if (const std::string* given = args.Value("--name")) {
    name = *given;
  } else {
    std::vector<std::uint8_t> record;
    if (const int rc = ReadSlotInfos(card.letter(), slot, 1, record)) return ReportResult(rc);
    name = SlotInfoName(record.data());
  }
  if (const int rc = FinishImageSlotBlock(block, name, header.IsHighDensity())) {
    return ReportResult(rc);
  }
  int rc;
  {
    auto progress = MakeProgress(Localized("Write DCF [PERCENT]", "Schreibe DCD [PERCENT]"));
    rc = FfaWriteSlot(card.letter(), slot, block, progress.get());
  }
  return ReportResult(rc);
}
