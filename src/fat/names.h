// File names on FAT: long (VFAT) names in UTF-16, 8.3 short names with
// Windows-style numeric tails, and case-insensitive comparison.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "fat/status.h"

namespace fat {

using ShortName = std::array<std::uint8_t, 11>;  // "NAME    EXT", blank padded

inline constexpr std::size_t kMaxLongNameLength = 255;

// UTF-8 <-> UTF-16. Invalid UTF-8 gives false.
bool Utf8ToUtf16(const std::string& in, std::u16string* out);
std::string Utf16ToUtf8(const std::u16string& in);

// Upper-case folding used for lookups (ASCII and Latin-1 letters).
char16_t FoldCase(char16_t c);
bool NamesEqual(const std::u16string& a, const std::u16string& b);

// Checks a name for a new entry: not empty, at most 255 units, none of
// control characters and " * / : < > ? \ |, not "." or "..". Trailing dots
// and blanks are dropped first, as Windows does.
Status CleanLongName(const std::u16string& in, std::u16string* out);

// The checksum of a short name that every long-name entry carries.
std::uint8_t ShortNameChecksum(const ShortName& name);

// True when `name` is already a valid upper-case 8.3 name; it then needs no
// long name, and `out` receives its field form.
bool IsPlainShortName(const std::u16string& name, ShortName* out);

// The short name for a new entry with long name `name`. A plain 8.3 name is
// used as it is (`needsLongName` false). Otherwise the upper-case basis is
// used when the name fits 8.3 after upper-casing alone and is not taken;
// else "BASIS~n.EXT" with the smallest free n, as Windows makes them
// ("DornveldFLP" -> "DORNVE~1"). `taken` tells whether a short name exists.
Status MakeShortName(const std::u16string& name, const std::function<bool(const ShortName&)>& taken,
                     ShortName* out, bool* needsLongName);

// "NAME.EXT" from the field form; the NT case bits (0x08 base, 0x10
// extension) make the parts lower case.
std::string ShortNameToString(const ShortName& name, std::uint8_t caseBits = 0);

// The 11-byte label field for a volume label: upper case, blank padded.
Status MakeLabelField(const std::string& label, ShortName* out);

}  // namespace fat
