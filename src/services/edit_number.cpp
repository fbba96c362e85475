#include "services/edit_number.h"

#include <cctype>
#include <utility>

namespace {

struct Scan {
  EditNumberState state = EditNumberState::kInvalid;
  std::int64_t value = 0;
};

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
  return 99;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

// The radix a prefix names and the prefix's length; decimal without one.
// "0x" is tried before the decimal digit 0 so that it is not read as zero.
int TakeRadix(std::string_view& text) {
  for (const auto& [prefix, radix] :
       {std::pair<std::string_view, int>{"0x", 16}, {"16#", 16}, {"x", 16}, {"2#", 2}, {"b", 2}}) {
    if (StartsWithNoCase(text, prefix)) {
      text.remove_prefix(prefix.size());
      return radix;
    }
  }
  return 10;
}

Scan ScanNumber(std::string_view text) {
  Scan scan;
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  text.remove_prefix(i);
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) {
    scan.state = EditNumberState::kIncomplete;  // nothing or a sign alone so far
    return scan;
  }
  const int radix = TakeRadix(text);
  std::uint64_t magnitude = 0;
  std::size_t digits = 0;
  while (digits < text.size()) {
    const int d = DigitValue(text[digits]);
    if (d >= radix) break;
    magnitude = magnitude * static_cast<unsigned>(radix) + static_cast<unsigned>(d);
    if (magnitude > 0xFFFFFFFFull) return scan;  // more than 32 bits: never a number
    ++digits;
  }
  std::string_view rest = text.substr(digits);
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  if (!rest.empty()) return scan;
  if (digits == 0) {
    // A prefix alone may still get its digits; blanks after it never can.
    scan.state = text.empty() ? EditNumberState::kIncomplete : EditNumberState::kInvalid;
    return scan;
  }
  scan.state = EditNumberState::kNumber;
  scan.value =
      negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
  return scan;
}

}  // namespace

EditNumberState CheckEditNumber(std::string_view text) {
  return ScanNumber(text).state;
}

std::optional<std::int64_t> ParseEditNumber(std::string_view text) {
  const Scan scan = ScanNumber(text);
  if (scan.state != EditNumberState::kNumber) return std::nullopt;
  return scan.value;
}

std::optional<std::int64_t> ReadEditNumber(std::string_view text) {
  const Scan scan = ScanNumber(text);
  switch (scan.state) {
    case EditNumberState::kNumber:
      return scan.value;
    case EditNumberState::kIncomplete:
      return 0;
    default:
      return std::nullopt;
  }
}
