// The blank FAT12 floppy images that every empty slot starts from, as a
// freshly formatted 1.44 MB or 720 KB disk looks.
#pragma once

#include "base/bytes.h"

inline constexpr std::uint32_t kHdTemplateSerial = 0x58114E60;
inline constexpr std::uint32_t kDdTemplateSerial = 0x5186B0C0;
inline constexpr std::uint8_t kUnusedDataFill = 0xF6;  // what the formatter leaves in data sectors

// Builds the blank image of the kind (1,474,560 or 737,280 bytes). The
// result is the same on every call: all empty slots carry the same serial.
ByteBuffer MakeBlankFloppyImage(bool highDensity);
