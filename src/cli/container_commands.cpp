// Commands on the container as a whole and on the card's state.
#include <string>

#include "base/current_language.h"
#include "cli/card_handle.h"
#include "cli/card_report.h"
#include "cli/cli_card_user.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/slot_access.h"
#include "cli/terminal_progress.h"
#include "container/card_operations.h"
#include "container/card_program.h"
#include "container/card_state.h"
#include "container/container_creation.h"
#include "container/ffa_store.h"
#include "platform/errors.h"

int RunState(const CliArgs& args) {
  CardHandle card;
  if (!OpenCardOrReport(card, args.args[0], CardUse::kRead)) return kExitFailed;
  PrintCardState(card.entry());
  return kExitOk;
}

int RunCreate(const CliArgs& args) {
  const std::string* countText = args.Value("--count");
  if (countText == nullptr) {
    return UsageError(Localized("create needs --count N", "create braucht --count N"));
  }
  const std::optional<std::uint64_t> count = ParseDecimal(*countText);
  if (!count) {
    return UsageError(Localized("not a count: '", "keine Anzahl: '") + *countText + "'");
  }
  if (const std::string* given = args.Value("--name"); given && !CheckNameArgument(*given)) {
    return kExitFailed;
  }
  CardHandle card;
  if (!OpenCardOrReport(card, args.args[0])) return kExitFailed;
  if (!CheckRawWriteTarget(card, args.Has("--any-disk"))) return kExitFailed;
  // Re-creating keeps the name unless a new one is given, as the creation
  // dialog starts from the container's current name.
  ContainerCreationRequest request;
  request.count = *count;
  request.highDensity = !args.Has("--dd");
  if (const std::string* given = args.Value("--name")) {
    request.name = *given;
  } else if (MainHeader old; ReadContainerHeader(card.letter(), old) == 0) {
    request.name = old.Name();
  }
  return ReportResult(CreateContainer(card.letter(), request, ProgressOwner()).code);
}

int RunDelete(const CliArgs& args) {
  CardHandle card;
  if (!OpenCardOrReport(card, args.args[0])) return kExitFailed;
  if (!CheckRawWriteTarget(card, args.Has("--any-disk"))) return kExitFailed;
  return ReportResult(CardDeleteContainer(FfaGetContainerPath(card.letter())));
}

int RunErase(const CliArgs& args) {
  CardHandle card;
  if (!OpenCardOrReport(card, args.args[0])) return kExitFailed;
  if (!CheckRawWriteTarget(card, args.Has("--any-disk"))) return kExitFailed;
  // Unlike the desktop window, which shows nothing, the tool says when the
  // container or its start sector record is still there afterwards.
  return ReportResult(CardErase(card.letter(), ReadOwnProgramFile()));
}

int RunMakeUsable(const CliArgs& args) {
  CardHandle card;
  if (!OpenCardOrReport(card, args.args[0])) return kExitFailed;
  if (!CheckRawWriteTarget(card, args.Has("--any-disk"))) return kExitFailed;
  return ReportResult(FfaMakeUsable(card.letter()));
}

int RunRename(const CliArgs& args) {
  if (!CheckNameArgument(args.args[1])) return kExitFailed;
  CardHandle card;
  if (!OpenCardOrReport(card, args.args[0])) return kExitFailed;
  return ReportResult(FfaRename(card.letter(), args.args[1]));
}

int RunFpga(const CliArgs& args) {
  const bool clear = args.Has("--clear");
  if (clear == (args.args.size() == 2)) {
    return UsageError(
        Localized("fpga needs either FILE or --clear", "fpga braucht entweder DATEI oder --clear"));
  }
  CardHandle card;
  if (!OpenCardOrReport(card, args.args[0])) return kExitFailed;
  const std::string* file = clear ? nullptr : &args.args[1];
  CliCardUser user;
  const int rc = CardStoreFpgaUpdate(card.letter(), file, user);
  if (file != nullptr && rc == static_cast<int>(platform::kErrorBadFileType)) {
    return NotARegularFile(*file);
  }
  return ReportResult(rc);
}
