#include <cstdint>
#include <string>

#include "platform/errors.h"
#include "platform/profile_store.h"
#include "platform/windows/win32.h"

// The profile in the registry, as the framework keeps it once a company key
// is set: HKEY_CURRENT_USER\Software\<company>\<program>\<section>, numbers
// as REG_DWORD, texts as REG_SZ.
namespace platform {
namespace {

std::string ProgramKey() {
  return "Software\\" + ProfileCompany() + "\\" + ProfileApplicationName();
}

HKEY OpenSection(const char* section, bool create) {
  const std::string path = ProgramKey() + "\\" + section;
  HKEY key = nullptr;
  const LONG code = create ? RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                             KEY_READ | KEY_WRITE, nullptr, &key, nullptr)
                           : RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key);
  if (code != ERROR_SUCCESS) {
    SetLastError(static_cast<std::uint32_t>(code));
    return nullptr;
  }
  return key;
}

bool Stored(LONG code) {
  if (code == ERROR_SUCCESS) return true;
  SetLastError(static_cast<std::uint32_t>(code));
  return false;
}

}  // namespace

std::string ProfileFilePath() {
  return "HKEY_CURRENT_USER\\" + ProgramKey();
}

int GetProfileInt(const char* section, const char* entry, int defaultValue) {
  if (section == nullptr || entry == nullptr) return defaultValue;
  HKEY key = OpenSection(section, false);
  if (key == nullptr) return defaultValue;
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof value;
  const LONG code =
      RegQueryValueExA(key, entry, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  ::RegCloseKey(key);
  if (code != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return defaultValue;
  return static_cast<int>(value);
}

bool WriteProfileInt(const char* section, const char* entry, int value) {
  if (section == nullptr || entry == nullptr) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  HKEY key = OpenSection(section, true);
  if (key == nullptr) return false;
  const auto dword = static_cast<DWORD>(value);
  const LONG code =
      RegSetValueExA(key, entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dword), sizeof dword);
  ::RegCloseKey(key);
  return Stored(code);
}

std::string GetProfileString(const char* section, const char* entry, const char* defaultValue) {
  std::string fallback = defaultValue != nullptr ? defaultValue : "";
  if (section == nullptr || entry == nullptr) return fallback;
  HKEY key = OpenSection(section, false);
  if (key == nullptr) return fallback;
  DWORD type = 0;
  DWORD size = 0;
  LONG code = RegQueryValueExA(key, entry, nullptr, &type, nullptr, &size);
  std::string value(size, '\0');
  if (code == ERROR_SUCCESS && size > 0) {
    code =
        RegQueryValueExA(key, entry, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size);
  }
  ::RegCloseKey(key);
  if (code != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return fallback;
  value.resize(size);
  while (!value.empty() && value.back() == '\0') value.pop_back();
  return value;
}

bool WriteProfileString(const char* section, const char* entry, const char* value) {
  if (section == nullptr || entry == nullptr) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  HKEY key = OpenSection(section, true);
  if (key == nullptr) return false;
  const LONG code =
      value == nullptr
          ? RegDeleteValueA(key, entry)
          : RegSetValueExA(key, entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           static_cast<DWORD>(std::char_traits<char>::length(value) + 1));
  ::RegCloseKey(key);
  return code == ERROR_FILE_NOT_FOUND || Stored(code);
}

}  // namespace platform
