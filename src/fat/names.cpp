#include "fat/names.h"

#include <cstring>

#include "base/unicode.h"

namespace fat {
namespace {

bool IsShortNameChar(char16_t c) {
  if (c >= 'A' && c <= 'Z') return true;
  if (c >= '0' && c <= '9') return true;
  return std::strchr("!#$%&'()-@^_`{}~", static_cast<int>(c)) != nullptr && c != 0;
}

bool IsForbiddenLongChar(char16_t c) {
  return c < 0x20 || (c < 0x80 && std::strchr("\"*/:<>?\\|", static_cast<int>(c)) != nullptr);
}

// The short name form of one character: upper case, or '_' when it has none
// (lossy).
std::uint8_t ShortChar(char16_t c, bool* lossy) {
  const char16_t u = FoldCase(c);
  if (u < 0x80 && IsShortNameChar(u)) return static_cast<std::uint8_t>(u);
  *lossy = true;
  return '_';
}

}  // namespace

bool Utf8ToUtf16(const std::string& in, std::u16string* out) {
  out->clear();
  std::size_t i = 0;
  while (i < in.size()) {
    std::uint32_t cp = 0;
    const std::size_t length = platform::DecodeUtf8(in, i, &cp);
    if (length == 0) return false;
    platform::AppendUtf16(*out, cp);
    i += length;
  }
  return true;
}

std::string Utf16ToUtf8(const std::u16string& in) {
  std::string out;
  std::size_t i = 0;
  while (i < in.size()) {
    std::uint32_t cp = 0;
    std::size_t length = platform::DecodeUtf16(in, i, &cp);
    if (length == 0) {  // an unpaired surrogate
      cp = 0xFFFD;
      length = 1;
    }
    platform::AppendUtf8(out, cp);
    i += length;
  }
  return out;
}

char16_t FoldCase(char16_t c) {
  if (c >= 'a' && c <= 'z') return static_cast<char16_t>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  return c;
}

bool NamesEqual(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

Status CleanLongName(const std::u16string& in, std::u16string* out) {
  std::u16string name = in;
  while (!name.empty() && (name.back() == u'.' || name.back() == u' ')) name.pop_back();
  if (name.empty()) return Fail(Error::kInvalidName, "name is empty");
  if (name.size() > kMaxLongNameLength) {
    return Fail(Error::kInvalidName, "name is longer than 255 characters");
  }
  for (char16_t c : name) {
    if (IsForbiddenLongChar(c)) {
      return Fail(Error::kInvalidName, "name holds a character that FAT does not allow");
    }
  }
  *out = name;
  return Status::Ok();
}

std::uint8_t ShortNameChecksum(const ShortName& name) {
  std::uint8_t sum = 0;
  for (std::uint8_t c : name) {
    sum = static_cast<std::uint8_t>(((sum & 1) << 7) + (sum >> 1) + c);
  }
  return sum;
}

bool IsPlainShortName(const std::u16string& name, ShortName* out) {
  const std::size_t dot = name.find(u'.');
  const std::u16string base = name.substr(0, dot);
  const std::u16string ext = dot == std::u16string::npos ? u"" : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
  if (dot != std::u16string::npos && ext.empty()) return false;
  if (ext.find(u'.') != std::u16string::npos) return false;
  for (char16_t c : base + ext) {
    if (!IsShortNameChar(c)) return false;
  }
  ShortName n;
  n.fill(' ');
  for (std::size_t i = 0; i < base.size(); ++i) n[i] = static_cast<std::uint8_t>(base[i]);
  for (std::size_t i = 0; i < ext.size(); ++i) n[8 + i] = static_cast<std::uint8_t>(ext[i]);
  if (n[0] == 0xE5) n[0] = 0x05;
  *out = n;
  return true;
}

Status MakeShortName(const std::u16string& name, const std::function<bool(const ShortName&)>& taken,
                     ShortName* out, bool* needsLongName) {
  if (IsPlainShortName(name, out)) {
    *needsLongName = false;
    if (taken(*out)) return Fail(Error::kExists, "short name is taken");
    return Status::Ok();
  }
  *needsLongName = true;
  // Basis: blanks removed, leading dots removed, upper case, '_' for
  // characters a short name cannot hold; extension after the last dot.
  bool lossy = false;
  std::u16string stripped;
  for (char16_t c : name) {
    if (c != u' ') stripped.push_back(c);
  }
  if (stripped.size() != name.size()) lossy = true;
  std::size_t lead = 0;
  while (lead < stripped.size() && stripped[lead] == u'.') ++lead;
  if (lead > 0) lossy = true;
  stripped.erase(0, lead);
  const std::size_t lastDot = stripped.rfind(u'.');
  std::u16string basePart =
      lastDot == std::u16string::npos ? stripped : stripped.substr(0, lastDot);
  const std::u16string extPart =
      lastDot == std::u16string::npos ? u"" : stripped.substr(lastDot + 1);
  std::string base;
  for (char16_t c : basePart) {
    if (c == u'.') {
      lossy = true;
      continue;
    }
    base.push_back(static_cast<char>(ShortChar(c, &lossy)));
  }
  std::string ext;
  for (char16_t c : extPart) ext.push_back(static_cast<char>(ShortChar(c, &lossy)));
  if (base.size() > 8 || ext.size() > 3) lossy = true;
  if (ext.size() > 3) ext.resize(3);
  auto compose = [&](const std::string& b) {
    ShortName n;
    n.fill(' ');
    std::memcpy(n.data(), b.data(), std::min<std::size_t>(b.size(), 8));
    std::memcpy(n.data() + 8, ext.data(), ext.size());
    return n;
  };
  if (base.empty()) {
    base = "_";  // a name of dots and blanks only still needs a basis
    lossy = true;
  }
  if (!lossy) {
    // Only the case differs from a plain short name: keep it, with the long
    // name carrying the case, unless another entry has it.
    const ShortName n = compose(base);
    if (!taken(n)) {
      *out = n;
      return Status::Ok();
    }
  }
  for (std::uint32_t i = 1; i <= 999999; ++i) {
    const std::string tail = "~" + std::to_string(i);
    std::string b = base.substr(0, std::min<std::size_t>(base.size(), 8 - tail.size()));
    const ShortName n = compose(b + tail);
    if (!taken(n)) {
      *out = n;
      return Status::Ok();
    }
  }
  return Fail(Error::kExists, "no free short name for this basis");
}

std::string ShortNameToString(const ShortName& name, std::uint8_t caseBits) {
  auto part = [&](std::size_t from, std::size_t length, bool lower) {
    std::string s;
    for (std::size_t i = from; i < from + length; ++i) {
      std::uint8_t c = name[i];
      if (i == 0 && c == 0x05) c = 0xE5;
      if (lower && c >= 'A' && c <= 'Z') c = static_cast<std::uint8_t>(c + 0x20);
      s.push_back(static_cast<char>(c));
    }
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  };
  std::string base = part(0, 8, (caseBits & 0x08) != 0);
  const std::string ext = part(8, 3, (caseBits & 0x10) != 0);
  if (!ext.empty()) base += "." + ext;
  // Bytes above 0x7F are taken as Latin-1 for display.
  std::u16string wide;
  for (char c : base) wide.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(c)));
  return Utf16ToUtf8(wide);
}

Status MakeLabelField(const std::string& label, ShortName* out) {
  std::u16string wide;
  if (!Utf8ToUtf16(label, &wide)) return Fail(Error::kInvalidName, "label is not valid text");
  if (wide.size() > 11) return Fail(Error::kInvalidName, "label is longer than 11 characters");
  ShortName n;
  n.fill(' ');
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const char16_t c = FoldCase(wide[i]);
    if (c != u' ' && !(c < 0x80 && IsShortNameChar(c))) {
      return Fail(Error::kInvalidName, "label holds a character that a label cannot hold");
    }
    n[i] = static_cast<std::uint8_t>(c);
  }
  if (n[0] == ' ') return Fail(Error::kInvalidName, "label must not start with a blank");
  *out = n;
  return Status::Ok();
}

}  // namespace fat
