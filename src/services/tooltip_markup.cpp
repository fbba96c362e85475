#include "services/tooltip_markup.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>

#include "base/unicode.h"

namespace {

class RunBuilder {
 public:
  void Text(std::string_view text, bool bold) {
    if (text.empty()) return;
    if (runs_.empty() || runs_.back().lineBreak || runs_.back().bold != bold) {
      runs_.push_back(TooltipRun{std::string(), bold, false});
    }
    runs_.back().text.append(text);
  }
  void Break() { runs_.push_back(TooltipRun{std::string(), false, true}); }
  std::vector<TooltipRun> Take() { return std::move(runs_); }

 private:
  std::vector<TooltipRun> runs_;
};

// Decodes a character reference at the start of s ("&#10;", "&#x41;", "&amp;"
// ...). Returns its length, 0 when s starts none; *cp receives the character.
std::size_t DecodeReference(std::string_view s, std::uint32_t* cp) {
  const std::size_t semi = s.find(';');
  if (semi == std::string_view::npos || semi < 2 || semi > 10) return 0;
  const std::string_view name = s.substr(1, semi - 1);
  if (name[0] == '#') {
    const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
    const std::string digits(name.substr(hex ? 2 : 1));
    if (digits.empty()) return 0;
    char* end = nullptr;
    const unsigned long value = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
    if (*end != '\0' || value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
      return 0;
    }
    *cp = static_cast<std::uint32_t>(value);
    return semi + 1;
  }
  static constexpr struct {
    std::string_view name;
    std::uint32_t cp;
  } kNamed[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
  for (const auto& n : kNamed) {
    if (name == n.name) {
      *cp = n.cp;
      return semi + 1;
    }
  }
  return 0;
}

}  // namespace

std::vector<TooltipRun> ParseTooltipMarkup(std::string_view markup) {
  RunBuilder runs;
  int boldDepth = 0;
  std::string pending;
  auto flush = [&] {
    runs.Text(pending, boldDepth > 0);
    pending.clear();
  };
  std::size_t i = 0;
  while (i < markup.size()) {
    const char c = markup[i];
    if (c == '<') {
      const std::size_t close = markup.find('>', i);
      const std::string_view tag = close == std::string_view::npos
                                       ? std::string_view()
                                       : markup.substr(i + 1, close - i - 1);
      const bool isTag =
          !tag.empty() && (tag[0] == '/' || std::isalpha(static_cast<unsigned char>(tag[0])));
      if (isTag) {
        const bool closing = tag[0] == '/';
        std::string_view name = tag.substr(closing ? 1 : 0);
        const bool selfClosing = !name.empty() && name.back() == '/';
        if (selfClosing) name.remove_suffix(1);
        name = name.substr(0, name.find_first_of(" \t\r\n"));
        if (name == "Bold") {
          flush();
          if (closing) {
            if (boldDepth > 0) --boldDepth;
          } else if (!selfClosing) {
            ++boldDepth;
          }
        } else if (name == "LineBreak") {
          flush();
          runs.Break();
        }
        i = close + 1;
        continue;
      }
    } else if (c == '&') {
      std::uint32_t cp = 0;
      const std::size_t length = DecodeReference(markup.substr(i), &cp);
      if (length > 0) {
        if (cp == '\n') {
          flush();
          runs.Break();
        } else {
          platform::AppendUtf8(pending, cp);
        }
        i += length;
        continue;
      }
    }
    pending += c;
    ++i;
  }
  flush();
  return runs.Take();
}

std::string TooltipMarkupToHtml(std::string_view markup) {
  std::string html;
  for (const TooltipRun& run : ParseTooltipMarkup(markup)) {
    if (run.lineBreak) {
      html += "<br>";
      continue;
    }
    if (run.bold) html += "<b>";
    for (const char c : run.text) {
      switch (c) {
        case '&':
          html += "&amp;";
          break;
        case '<':
          html += "&lt;";
          break;
        case '>':
          html += "&gt;";
          break;
        case '"':
          html += "&quot;";
          break;
        default:
          html += c;
      }
    }
    if (run.bold) html += "</b>";
  }
  return html;
}

std::string TooltipMarkupToPlainText(std::string_view markup) {
  std::string text;
  for (const TooltipRun& run : ParseTooltipMarkup(markup)) text += run.lineBreak ? "\n" : run.text;
  return text;
}
