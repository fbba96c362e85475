// The profile as an INI file in the user's configuration folder.
#include "platform/profile_store.h"

#include "base/ini_document.h"
#include "platform/errors.h"
#include "platform/user_files.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>

namespace platform {
namespace {
std::mutex g_fileMutex;  // one read-modify-write at a time

IniDocument LoadProfile(const std::string& path) {
  std::string text;
  if (ReadWholeFile(path, &text) != kErrorSuccess) text.clear();
  return IniDocument::Parse(text, true);
}

bool StoreProfile(const std::string& path, const IniDocument& doc) {
  const std::uint32_t error = WriteFileAtomically(path, doc.ToText());
  if (error != kErrorSuccess) {
    SetLastError(error);
    return false;
  }
  return true;
}

bool WriteEntry(const char* section, const char* entry, const char* value) {
  if (section == nullptr || entry == nullptr) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  std::lock_guard<std::mutex> lock(g_fileMutex);
  const std::string path = ProfileFilePath();
  IniDocument doc = LoadProfile(path);
  if (value == nullptr) {
    if (!doc.Remove(section, entry)) return true;
  } else {
    doc.Set(section, entry, EscapeIniValue(value));
  }
  return StoreProfile(path, doc);
}

}  // namespace

std::string ProfileFilePath() {
  return UserConfigFolder() + "/" + ProfileCompany() + "/" + ProfileApplicationName() + ".ini";
}

int GetProfileInt(const char* section, const char* entry, int defaultValue) {
  if (section == nullptr || entry == nullptr) return defaultValue;
  std::lock_guard<std::mutex> lock(g_fileMutex);
  const IniDocument doc = LoadProfile(ProfileFilePath());
  const std::string* raw = doc.Find(section, entry);
  if (raw == nullptr || raw->empty()) return defaultValue;
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(raw->c_str(), &end, 10);
  if (end == raw->c_str() || *end != '\0' || errno != 0 || value < INT32_MIN ||
      value > UINT32_MAX) {
    return defaultValue;
  }
  // Stored as a 32-bit DWORD, read back as the same bits.
  return static_cast<int>(static_cast<std::uint32_t>(value));
}

bool WriteProfileInt(const char* section, const char* entry, int value) {
  return WriteEntry(section, entry, std::to_string(value).c_str());
}

std::string GetProfileString(const char* section, const char* entry, const char* defaultValue) {
  std::string fallback = defaultValue != nullptr ? defaultValue : "";
  if (section == nullptr || entry == nullptr) return fallback;
  std::lock_guard<std::mutex> lock(g_fileMutex);
  const IniDocument doc = LoadProfile(ProfileFilePath());
  const std::string* raw = doc.Find(section, entry);
  return raw != nullptr ? UnescapeIniValue(*raw) : fallback;
}

bool WriteProfileString(const char* section, const char* entry, const char* value) {
  return WriteEntry(section, entry, value);
}

}  // namespace platform
