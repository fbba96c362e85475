#include "container/image_set_files.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include "base/unicode.h"
#include "base/windows1252.h"
#include "container/slot_info.h"

namespace {
constexpr char kImageExtension[] = ".img";
constexpr std::size_t kImageExtensionLength = 4;
constexpr char kIndexHeader[] = "number\tname\tfile";

bool IsUnsafeForFileName(unsigned char c) {
  return c < 0x20 || c == 0x7F || std::strchr("<>:\"/\\|?*", c) != nullptr;
}

// The decimal number of text[from, to); none for no digits or a number past
// any slot's.
std::optional<unsigned> ParseNumber(const std::string& text, std::size_t from, std::size_t to) {
  if (from >= to || to - from > 5) return std::nullopt;
  unsigned value = 0;
  for (std::size_t i = from; i < to; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(text[i] - '0');
  }
  return value;
}

std::string EscapeIndexField(const std::string& text) {
  std::string out;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c == 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += ch;
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

std::string UnescapeIndexField(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
      out += '\\';
      ++i;
    } else if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
               HexDigit(text[i + 2]) >= 0 && HexDigit(text[i + 3]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}
}  // namespace

std::string ImageSetFileName(unsigned slotNumber, const std::string& slotName) {
  std::string safe;
  for (const char ch : slotName) {
    safe += IsUnsafeForFileName(static_cast<unsigned char>(ch)) ? '_' : ch;
  }
  // Windows drops them from a name, so two names could meet in one file.
  while (!safe.empty() && (safe.back() == '.' || safe.back() == ' ')) safe.pop_back();
  char number[12];
  std::snprintf(number, sizeof number, "%02u-", slotNumber);
  return number + safe + kImageExtension;
}

bool IsImageSetFile(const std::string& fileName) {
  if (fileName.size() <= kImageExtensionLength) return false;
  const std::string end = fileName.substr(fileName.size() - kImageExtensionLength);
  for (std::size_t i = 0; i < kImageExtensionLength; ++i) {
    const char c = end[i] >= 'A' && end[i] <= 'Z' ? static_cast<char>(end[i] + 32) : end[i];
    if (c != kImageExtension[i]) return false;
  }
  return true;
}

std::string StorableSlotName(const std::string& name) {
  std::string out;
  std::size_t characters = 0;
  for (std::size_t at = 0; at < name.size() && characters < kSlotNameMaxLength; ++characters) {
    std::uint32_t cp = 0;
    const std::size_t length = platform::DecodeUtf8(name, at, &cp);
    const std::string character = name.substr(at, length == 0 ? 1 : length);
    std::string byte;
    out += (length != 0 && cp != 0 && Utf8ToWindows1252(character, &byte)) ? character : "_";
    at += length == 0 ? 1 : length;
  }
  return out;
}

ImageSetFileParts ParseImageSetFileName(const std::string& fileName) {
  ImageSetFileParts parts;
  std::string stem = fileName;
  if (IsImageSetFile(stem)) stem.resize(stem.size() - kImageExtensionLength);
  const std::size_t dash = stem.find('-');
  if (dash != std::string::npos) {
    if (const std::optional<unsigned> number = ParseNumber(stem, 0, dash)) {
      parts.slotNumber = *number;
      stem.erase(0, dash + 1);
    }
  }
  parts.slotName = StorableSlotName(stem);
  return parts;
}

std::string FormatImageSetIndex(const std::vector<ImageSetIndexEntry>& entries) {
  std::string text = std::string(kIndexHeader) + "\n";
  for (const ImageSetIndexEntry& entry : entries) {
    text += std::to_string(entry.slotNumber) + "\t" + EscapeIndexField(entry.name) + "\t" +
            EscapeIndexField(entry.file) + "\n";
  }
  return text;
}

std::vector<ImageSetIndexEntry> ParseImageSetIndex(const std::string& text) {
  std::vector<ImageSetIndexEntry> entries;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();  // saved on Windows
    const std::size_t tab1 = line.find('\t');
    const std::size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
    if (tab2 == std::string::npos || line.find('\t', tab2 + 1) != std::string::npos) continue;
    const std::optional<unsigned> number = ParseNumber(line, 0, tab1);
    if (!number || *number == 0) continue;
    entries.push_back({*number, UnescapeIndexField(line.substr(tab1 + 1, tab2 - tab1 - 1)),
                       UnescapeIndexField(line.substr(tab2 + 1))});
  }
  return entries;
}
