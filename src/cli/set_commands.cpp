// Commands on the whole set of slots: every slot's image exported to a
// folder, a folder of images imported into the slots.
#include <cstdio>
#include <string>

#include "cli/card_handle.h"
#include "cli/cli_card_user.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "container/card_image_sets.h"
#include "services/error_report.h"

namespace {
// The summary on standard output when the set was gone through whole, else
// on standard error; the exit status fails for any file left out.
int ReportSet(const ImageSetResult& result, bool imported) {
  const std::string summary = ImageSetSummary(result, imported, ResultCodeText);
  const bool whole = result.code == 0 && result.notFitting == 0 && result.refused.empty();
  if (!summary.empty()) std::fprintf(whole ? stdout : stderr, "%s\n", summary.c_str());
  return whole ? kExitOk : kExitFailed;
}
}  // namespace

int RunExport(const CliArgs& args) {
  CardHandle card;
  if (!OpenCardOrReport(card, args.args[0], CardUse::kRead)) return kExitFailed;
  CliCardUser user(args.args[1]);
  return ReportSet(CardExportImages(card.letter(), user), false);
}

int RunImport(const CliArgs& args) {
  CardHandle card;
  if (!OpenCardOrReport(card, args.args[0], CardUse::kWrite)) return kExitFailed;
  CliCardUser user(args.args[1]);
  return ReportSet(CardImportImages(card.letter(), user), true);
}
