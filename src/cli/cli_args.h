// The command line of quillfen-cli: a command, its arguments and options in
// any order, and the strict number forms the commands accept.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct CliArgs {
  std::string command;
  std::vector<std::string> args;               // after the command, options taken out
  std::map<std::string, std::string> options;  // "--count" -> "5"; a flag maps to ""

  bool Has(const std::string& name) const { return options.count(name) != 0; }
  // The option's value, or null when it was not given.
  const std::string* Value(const std::string& name) const;
};

// Splits argv (without the program name). Options may stand before or after
// the command and its arguments, as "--name VALUE" or "--name=VALUE"; "--"
// ends the options. False with a message for an unknown option, a missing
// value, a value given to a flag, or an option given twice.
bool ParseCommandLine(const std::vector<std::string>& argv, CliArgs* out, std::string* error);

// Decimal digits only: no sign, blank, prefix or suffix ("3x" is refused).
// A number too large for 64 bits reads as the largest value, so that range
// checks further on still see that it is too large.
std::optional<std::uint64_t> ParseDecimal(const std::string& text);
// Decimal, or hexadecimal after "0x" / "0X".
std::optional<std::uint64_t> ParseSectorNumber(const std::string& text);
// Decimal bytes with an optional binary multiple: K, M or G (KiB, MiB, GiB).
std::optional<std::uint64_t> ParseByteSize(const std::string& text);
