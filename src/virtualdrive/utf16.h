// Conversions between the program's 8-bit texts (UTF-8 on Linux, where it is
// the system code page) and the driver's UTF-16.
#pragma once

#include <string>
#include <string_view>

// Bytes that are not valid UTF-8 become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

// Unpaired surrogates become '?', as the system's default character.
std::string Utf16ToUtf8(std::u16string_view text);
