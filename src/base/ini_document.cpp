#include "base/ini_document.h"

#include <cctype>

namespace platform {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

bool IniDocument::Same(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[i]);
    if (ignoreCase_ ? std::tolower(ca) != std::tolower(cb) : ca != cb) return false;
  }
  return true;
}

IniDocument IniDocument::Parse(std::string_view text, bool ignoreCase) {
  IniDocument doc(ignoreCase);
  doc.sections_.push_back(Section{});
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    const std::string_view trimmed = Trim(line);
    if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
      Section section;
      section.name = std::string(Trim(trimmed.substr(1, trimmed.size() - 2)));
      section.hasHeader = true;
      doc.sections_.push_back(std::move(section));
      continue;
    }
    Line entry;
    const std::size_t eq = line.find('=');
    if (eq != std::string_view::npos && trimmed.front() != ';' && trimmed.front() != '#' &&
        !Trim(line.substr(0, eq)).empty()) {
      entry.isEntry = true;
      entry.key = std::string(Trim(line.substr(0, eq)));
      entry.value = std::string(line.substr(eq + 1));
    } else {
      entry.text = std::string(line);
    }
    doc.sections_.back().lines.push_back(std::move(entry));
  }
  return doc;
}

std::string IniDocument::ToText() const {
  std::string out;
  for (const Section& section : sections_) {
    if (section.hasHeader) out += "[" + section.name + "]\n";
    for (const Line& line : section.lines) {
      out += line.isEntry ? line.key + "=" + line.value : line.text;
      out += '\n';
    }
  }
  return out;
}

IniDocument::Section* IniDocument::FindSection(std::string_view name) {
  for (Section& s : sections_) {
    if (s.hasHeader && Same(s.name, name)) return &s;
  }
  return nullptr;
}

const IniDocument::Section* IniDocument::FindSection(std::string_view name) const {
  for (const Section& s : sections_) {
    if (s.hasHeader && Same(s.name, name)) return &s;
  }
  return nullptr;
}

const std::string* IniDocument::Find(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  if (s == nullptr) return nullptr;
  for (const Line& line : s->lines) {
    if (line.isEntry && Same(line.key, key)) return &line.value;
  }
  return nullptr;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  Section* s = FindSection(section);
  if (s == nullptr) {
    Section added;
    added.name = std::string(section);
    added.hasHeader = true;
    sections_.push_back(std::move(added));
    s = &sections_.back();
  }
  for (Line& line : s->lines) {
    if (line.isEntry && Same(line.key, key)) {
      line.value = std::string(value);
      return;
    }
  }
  // New keys go after the section's last entry, before trailing blank lines.
  std::size_t at = s->lines.size();
  while (at > 0 && !s->lines[at - 1].isEntry && Trim(s->lines[at - 1].text).empty()) --at;
  Line line;
  line.isEntry = true;
  line.key = std::string(key);
  line.value = std::string(value);
  s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

bool IniDocument::Remove(std::string_view section, std::string_view key) {
  Section* s = FindSection(section);
  if (s == nullptr) return false;
  for (auto it = s->lines.begin(); it != s->lines.end(); ++it) {
    if (it->isEntry && Same(it->key, key)) {
      s->lines.erase(it);
      return true;
    }
  }
  return false;
}

std::string EscapeIniValue(std::string_view value) {
  std::string out;
  for (const char c : value) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string UnescapeIniValue(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    switch (value[++i]) {
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      default:
        out += value[i];
    }
  }
  return out;
}

}  // namespace platform
