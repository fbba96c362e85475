// The registry: keys below two roots, each holding named values (the Win32
// registry calls the program uses, with their results as Windows error codes).
//
// On Linux each root is a text file in <config>/Dornveld/registry/, read at
// each call from the user's configuration folder and replaced atomically on
// every change, so that keys, value types and sizes behave as on Windows.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// An open key; 0 is none. The two roots are open at all times.
using RegKey = std::uintptr_t;
inline constexpr RegKey kHkeyClassesRoot = 0x80000000u;
inline constexpr RegKey kHkeyCurrentUser = 0x80000001u;

// Value types.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;

// Every call returns 0 or a Windows error code: 2 for a missing key or value,
// 6 for a handle that is not open, 234 (more data) for a value larger than the
// buffer given, or the code of a store that cannot be read or written.

// Opens an existing key below `key`; an empty or null sub-key opens `key`
// itself again. The new handle must be closed.
std::uint32_t RegOpenKey(RegKey key, const char* subKey, RegKey* result);
std::uint32_t RegOpenKeyEx(RegKey key, const char* subKey, std::uint32_t access, RegKey* result);
// Opens a key, creating it and its missing parents first.
std::uint32_t RegCreateKey(RegKey key, const char* subKey, RegKey* result);
std::uint32_t RegCloseKey(RegKey key);

// Reads a value (null or empty name: the key's default value). *size gives the
// buffer's size and receives the value's size, also when the buffer is too
// small (234) or null (size query). type and data may be null.
std::uint32_t RegQueryValueEx(RegKey key, const char* valueName, std::uint32_t* type,
                              std::uint8_t* data, std::uint32_t* size);
std::uint32_t RegSetValueEx(RegKey key, const char* valueName, std::uint32_t type,
                            const std::uint8_t* data, std::uint32_t size);
std::uint32_t RegDeleteValue(RegKey key, const char* valueName);

// The file that holds a root's keys at the moment.
std::string RegistryStoreFile(RegKey root);

}  // namespace platform
