#include "platform/registry_store.h"

#include "platform/windows/win32.h"

// The registry itself: the root keys' values are Windows' own HKEY values,
// so a RegKey is an HKEY.
namespace platform {
namespace {

HKEY Key(RegKey key) {
  return reinterpret_cast<HKEY>(key);
}

}  // namespace

std::uint32_t RegOpenKey(RegKey key, const char* subKey, RegKey* result) {
  return RegOpenKeyEx(key, subKey, kKeyAllAccess, result);
}

std::uint32_t RegOpenKeyEx(RegKey key, const char* subKey, std::uint32_t access, RegKey* result) {
  HKEY opened = nullptr;
  const LONG code = RegOpenKeyExA(Key(key), subKey, 0, access, &opened);
  if (code == ERROR_SUCCESS) *result = reinterpret_cast<RegKey>(opened);
  return static_cast<std::uint32_t>(code);
}

std::uint32_t RegCreateKey(RegKey key, const char* subKey, RegKey* result) {
  HKEY created = nullptr;
  const LONG code =
      RegCreateKeyExA(Key(key), subKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr);
  if (code == ERROR_SUCCESS) *result = reinterpret_cast<RegKey>(created);
  return static_cast<std::uint32_t>(code);
}

std::uint32_t RegCloseKey(RegKey key) {
  return static_cast<std::uint32_t>(::RegCloseKey(Key(key)));
}

std::uint32_t RegQueryValueEx(RegKey key, const char* valueName, std::uint32_t* type,
                              std::uint8_t* data, std::uint32_t* size) {
  DWORD kind = 0;
  DWORD bytes = size != nullptr ? *size : 0;
  const LONG code = RegQueryValueExA(Key(key), valueName, nullptr, &kind, data, &bytes);
  if (type != nullptr) *type = kind;
  if (size != nullptr) *size = bytes;
  return static_cast<std::uint32_t>(code);
}

std::uint32_t RegSetValueEx(RegKey key, const char* valueName, std::uint32_t type,
                            const std::uint8_t* data, std::uint32_t size) {
  return static_cast<std::uint32_t>(RegSetValueExA(Key(key), valueName, 0, type, data, size));
}

std::uint32_t RegDeleteValue(RegKey key, const char* valueName) {
  return static_cast<std::uint32_t>(RegDeleteValueA(Key(key), valueName));
}

// No file holds the registry here.
std::string RegistryStoreFile(RegKey root) {
  (void)root;
  return {};
}

}  // namespace platform
