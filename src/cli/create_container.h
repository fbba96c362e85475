// Making a new container on a card without the creation dialog: the checks
// run before anything on the card is touched, so a mistyped count never costs
// the user the container they have.
#pragma once

#include <cstdint>
#include <string>

class IProgressOwner;

// FFA_ERR_TOO_MANY_IMAGES / FFA_ERR_TOO_FEW_IMAGES for a count outside 1 to
// 99; FFA_ERR_FREE_SPACE when the container would not fit even once the old
// one is gone; else 0.
int CheckNewContainer(char drive, std::uint64_t count);

// CheckNewContainer and the name's check (CheckCardName), then: delete the
// old container, touch the card, create
// the new one and record its start sector. The first failure's code.
int CreateContainerOnCard(char drive, std::uint64_t count, bool highDensity,
                          const std::string& name, IProgressOwner* owner);
