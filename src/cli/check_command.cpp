// The card check from the shell: one finding a line, and the repair.
#include <cstdio>
#include <vector>

#include "base/current_language.h"
#include "cli/card_handle.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/terminal_progress.h"
#include "container/card_check.h"
#include "services/error_report.h"

namespace {
void PrintFindings(const std::vector<CheckFinding>& findings) {
  if (findings.empty()) {
    std::printf("%s\n", Localized("No findings: the card is fine.",
                                  "Keine Befunde: die Karte ist in Ordnung.")
                            .c_str());
  }
  for (const CheckFinding& finding : findings) {
    std::printf("%s: %s. %s.\n", CheckSeverityText(finding.severity).c_str(),
                CheckFindingText(finding).c_str(), CheckRepairText(finding).c_str());
  }
}
}  // namespace

int RunCheck(const CliArgs& args) {
  const bool repair = args.Has("--repair");
  CardHandle card;
  if (!OpenCardOrReport(card, args.args[0], repair ? CardUse::kWrite : CardUse::kRead)) {
    return kExitFailed;
  }
  std::vector<CheckFinding> findings;
  if (const int rc = CheckCard(card.letter(), findings)) return ReportResult(rc);
  PrintFindings(findings);
  if (!repair || findings.empty()) return findings.empty() ? kExitOk : kExitFailed;
  // Like every command of the tool, the repair asks nothing.
  if (!CheckRawWriteTarget(card, args.Has("--any-disk"))) return kExitFailed;
  RebuildOutcome rebuild;
  const int rc = RepairCard(card.letter(), findings, ProgressOwner(), &rebuild);
  std::printf("%s\n", Localized("After the repair:", "Nach der Reparatur:").c_str());
  PrintFindings(findings);
  // A rebuild that failed says what became of the images, and where a copy
  // of them waits.
  if (!rebuild.ok()) {
    std::fprintf(stderr, "%s\n", RebuildOutcomeText(rebuild, ResultCodeText(rebuild.code)).c_str());
    return kExitFailed;
  }
  if (rc != 0) return ReportResult(rc);
  return findings.empty() ? kExitOk : kExitFailed;
}
