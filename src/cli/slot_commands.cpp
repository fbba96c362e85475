// Commands on single slots of the container.
#include <string>

#include "base/current_language.h"
#include "cli/card_handle.h"
#include "cli/card_report.h"
#include "cli/cli_card_user.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/slot_access.h"
#include "container/card_operations.h"
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
  return ReportResult(
      CardWriteSlotName(CliSlotTarget(card.letter(), slot, header.IsHighDensity()), args.args[2]));
}

int RunReadSlot(const CliArgs& args) {
  CardHandle card;
  MainHeader header;
  std::uint32_t slot = 0;
  if (const int status = OpenSlot(args, card, header, &slot, CardUse::kRead); status >= 0)
    return status;
  CliCardUser user(args.args[2]);
  return ReportResult(CardSlotToFile(CliSlotTarget(card.letter(), slot, header.IsHighDensity()),
                                     user, args.Has("--block")));
}

int RunWriteSlot(const CliArgs& args) {
  const std::string* given = args.Value("--name");
  if (given && !CheckNameArgument(*given)) return kExitFailed;
  CardHandle card;
  MainHeader header;
  std::uint32_t slot = 0;
  if (const int status = OpenSlot(args, card, header, &slot, CardUse::kWrite); status >= 0)
    return status;
  SlotTarget target = CliSlotTarget(card.letter(), slot, header.IsHighDensity());
  // Without --name the slot keeps its name.
  if (given) target.name = *given;
  CliCardUser user(args.args[2]);
  const int rc = CardFileToSlot(target, user);
  if (rc == static_cast<int>(platform::kErrorBadFileType)) return NotARegularFile(args.args[2]);
  return ReportResult(rc);
}
