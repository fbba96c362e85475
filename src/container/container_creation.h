// Making a new container on a card the way the creation dialog does it: the
// largest image count beside the program copy, the count field's limits, the
// steps of the creation and the status line texts that report them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "container/card_program.h"

class IProgressOwner;

// The largest image count that fits beside the files the two options put on
// the card (FfaProgramReserve), at most 99.
unsigned FfaCreationMaxCount(char drive, const OwnProgramFile& program, bool copyProgram,
                             bool createAutorun);

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
  std::uint32_t count = 1;
  std::string name;
  bool highDensity = true;
  bool copyProgram = true;
  bool createAutorun = true;
};

// Where a creation stopped.
enum class CreationStep {
  kReady,       // nothing tried yet, or everything done
  kCreate,      // FfaCreate failed
  kMakeUsable,  // the container is there, but its start sector is not recorded
};

struct CreationOutcome {
  CreationStep failedStep = CreationStep::kReady;
  int code = 0;
  bool ok() const { return failedStep == CreationStep::kReady; }
};

// In this order: delete the old autorun file, program copy and container and
// touch the card (results ignored); create the container; put the program on
// the card; record the start sector.
CreationOutcome CreateContainerWithProgram(char drive, const ContainerCreationRequest& request,
                                           const OwnProgramFile& program, IProgressOwner* owner);

// The status line's text for the outcome, in the current language.
std::string CreationStatusText(const CreationOutcome& outcome);
