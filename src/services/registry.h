// A small registry class: one open key, string values in and out, and the
// error code of the last call. The file association writes through it.
#pragma once

#include "platform/registry_store.h"

#include <cstdint>
#include <string>

class CRegistry {
 public:
  // Values read back are cut off at this size; longer ones give the default.
  static constexpr std::uint32_t kReadBufferSize = 4096;

  CRegistry() = default;
  virtual ~CRegistry();
  CRegistry(const CRegistry&) = delete;
  CRegistry& operator=(const CRegistry&) = delete;

  // Every operation returns 0 or the Windows error code, and keeps it as the
  // last error.

  // Opens root\path (root 0: the default root), creating the key when it is
  // missing. Any key open before is closed.
  std::uint32_t OpenKey(platform::RegKey root, const char* path);
  // A value of the open key (null or empty name: its default value) as text.
  // On failure out is the default (empty for null), also for a value longer
  // than the read buffer.
  std::uint32_t ReadString(const char* valueName, std::string& out, const char* defaultValue);
  // Writes the text with its terminating zero, as an expandable string when it
  // holds a '%' anywhere, else as a plain string; null is an empty string.
  std::uint32_t WriteString(const char* valueName, const char* value);

  // OpenKey on a temporary object with the same default root, then ReadString
  // or WriteString. The key is created when missing, reading included.
  std::uint32_t ReadValue(platform::RegKey root, const char* path, const char* valueName,
                          std::string& out, const char* defaultValue);
  std::uint32_t WriteValue(platform::RegKey root, const char* path, const char* valueName,
                           const char* value);

  void Close();

  void SetDefaultRoot(platform::RegKey root) { defaultRoot_ = root; }
  platform::RegKey DefaultRoot() const { return defaultRoot_; }
  std::uint32_t LastError() const { return lastError_; }
  const std::string& KeyPath() const { return keyPath_; }
  bool IsOpen() const { return key_ != 0; }

 private:
  std::uint32_t Keep(std::uint32_t error) { return lastError_ = error; }

  platform::RegKey key_ = 0;
  std::string keyPath_;
  platform::RegKey defaultRoot_ = 0;
  std::uint32_t lastError_ = 0;
};
