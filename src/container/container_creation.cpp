#include "container/container_creation.h"

#include <algorithm>
#include <cctype>

#include "base/current_language.h"
#include "container/card_state.h"
#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"

unsigned FfaCreationMaxCount(char drive, const OwnProgramFile& program, bool copyProgram,
                             bool createAutorun) {
  return FfaGetMaxImageCount(drive, FfaProgramReserve(drive, program, copyProgram, createAutorun));
}

unsigned ImageCountFromText(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  unsigned number = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    number = std::min(number * 10 + static_cast<unsigned>(text[i] - '0'), kMaxImageCount + 1);
  }
  return number;
}

std::optional<unsigned> ClampImageCount(std::string_view text, unsigned maximum) {
  const unsigned number = ImageCountFromText(text);
  unsigned wanted = number;
  if (maximum > 0 && wanted > maximum) wanted = maximum;
  if (wanted < 1) wanted = 1;
  // A number within the limits stays as typed ("007" included).
  if (wanted == number) return std::nullopt;
  return wanted;
}

int SpinnerPositionForMaximum(int position, int previousMaximum, int maximum) {
  return (position == previousMaximum || position == 0) ? maximum : position;
}

CreationOutcome CreateContainerWithProgram(char drive, const ContainerCreationRequest& request,
                                           const OwnProgramFile& program, IProgressOwner* owner) {
  FfaRemoveProgramFromCard(drive, program);
  FfaDeleteOnDrive(drive);
  FfaTouchCard(drive);
  if (const int rc = FfaCreate(drive, request.count, request.name, request.highDensity, owner)) {
    return {CreationStep::kCreate, rc};
  }
  if (request.copyProgram) FfaPutProgramOnCard(drive, program, request.createAutorun);
  if (const int rc = FfaMakeUsable(drive)) return {CreationStep::kMakeUsable, rc};
  return {};
}

std::string CreationStatusText(const CreationOutcome& outcome) {
  switch (outcome.failedStep) {
    case CreationStep::kCreate:
      return Localized("Create 'Dornveld Container File: ", "Dornveld Container Datei: '") +
             FfaErrorText(outcome.code) + Localized("", "' erzeugen");
    case CreationStep::kMakeUsable:
      return Localized(" Optimize & Get Position: ", "Dateiposition: '") +
             FfaErrorText(outcome.code) + Localized("", "' optimieren und ermitteln");
    case CreationStep::kReady:
      break;
  }
  return Localized(" Ready to Create DCF", "Bereit zur Erstellung der DCD");
}
