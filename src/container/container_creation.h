// Making a new container on a card: the old one deleted first with the
// user's consent, the largest image count beside the program copy, the count
// field's limits, the steps of the creation and the status line texts that
// report them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "container/card_program.h"

class ICardUser;
class IProgressOwner;
struct CardState;

// Before a creation: a valid container on the card goes only when the user
// agrees to delete it, and the creation goes ahead only once it is gone. 0
// to go on; kCardCancelled when the user said No or the container is still
// there (the user has been told).
[[nodiscard]] int CardDeleteOldContainer(const CardState& state, ICardUser& user);

// The question before a valid container is deleted for a new one.
std::string OldContainerDeleteQuestion();

// The largest image count that fits beside the files the two options put on
// the card (FfaProgramReserve), at most 99. With oldContainerGoes the room
// of the container on the card counts as free: it goes before the new one
// is made (a creation and a rebuild alike).
unsigned FfaCreationMaxCount(char drive, const OwnProgramFile& program, bool copyProgram,
                             bool createAutorun, bool oldContainerGoes = false);

// The number of the count field: its leading decimal digits (0 when there
// are none); anything above 99 reads as 100.
unsigned ImageCountFromText(std::string_view text);

// The count field after the user changed it: its number cut to the maximum
// when larger, and 1 when smaller than 1. None when the field may keep its
// text. With a maximum of 0 only the lower limit holds, so that the field
// settles.
std::optional<unsigned> ClampImageCount(std::string_view text, unsigned maximum);

// The spinner's position once its maximum moved from previousMaximum (-1:
// none yet) to maximum: a position at the old maximum or at 0 follows the
// new maximum; any other stays.
int SpinnerPositionForMaximum(int position, int previousMaximum, int maximum);

struct ContainerCreationRequest {
  std::uint64_t count = 1;
  std::string name;
  bool highDensity = true;
  bool copyProgram = true;
  bool createAutorun = true;
};

// Where a creation stopped.
enum class CreationStep {
  kReady,       // nothing tried yet, or everything done
  kDeleteOld,   // a corrupt old container could not be deleted
  kCreate,      // FfaCreate failed
  kMakeUsable,  // the container is there, but its start sector is not recorded
};

struct CreationOutcome {
  CreationStep failedStep = CreationStep::kReady;
  int code = 0;
  bool ok() const { return failedStep == CreationStep::kReady; }
};

// FFA_ERR_TOO_MANY_IMAGES / FFA_ERR_TOO_FEW_IMAGES for a count outside 1 to
// 99; FFA_ERR_FREE_SPACE when the container would not fit even once the old
// one is gone; else 0.
[[nodiscard]] int CheckNewContainer(char drive, std::uint64_t count);

// In this order: check the count, the room and the name, so that a mistyped
// count never costs the container there is; delete the old autorun file,
// program copy and container and touch the card (results ignored); create
// the container; put the program on the card; record the start sector.
[[nodiscard]] CreationOutcome CreateContainerWithProgram(char drive,
                                                         const ContainerCreationRequest& request,
                                                         const OwnProgramFile& program,
                                                         IProgressOwner* owner);
// The same for a front end that puts no program on the card: the program's
// files are neither deleted nor written.
[[nodiscard]] CreationOutcome CreateContainer(char drive, const ContainerCreationRequest& request,
                                              IProgressOwner* owner);

// The status line's text for the outcome, in the current language.
std::string CreationStatusText(const CreationOutcome& outcome);
