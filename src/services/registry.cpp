#include "services/registry.h"

#include "platform/errors.h"

#include <cstring>
#include <vector>

CRegistry::~CRegistry() {
  Close();
}

void CRegistry::Close() {
  if (key_ != 0) {
    platform::RegCloseKey(key_);
    key_ = 0;
  }
}

std::uint32_t CRegistry::OpenKey(platform::RegKey root, const char* path) {
  if (root == 0) root = defaultRoot_;
  keyPath_ = path != nullptr ? path : "";
  Close();

  // Make sure the key exists: open the root itself, create the path below it.
  platform::RegKey rootKey = 0;
  std::uint32_t error = platform::RegOpenKey(root, "", &rootKey);
  if (error != platform::kErrorSuccess) return Keep(error);
  platform::RegKey created = 0;
  error = platform::RegCreateKey(rootKey, keyPath_.c_str(), &created);
  if (created != 0) platform::RegCloseKey(created);
  platform::RegCloseKey(rootKey);
  if (error != platform::kErrorSuccess) return Keep(error);

  return Keep(platform::RegOpenKeyEx(root, keyPath_.c_str(), platform::kKeyAllAccess, &key_));
}

std::uint32_t CRegistry::ReadString(const char* valueName, std::string& out,
                                    const char* defaultValue) {
  std::vector<std::uint8_t> buffer(kReadBufferSize);
  std::uint32_t size = kReadBufferSize;
  std::uint32_t type = 0;
  const std::uint32_t error =
      key_ == 0 ? platform::kErrorInvalidHandle
                : platform::RegQueryValueEx(key_, valueName, &type, buffer.data(), &size);
  if (error != platform::kErrorSuccess) {
    out = defaultValue != nullptr ? defaultValue : "";
    return Keep(error);
  }
  // The text ends at its terminating zero, or at the value's end without one.
  const auto* text = reinterpret_cast<const char*>(buffer.data());
  out.assign(text, ::strnlen(text, size));
  return Keep(platform::kErrorSuccess);
}

std::uint32_t CRegistry::WriteString(const char* valueName, const char* value) {
  if (key_ == 0) return Keep(platform::kErrorInvalidHandle);
  const char* text = value != nullptr ? value : "";
  const std::uint32_t type =
      std::strchr(text, '%') != nullptr ? platform::kRegExpandSz : platform::kRegSz;
  const auto size = static_cast<std::uint32_t>(std::strlen(text) + 1);
  return Keep(platform::RegSetValueEx(key_, valueName, type,
                                      reinterpret_cast<const std::uint8_t*>(text), size));
}

std::uint32_t CRegistry::ReadValue(platform::RegKey root, const char* path, const char* valueName,
                                   std::string& out, const char* defaultValue) {
  CRegistry key;
  key.SetDefaultRoot(defaultRoot_);
  std::uint32_t error = key.OpenKey(root, path);
  if (error == platform::kErrorSuccess) {
    error = key.ReadString(valueName, out, defaultValue);
  } else {
    out = defaultValue != nullptr ? defaultValue : "";
  }
  return Keep(error);
}

std::uint32_t CRegistry::WriteValue(platform::RegKey root, const char* path, const char* valueName,
                                    const char* value) {
  CRegistry key;
  key.SetDefaultRoot(defaultRoot_);
  std::uint32_t error = key.OpenKey(root, path);
  if (error == platform::kErrorSuccess) error = key.WriteString(valueName, value);
  return Keep(error);
}
