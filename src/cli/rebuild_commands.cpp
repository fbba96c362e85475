// Making the container anew with its images kept, and writing back a copy
// that a failed rebuild left on the computer.
#include <cstdio>
#include <optional>
#include <string>

#include "base/current_language.h"
#include "cli/card_handle.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/terminal_progress.h"
#include "container/container_rebuild.h"
#include "services/error_report.h"

namespace {
int Report(const RebuildOutcome& outcome) {
  const std::string text = RebuildOutcomeText(outcome, ResultCodeText(outcome.code));
  std::fprintf(outcome.ok() ? stdout : stderr, "%s\n", text.c_str());
  return outcome.ok() ? kExitOk : kExitFailed;
}

// The card opened for writing, or false once the user was told why not.
bool OpenForRebuild(CardHandle& card, const CliArgs& args) {
  return OpenCardOrReport(card, args.args[0]) && CheckRawWriteTarget(card, args.Has("--any-disk"));
}
}  // namespace

int RunResize(const CliArgs& args) {
  const std::string* countText = args.Value("--count");
  if (countText == nullptr) {
    return UsageError(Localized("resize needs --count N", "resize braucht --count N"));
  }
  const std::optional<std::uint64_t> count = ParseDecimal(*countText);
  if (!count) {
    return UsageError(Localized("not a count: '", "keine Anzahl: '") + *countText + "'");
  }
  CardHandle card;
  if (!OpenForRebuild(card, args)) return kExitFailed;
  // A count beyond any container is refused by the rebuild's own check.
  const unsigned wanted = *count > 1000 ? 1000u : static_cast<unsigned>(*count);
  return Report(ResizeContainer(card.letter(), wanted, ProgressOwner()));
}

int RunDefragment(const CliArgs& args) {
  CardHandle card;
  if (!OpenForRebuild(card, args)) return kExitFailed;
  return Report(DefragmentContainer(card.letter(), ProgressOwner()));
}

int RunRestore(const CliArgs& args) {
  CardHandle card;
  if (!OpenForRebuild(card, args)) return kExitFailed;
  return Report(RestoreContainer(card.letter(), args.args[1], ProgressOwner()));
}
