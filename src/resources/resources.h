// Binary resources the program carries inside itself: the blank floppy
// templates and the help pages.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr char kResourceTypeBinary[] = "BINARY";
inline constexpr int kResourceHelpGerman = 152;
inline constexpr int kResourceHelpEnglish = 153;
inline constexpr int kResourceHdTemplate = 900;
inline constexpr int kResourceDdTemplate = 901;

// Points *data and *size at the resource's bytes, which stay valid until the
// process ends. False (outputs untouched) for an unknown type or id.
bool LoadResource(const char* type, int id, const std::uint8_t** data, std::size_t* size);
