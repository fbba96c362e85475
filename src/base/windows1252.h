// Windows-1252, the single-byte code page of English and German Windows:
// names on the card are stored in it, one byte a character, while the
// program's own texts (typed and shown) are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Each byte as its character in UTF-8. The five bytes the code page leaves
// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of
// the same number, as Windows maps them, so that they come back unchanged.
std::string Windows1252ToUtf8(std::string_view bytes);

// One byte for each character of the UTF-8 text. False, with *out left
// alone, when the text is not valid UTF-8 or holds a character that has no
// byte in the code page; *unmapped (when given) then receives that character
// (U+FFFD for bytes that are not UTF-8).
bool Utf8ToWindows1252(std::string_view text, std::string* out, std::uint32_t* unmapped = nullptr);
