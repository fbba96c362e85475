// Commands on the container as a whole and on the card's state.
#include <string>

#include "base/current_language.h"
#include "cli/card_handle.h"
#include "cli/card_report.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/create_container.h"
#include "cli/slot_access.h"
#include "cli/terminal_progress.h"
#include "container/card_state.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/fpga_store.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"

namespace {
// The program's own file name, the part after the last separator.
std::string OwnProgramFileName() {
  const std::string path = platform::GetModuleFileName();
  const std::size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}
}  // namespace

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
  std::string name;
  if (const std::string* given = args.Value("--name")) {
    name = *given;
  } else if (MainHeader old; ReadContainerHeader(card.letter(), old) == 0) {
    name = old.Name();
  }
  return ReportResult(
      CreateContainerOnCard(card.letter(), *count, !args.Has("--dd"), name, ProgressOwner()));
}

int RunDelete(const CliArgs& args) {
  CardHandle card;
  if (!OpenCardOrReport(card, args.args[0])) return kExitFailed;
  if (!CheckRawWriteTarget(card, args.Has("--any-disk"))) return kExitFailed;
  return ReportResult(FfaDeleteOnDrive(card.letter()));
}

int RunErase(const CliArgs& args) {
  CardHandle card;
  if (!OpenCardOrReport(card, args.args[0])) return kExitFailed;
  if (!CheckRawWriteTarget(card, args.Has("--any-disk"))) return kExitFailed;
  const char drive = card.letter();
  // A volume that is not FAT holds no container; nothing on it is touched.
  std::uint64_t size = 0;
  CardState state;
  if (FfaGetCardState(card.entry(), size, state) & CARD_NO_FAT_VOLUME) {
    return ReportResult(static_cast<int>(platform::kErrorUnrecognizedMedia));
  }
  const std::string root = std::string(1, drive) + ":\\";
  // As the desktop window's erase every step runs; unlike the window, which
  // shows nothing, the tool says when the container or its start sector
  // record is still there afterwards.
  platform::RemoveFile(root + "autorun.inf");
  const std::string program = OwnProgramFileName();
  if (!program.empty()) platform::RemoveFile(root + program);
  const int erased = FfaErase(drive);
  const int cleared = FfaWriteStartSector(drive, 0);
  FfaTouchCard(drive);
  if (FfaContainerExists(drive) == FFA_OK) {
    return ReportResult(erased != FFA_OK && erased != FFA_ERR_NOT_FOUND ? erased : FFA_ERR_DELETE);
  }
  return ReportResult(cleared);
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
  const int rc = FfaWriteFpgaUpdate(card.letter(), file, ProgressOwner());
  if (file != nullptr && rc == static_cast<int>(platform::kErrorBadFileType)) {
    return NotARegularFile(*file);
  }
  return ReportResult(rc);
}
