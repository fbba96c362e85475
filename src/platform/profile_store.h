// The per-user application profile (the framework's GetProfileInt /
// WriteProfileInt / GetProfileString / WriteProfileString): sections of named
// values under Software\<company>\<program name>.
//
// On Linux the profile is the INI file <config>/<company>/<program name>.ini,
// where <config> is the user's configuration folder, read at each call, and
// the program name is the program file's name without extension. Every write
// replaces the file atomically. On Windows it is the registry key
// HKEY_CURRENT_USER\Software\<company>\<program name>\<section>.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The company key ("Dornveld"), set once at start-up (SetRegistryKey).
void SetProfileRegistryKey(const std::string& company);

// The company key as set.
std::string ProfileCompany();

// The program file's name without folder and extension.
std::string ProfileApplicationName();

// Where the profile lives at the moment.
std::string ProfileFilePath();

// The entry as a number, or the default when it is missing or not a number.
int GetProfileInt(const char* section, const char* entry, int defaultValue);
// False with the last error set when the profile cannot be written.
bool WriteProfileInt(const char* section, const char* entry, int value);

// The entry's text, or the default (empty for null) when it is missing.
std::string GetProfileString(const char* section, const char* entry,
                             const char* defaultValue = nullptr);
// A null value removes the entry. False with the last error set on failure.
bool WriteProfileString(const char* section, const char* entry, const char* value);

}  // namespace platform
