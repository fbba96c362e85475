// Names on the card, the container's and the slots': stored in a
// zero-terminated field as Windows-1252 bytes, one a character, as the
// controller and containers written on Windows have them; typed and shown
// as UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// 0, or platform::kErrorNoUnicodeTranslation when the name holds a character
// that has no Windows-1252 byte (or is not UTF-8).
[[nodiscard]] int CheckCardName(const std::string& name);

// Zero-fills the field of fieldSize bytes and writes the name, cut to
// maxCharacters characters. False, with the field untouched, when
// CheckCardName refuses the name.
[[nodiscard]] bool WriteCardName(std::uint8_t* field, std::size_t fieldSize,
                                 std::size_t maxCharacters, const std::string& name);

// The name up to its terminator (all of a field without one), as UTF-8.
std::string ReadCardName(const std::uint8_t* field, std::size_t fieldSize);
