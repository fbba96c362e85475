// Building the 2 MiB block of one slot: the image, 0xFF filler, the sector
// identifier table computed from the image, and the slot record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/bytes.h"
#include "base/clock.h"

// Sizes `block` to kContainerBlockSize, fills it with 0xFF, copies the blank
// template of the kind, builds the table from it and a slot record named
// "Empty <slotNumber>" (1-based) with `localTime`. A template of another size
// than the kind's image fails with DDA_ERR_WRONG_IMAGE_SIZE, block untouched.
[[nodiscard]] int BuildEmptySlotBlock(ByteBuffer& block, unsigned slotNumber, bool highDensity,
                                      const ByteBuffer& blankTemplate,
                                      const platform::LocalTime& localTime);

// Turns an empty slot block built for one slot number into the block of
// another: only its slot record is written again. A new container thus
// computes the table once, not once per slot. Fails with
// DDA_ERR_WRONG_IMAGE_SIZE when `block` is not a whole block.
[[nodiscard]] int SetSlotNumberInEmptyBlock(ByteBuffer& block, unsigned slotNumber,
                                            const platform::LocalTime& localTime);

// Sizes `block` to kContainerBlockSize, fills it with 0xFF, copies the image,
// builds the table from it and a slot record with `name` and the current
// local time. The image must be exactly the kind's image size: any other
// size fails with DDA_ERR_WRONG_FLOPPY_SIZE, a name the card cannot store
// with platform::kErrorNoUnicodeTranslation; the block is then untouched.
[[nodiscard]] int BuildImageSlotBlock(ByteBuffer& block, const std::uint8_t* image,
                                      std::size_t imageLength, const std::string& name,
                                      bool highDensity);
[[nodiscard]] int BuildImageSlotBlock(ByteBuffer& block, const ByteBuffer& image,
                                      const std::string& name, bool highDensity);

// The same for a block that already holds the image from offset 0 and is
// exactly the kind's image size (read there straight from a file, so that
// the image is not copied): the block grows to kContainerBlockSize around
// it. Any other size fails with DDA_ERR_WRONG_FLOPPY_SIZE, a name the card
// cannot store with platform::kErrorNoUnicodeTranslation; the block is then
// untouched.
[[nodiscard]] int FinishImageSlotBlock(ByteBuffer& block, const std::string& name,
                                       bool highDensity);
