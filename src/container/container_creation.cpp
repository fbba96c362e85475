#include "container/container_creation.h"

#include <algorithm>
#include <cctype>

#include "base/current_language.h"
#include "container/card_names.h"
#include "container/card_operations.h"
#include "container/card_state.h"
#include "container/container_file.h"
#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "platform/files.h"

namespace {
// The bytes the old container gives back when it is deleted; 0 when there is
// none or it cannot be measured (then it cannot be deleted either).
std::uint64_t OldContainerBytes(char drive) {
  const std::string path = FfaGetContainerPath(drive);
  if (!platform::PathExists(path)) return 0;
  platform::File file =
      platform::OpenFile(path, platform::kGenericRead, platform::Disposition::kOpenExisting);
  std::uint64_t end = 0;
  if (!file.IsOpen() || !file.Seek(0, platform::SeekOrigin::kEnd, &end)) return 0;
  return end;
}

CreationOutcome Create(char drive, const ContainerCreationRequest& request,
                       const OwnProgramFile* program, IProgressOwner* owner) {
  // A container file has no card around it to create a container on.
  if (const int rc = RefuseContainerFile(drive)) return {CreationStep::kCreate, rc};
  if (const int rc = CheckNewContainer(drive, request.count)) return {CreationStep::kCreate, rc};
  if (const int rc = CheckCardName(request.name)) return {CreationStep::kCreate, rc};
  if (program != nullptr) FfaRemoveProgramFromCard(drive, *program);
  // Neither result is looked at: an old container that is still there makes
  // the creation fail, and a card that cannot be written fails there too.
  (void)FfaDeleteOnDrive(drive);
  (void)FfaTouchCard(drive);
  if (const int rc = FfaCreate(drive, static_cast<std::uint32_t>(request.count), request.name,
                               request.highDensity, owner)) {
    return {CreationStep::kCreate, rc};
  }
  if (program != nullptr && request.copyProgram) {
    FfaPutProgramOnCard(drive, *program, request.createAutorun);
  }
  if (const int rc = FfaMakeUsable(drive)) return {CreationStep::kMakeUsable, rc};
  return {};
}
}  // namespace

int CardDeleteOldContainer(const CardState& state, ICardUser& user) {
  const std::string& path = state.ContainerPath;
  if ((state.Flags & CARD_CONTAINER_VALID) == 0 || !platform::PathExists(path)) return 0;
  if (!user.AskYesNo(OldContainerDeleteQuestion())) {
    return kCardCancelled;
  }
  // Whether the file is gone decides, whatever the deletion says.
  (void)FfaDelete(path);
  if (!platform::PathExists(path)) return 0;
  user.ShowMessage(Localized("Error Delete 'Dornveld Container File'\nCan't continue.",
                             "Fehler beim Löschen der 'Dornveld Container Datei'.\nKann "
                             "nicht fortfahren."));
  return kCardCancelled;
}

std::string OldContainerDeleteQuestion() {
  return Localized("'Dornveld Container File' existing.\nDelete this file ?",
                   "'Dornveld Container Datei' besteht bereits.\nSoll die "
                   "Datei gelöscht werden ?");
}

unsigned FfaCreationMaxCount(char drive, const OwnProgramFile& program, bool copyProgram,
                             bool createAutorun, bool oldContainerGoes) {
  const std::uint64_t reserve = FfaProgramReserve(drive, program, copyProgram, createAutorun);
  if (!oldContainerGoes) return FfaGetMaxImageCount(drive, reserve);
  // As FfaGetMaxImageCount, over the free room and the old container's.
  const std::uint64_t room = FfaGetDriveFreeBytes(drive).value_or(0) + OldContainerBytes(drive);
  if (room <= reserve) return 0;
  std::uint64_t count = (room - reserve) / kContainerBlockSize;
  if (count > 0) --count;  // the main header block
  return static_cast<unsigned>(std::min<std::uint64_t>(count, kMaxImageCount));
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

int CheckNewContainer(char drive, std::uint64_t count) {
  if (count > kMaxImageCount) return FFA_ERR_TOO_MANY_IMAGES;
  if (count < kMinImageCount) return FFA_ERR_TOO_FEW_IMAGES;
  const std::uint64_t required = (count + 1) * kContainerBlockSize;
  const std::uint64_t available =
      FfaGetDriveFreeBytes(drive).value_or(0) + OldContainerBytes(drive);
  return required > available ? FFA_ERR_FREE_SPACE : FFA_OK;
}

CreationOutcome CreateContainerWithProgram(char drive, const ContainerCreationRequest& request,
                                           const OwnProgramFile& program, IProgressOwner* owner) {
  return Create(drive, request, &program, owner);
}

CreationOutcome CreateContainer(char drive, const ContainerCreationRequest& request,
                                IProgressOwner* owner) {
  return Create(drive, request, nullptr, owner);
}

std::string CreationStatusText(const CreationOutcome& outcome) {
  switch (outcome.failedStep) {
    case CreationStep::kCreate:
      return Localized("Create 'Dornveld Container File: ", "Dornveld Container Datei: '") +
             FfaErrorText(outcome.code) + Localized("", "' erzeugen");
    case CreationStep::kDeleteOld:
      return FfaErrorText(outcome.code);
    case CreationStep::kMakeUsable:
      return Localized(" Optimize & Get Position: ", "Dateiposition: '") +
             FfaErrorText(outcome.code) + Localized("", "' optimieren und ermitteln");
    case CreationStep::kReady:
      break;
  }
  return Localized(" Ready to Create DCF", "Bereit zur Erstellung der DCD");
}
