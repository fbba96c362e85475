#include "platform/registry_store.h"

#include "platform/errors.h"
#include "platform/user_files.h"

#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace platform {
namespace {

// Key and value names compare without regard to case, as on Windows; the
// spelling of the first creation is kept.
struct CaseLess {
  bool operator()(const std::string& a, const std::string& b) const {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
      const int ca = std::tolower(static_cast<unsigned char>(a[i]));
      const int cb = std::tolower(static_cast<unsigned char>(b[i]));
      if (ca != cb) return ca < cb;
    }
    return a.size() < b.size();
  }
};

struct Value {
  std::uint32_t type = kRegSz;
  std::string data;
};
using Values = std::map<std::string, Value, CaseLess>;
using Hive = std::map<std::string, Values, CaseLess>;  // key path -> values

struct OpenKey {
  RegKey root;
  std::string path;
};

std::mutex g_mutex;
std::map<RegKey, OpenKey> g_open;
RegKey g_nextHandle = 0x1000;

const char* RootName(RegKey root) {
  if (root == kHkeyClassesRoot) return "HKEY_CLASSES_ROOT";
  if (root == kHkeyCurrentUser) return "HKEY_CURRENT_USER";
  return nullptr;
}

// Stored text: printable ASCII as it is, everything else as \xHH, so every
// byte of a value survives and each value stays on one line.
std::string Escape(const std::string& bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '\\') {
      out += "\\\\";
    } else if (c >= 0x20 && c < 0x7F && c != '\t' && c != '[' && c != ']') {
      out += ch;
    } else {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Unescape(const std::string& text, std::string* out) {
  out->clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      *out += text[i];
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '\\') {
      *out += '\\';
      ++i;
      continue;
    }
    if (i + 3 >= text.size() || text[i + 1] != 'x') return false;
    const int hi = HexDigit(text[i + 2]);
    const int lo = HexDigit(text[i + 3]);
    if (hi < 0 || lo < 0) return false;
    *out += static_cast<char>(hi * 16 + lo);
    i += 3;
  }
  return true;
}

// Splits a path at backslashes and joins its parts again, without empty parts.
std::string NormalizePath(const std::string& path) {
  std::string out;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) {
      if (!out.empty()) out += '\\';
      out.append(path, start, end - start);
    }
    start = end + 1;
  }
  return out;
}

std::string Join(const std::string& parent, const char* subKey) {
  std::string sub = NormalizePath(subKey != nullptr ? subKey : "");
  if (parent.empty()) return sub;
  if (sub.empty()) return parent;
  return parent + "\\" + sub;
}

// Format: "[key path]" lines, each followed by its values as
// "<name>\t<type>\t<data>" lines with name and data escaped.
std::uint32_t LoadHive(RegKey root, Hive* hive) {
  hive->clear();
  std::string text;
  const std::uint32_t error = ReadWholeFile(RegistryStoreFile(root), &text);
  if (error == kErrorFileNotFound || error == kErrorPathNotFound) return kErrorSuccess;
  if (error != kErrorSuccess) return error;
  Values* current = nullptr;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      std::string path;
      current = Unescape(line.substr(1, line.size() - 2), &path) ? &(*hive)[NormalizePath(path)]
                                                                 : nullptr;
      continue;
    }
    const std::size_t tab1 = line.find('\t');
    const std::size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
    if (current == nullptr || tab2 == std::string::npos) continue;  // unreadable line
    Value value;
    std::string name;
    char* typeEnd = nullptr;
    const std::string typeText = line.substr(tab1 + 1, tab2 - tab1 - 1);
    value.type = static_cast<std::uint32_t>(std::strtoul(typeText.c_str(), &typeEnd, 10));
    if (typeText.empty() || *typeEnd != '\0' || !Unescape(line.substr(0, tab1), &name) ||
        !Unescape(line.substr(tab2 + 1), &value.data)) {
      continue;
    }
    (*current)[name] = std::move(value);
  }
  return kErrorSuccess;
}

std::uint32_t StoreHive(RegKey root, const Hive& hive) {
  std::string text = "; Quillfen registry store: [key], then name<TAB>type<TAB>data\n";
  for (const auto& [path, values] : hive) {
    text += "[" + Escape(path) + "]\n";
    for (const auto& [name, value] : values) {
      text += Escape(name) + "\t" + std::to_string(value.type) + "\t" + Escape(value.data) + "\n";
    }
  }
  return WriteFileAtomically(RegistryStoreFile(root), text);
}

// Resolves a handle; call with the lock held.
bool Resolve(RegKey key, OpenKey* out) {
  if (RootName(key) != nullptr) {
    *out = OpenKey{key, std::string()};
    return true;
  }
  const auto it = g_open.find(key);
  if (it == g_open.end()) return false;
  *out = it->second;
  return true;
}

RegKey AddHandle(const OpenKey& key) {
  const RegKey handle = g_nextHandle++;
  g_open[handle] = key;
  return handle;
}

std::uint32_t Open(RegKey key, const char* subKey, bool create, RegKey* result) {
  if (result == nullptr) return kErrorInvalidParameter;
  *result = 0;
  std::lock_guard<std::mutex> lock(g_mutex);
  OpenKey parent;
  if (!Resolve(key, &parent)) return kErrorInvalidHandle;
  const OpenKey target{parent.root, Join(parent.path, subKey)};
  if (!target.path.empty()) {
    Hive hive;
    const std::uint32_t error = LoadHive(target.root, &hive);
    if (error != kErrorSuccess) return error;
    if (hive.find(target.path) == hive.end()) {
      if (!create) return kErrorFileNotFound;
      // Parents are keys of their own, as on Windows.
      for (std::size_t at = target.path.find('\\'); at != std::string::npos;
           at = target.path.find('\\', at + 1)) {
        hive.try_emplace(target.path.substr(0, at));
      }
      hive.try_emplace(target.path);
      const std::uint32_t stored = StoreHive(target.root, hive);
      if (stored != kErrorSuccess) return stored;
    }
  }
  *result = AddHandle(target);
  return kErrorSuccess;
}

}  // namespace

std::string RegistryStoreFile(RegKey root) {
  const char* name = RootName(root);
  return UserConfigFolder() + "/Dornveld/registry/" + (name != nullptr ? name : "unknown") + ".reg";
}

std::uint32_t RegOpenKey(RegKey key, const char* subKey, RegKey* result) {
  return Open(key, subKey, false, result);
}

std::uint32_t RegOpenKeyEx(RegKey key, const char* subKey, std::uint32_t, RegKey* result) {
  return Open(key, subKey, false, result);
}

std::uint32_t RegCreateKey(RegKey key, const char* subKey, RegKey* result) {
  return Open(key, subKey, true, result);
}

std::uint32_t RegCloseKey(RegKey key) {
  if (RootName(key) != nullptr) return kErrorSuccess;
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_open.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

std::uint32_t RegQueryValueEx(RegKey key, const char* valueName, std::uint32_t* type,
                              std::uint8_t* data, std::uint32_t* size) {
  if (data != nullptr && size == nullptr) return kErrorInvalidParameter;
  std::lock_guard<std::mutex> lock(g_mutex);
  OpenKey open;
  if (!Resolve(key, &open)) return kErrorInvalidHandle;
  Hive hive;
  const std::uint32_t error = LoadHive(open.root, &hive);
  if (error != kErrorSuccess) return error;
  const auto keyIt = hive.find(open.path);
  if (keyIt == hive.end()) return kErrorFileNotFound;
  const auto valueIt = keyIt->second.find(valueName != nullptr ? valueName : "");
  if (valueIt == keyIt->second.end()) return kErrorFileNotFound;
  const Value& value = valueIt->second;
  if (type != nullptr) *type = value.type;
  if (size == nullptr) return kErrorSuccess;
  const auto needed = static_cast<std::uint32_t>(value.data.size());
  const std::uint32_t room = *size;
  *size = needed;
  if (data == nullptr) return kErrorSuccess;
  if (room < needed) return kErrorMoreData;
  std::memcpy(data, value.data.data(), needed);
  return kErrorSuccess;
}

std::uint32_t RegSetValueEx(RegKey key, const char* valueName, std::uint32_t type,
                            const std::uint8_t* data, std::uint32_t size) {
  if (data == nullptr && size != 0) return kErrorInvalidParameter;
  std::lock_guard<std::mutex> lock(g_mutex);
  OpenKey open;
  if (!Resolve(key, &open)) return kErrorInvalidHandle;
  if (open.path.empty()) return kErrorAccessDenied;  // no values on the roots themselves
  Hive hive;
  const std::uint32_t error = LoadHive(open.root, &hive);
  if (error != kErrorSuccess) return error;
  const std::string name = valueName != nullptr ? valueName : "";
  const std::string bytes =
      size != 0 ? std::string(reinterpret_cast<const char*>(data), size) : std::string();
  Values& values = hive[open.path];
  const auto existing = values.find(name);
  if (existing != values.end() && existing->second.type == type && existing->second.data == bytes) {
    return kErrorSuccess;  // unchanged: the store is not rewritten
  }
  values[name] = Value{type, bytes};
  return StoreHive(open.root, hive);
}

std::uint32_t RegDeleteValue(RegKey key, const char* valueName) {
  std::lock_guard<std::mutex> lock(g_mutex);
  OpenKey open;
  if (!Resolve(key, &open)) return kErrorInvalidHandle;
  Hive hive;
  const std::uint32_t error = LoadHive(open.root, &hive);
  if (error != kErrorSuccess) return error;
  const auto keyIt = hive.find(open.path);
  if (keyIt == hive.end() || keyIt->second.erase(valueName != nullptr ? valueName : "") == 0) {
    return kErrorFileNotFound;
  }
  return StoreHive(open.root, hive);
}

}  // namespace platform
