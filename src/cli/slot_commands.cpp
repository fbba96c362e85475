// Commands on single slots of the container.
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "base/current_language.h"
#include "cli/card_handle.h"
#include "cli/card_report.h"
#include "cli/cli_card_user.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/slot_access.h"
#include "container/card_operations.h"
#include "container/slot_files.h"
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

// The result, with the engine's reason for a path it could not read.
int ReportInImage(int rc, const std::string& path, const std::string& detail) {
  if (rc != 0 && !detail.empty()) Failure("'" + PrintableName(path) + "': " + detail);
  return ReportResult(rc);
}
}  // namespace

int RunSlots(const CliArgs& args) {
  CardHandle card;
  if (!OpenCardOrReport(card, args.args[0], CardUse::kRead)) return kExitFailed;
  return ReportResult(PrintSlots(card.letter(), args.Has("--contents")));
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

int RunListSlotFiles(const CliArgs& args) {
  CardHandle card;
  MainHeader header;
  std::uint32_t slot = 0;
  if (const int status = OpenSlot(args, card, header, &slot, CardUse::kRead); status >= 0)
    return status;
  const std::string path = args.args.size() > 2 ? args.args[2] : "";
  std::vector<fat::DirEntryInfo> entries;
  std::string detail;
  CliCardUser user;
  const int rc = CardListSlotFolder(CliSlotTarget(card.letter(), slot, header.IsHighDensity()),
                                    path, entries, detail, user);
  if (rc != 0) return ReportInImage(rc, path, detail);
  // Name, size and time of change, tab-separated as `slots` is; a folder's
  // name ends in '/' and it has no size.
  for (const fat::DirEntryInfo& e : entries) {
    const platform::LocalTime& t = e.modified;
    const std::string size = e.isDirectory() ? "" : std::to_string(e.size);
    std::printf("%s%s\t%s\t%04u-%02u-%02u %02u:%02u:%02u\n", PrintableName(e.longName).c_str(),
                e.isDirectory() ? "/" : "", size.c_str(), t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  }
  return kExitOk;
}

int RunGetSlotFile(const CliArgs& args) {
  CardHandle card;
  MainHeader header;
  std::uint32_t slot = 0;
  if (const int status = OpenSlot(args, card, header, &slot, CardUse::kRead); status >= 0)
    return status;
  std::string detail;
  CliCardUser user;
  const int rc = CardCopyFileOutOfSlot(CliSlotTarget(card.letter(), slot, header.IsHighDensity()),
                                       args.args[2], args.args[3], detail, user);
  return ReportInImage(rc, args.args[2], detail);
}
