// Encoding and decoding of single code points in UTF-8 and UTF-16, shared by
// the conversions that differ only in how they treat bad input, and the
// lenient conversions of whole texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Appends a code point (at most U+10FFFF).
void AppendUtf8(std::string& out, std::uint32_t cp);
void AppendUtf16(std::u16string& out, std::uint32_t cp);

// Decodes the sequence that starts at text[at]: its length, with the code
// point in *cp; 0 when the bytes there are not valid UTF-8 (cut short,
// overlong, a surrogate or beyond U+10FFFF).
std::size_t DecodeUtf8(std::string_view text, std::size_t at, std::uint32_t* cp);
// Decodes the unit or surrogate pair at text[at]: its length, 1 or 2, with
// the code point in *cp; 0 for an unpaired surrogate.
std::size_t DecodeUtf16(std::u16string_view text, std::size_t at, std::uint32_t* cp);

}  // namespace platform

// Conversions of whole texts between the program's 8-bit texts (UTF-8 on
// Linux, where it is the system code page) and UTF-16, as the virtual disk
// driver takes them. Bytes that are not valid UTF-8 become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// Unpaired surrogates become '?', as the system's default character.
std::string Utf16ToUtf8(std::u16string_view text);
