// The pieces of the container that the slot commands read beside the card
// operations: its main header, and the 512-byte slot records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "container/main_header.h"

// The card's container header when it is valid; else FFA_ERR_NOT_FOUND,
// FFA_ERR_OPEN (held open elsewhere) or FFA_ERR_NO_SIGNATURE.
[[nodiscard]] int ReadContainerHeader(char drive, MainHeader& header);

// A SLOT argument (counting from 1) as a 0-based slot. Usage errors (not a
// number, 0) are false; a slot beyond the container's ImageCount is left for
// CheckSlot.
[[nodiscard]] bool ParseSlotArgument(const std::string& text, std::uint32_t* slot);
// 0, or DDA_ERR_NO_IMAGE_SELECTED when the 0-based slot is not in the container.
[[nodiscard]] int CheckSlot(const MainHeader& header, std::uint32_t slot);

// The slot records of `count` slots from `first` (0-based), 512 bytes each,
// read through one read-only open of the container. DDA_ERR_FILE_NOT_FOUND
// when it cannot be opened, DDA_ERR_SET_POSITION when the position cannot be
// reached, the system error of a failed read.
[[nodiscard]] int ReadSlotInfos(char drive, std::uint32_t first, std::uint32_t count,
                                std::vector<std::uint8_t>& records);
