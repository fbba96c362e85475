// The number syntax of the number edit fields: leading blanks, an optional
// sign, then decimal digits, or hexadecimal digits after "0x", "x" or "16#",
// or binary digits after "b" or "2#" (prefixes in either case). Blanks may
// also follow the digits; anything else makes the text no number.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

enum class EditNumberState {
  kNumber,      // a complete number
  kIncomplete,  // may still become one (empty, a sign or a prefix alone)
  kInvalid,     // can never become one by typing more
};

EditNumberState CheckEditNumber(std::string_view text);

// The value of a complete number. Its digits must fit in 32 bits; the sign
// applies afterwards, so "-1" is -1 and callers that keep an unsigned 32-bit
// value take it modulo 2^32, as C's strtoul does.
std::optional<std::int64_t> ParseEditNumber(std::string_view text);

// What a field with this text reads when Enter is pressed: the value of a
// complete number, 0 for a number not begun yet ("", a sign or a prefix
// alone, as strtoul reads them), none for text that can never be a number.
std::optional<std::int64_t> ReadEditNumber(std::string_view text);
