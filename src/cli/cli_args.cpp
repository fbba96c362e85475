#include "cli/cli_args.h"

#include <limits>

#include "base/current_language.h"

namespace {
struct OptionEntry {
  const char* name;
  bool takesValue;
};

constexpr OptionEntry kOptions[] = {
    {"--help", false},      {"--version", false},  {"--lang", true},      {"--count", true},
    {"--dd", false},        {"--name", true},      {"--block", false},    {"--clear", false},
    {"--size", true},       {"--fat", true},       {"--start", true},     {"--label", true},
    {"--no-mbr", false},    {"--any-disk", false}, {"--contents", false}, {"--repair", false},
    {"--no-verify", false},
};

const OptionEntry* FindOption(const std::string& name) {
  for (const OptionEntry& option : kOptions) {
    if (name == option.name) return &option;
  }
  return nullptr;
}

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

std::optional<std::uint64_t> ParseDigits(const std::string& text, std::size_t from, unsigned base) {
  if (from >= text.size()) return std::nullopt;
  std::uint64_t value = 0;
  bool overflow = false;
  for (std::size_t i = from; i < text.size(); ++i) {
    const char c = text[i];
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    if (value > (kMax - digit) / base) overflow = true;
    if (!overflow) value = value * base + digit;
  }
  return overflow ? kMax : value;
}
}  // namespace

const std::string* CliArgs::Value(const std::string& name) const {
  const auto it = options.find(name);
  return it == options.end() ? nullptr : &it->second;
}

bool ParseCommandLine(const std::vector<std::string>& argv, CliArgs* out, std::string* error) {
  *out = CliArgs{};
  bool optionsEnded = false;
  for (std::size_t i = 0; i < argv.size(); ++i) {
    const std::string& word = argv[i];
    const bool looksLikeOption = word.size() > 1 && word[0] == '-';
    if (optionsEnded || !looksLikeOption) {
      if (out->command.empty()) {
        out->command = word;
      } else {
        out->args.push_back(word);
      }
      continue;
    }
    if (word == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = word;
    std::optional<std::string> value;
    if (const std::size_t eq = word.find('='); eq != std::string::npos) {
      name = word.substr(0, eq);
      value = word.substr(eq + 1);
    }
    if (name == "-h") name = "--help";
    const OptionEntry* option = FindOption(name);
    if (option == nullptr) {
      *error = Localized("unknown option '", "unbekannte Option '") + name + "'";
      return false;
    }
    if (out->Has(name)) {
      *error = Localized("option '", "Option '") + name +
               Localized("' given twice", "' doppelt angegeben");
      return false;
    }
    if (option->takesValue && !value) {
      if (i + 1 >= argv.size()) {
        *error = Localized("option '", "Option '") + name +
                 Localized("' needs a value", "' braucht einen Wert");
        return false;
      }
      value = argv[++i];
    } else if (!option->takesValue && value) {
      *error = Localized("option '", "Option '") + name +
               Localized("' takes no value", "' nimmt keinen Wert");
      return false;
    }
    out->options[name] = value.value_or("");
  }
  return true;
}

std::optional<std::uint64_t> ParseDecimal(const std::string& text) {
  return ParseDigits(text, 0, 10);
}

std::optional<std::uint64_t> ParseSectorNumber(const std::string& text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    return ParseDigits(text, 2, 16);
  }
  return ParseDigits(text, 0, 10);
}

std::optional<std::uint64_t> ParseByteSize(const std::string& text) {
  if (text.empty()) return std::nullopt;
  std::uint64_t multiple = 1;
  std::string digits = text;
  switch (text.back()) {
    case 'K':
      multiple = 1ull << 10;
      break;
    case 'M':
      multiple = 1ull << 20;
      break;
    case 'G':
      multiple = 1ull << 30;
      break;
    default:
      break;
  }
  if (multiple != 1) digits.pop_back();
  const std::optional<std::uint64_t> value = ParseDigits(digits, 0, 10);
  if (!value || *value > kMax / multiple) return std::nullopt;
  return *value * multiple;
}
