#include "platform/linux/mount_table.h"

#include <cstdlib>
#include <sstream>

namespace platform {
namespace {
bool ParseNumber(const std::string& text, std::uint32_t* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  const unsigned long n = std::strtoul(text.c_str(), &end, 10);
  if (*end != '\0' || n > 0xFFFFFFFFul) return false;
  *value = static_cast<std::uint32_t>(n);
  return true;
}

bool IsOctal(char c) {
  return c >= '0' && c <= '7';
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}
}  // namespace

std::string UnescapeMountField(const std::string& field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) &&
        IsOctal(field[i + 2]) && IsOctal(field[i + 3])) {
      const int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
      if (value < 256) {
        out.push_back(static_cast<char>(value));
        i += 3;
        continue;
      }
    }
    out.push_back(field[i]);
  }
  return out;
}

std::vector<MountEntry> ParseMountInfo(const std::string& text) {
  std::vector<MountEntry> entries;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::vector<std::string> fields;
    std::string word;
    while (words >> word) fields.push_back(word);
    // id parent major:minor root mount-point options [optional...] - type source super
    std::size_t dash = 6;
    while (dash < fields.size() && fields[dash] != "-") ++dash;
    if (fields.size() < 6 || dash + 2 >= fields.size()) continue;
    MountEntry entry;
    const std::size_t colon = fields[2].find(':');
    if (!ParseNumber(fields[0], &entry.mountId) || !ParseNumber(fields[1], &entry.parentId) ||
        colon == std::string::npos || !ParseNumber(fields[2].substr(0, colon), &entry.major) ||
        !ParseNumber(fields[2].substr(colon + 1), &entry.minor)) {
      continue;
    }
    entry.root = UnescapeMountField(fields[3]);
    entry.mountPoint = UnescapeMountField(fields[4]);
    entry.options = fields[5];
    entry.fsType = UnescapeMountField(fields[dash + 1]);
    entry.source = UnescapeMountField(fields[dash + 2]);
    if (dash + 3 < fields.size()) entry.superOptions = fields[dash + 3];
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<std::string> SplitCommandLine(const std::string& raw) {
  std::vector<std::string> args;
  std::size_t start = 0;
  while (start < raw.size()) {
    std::size_t end = raw.find('\0', start);
    if (end == std::string::npos) end = raw.size();
    if (end > start) args.push_back(raw.substr(start, end - start));
    start = end + 1;
  }
  return args;
}

namespace {
// The last two arguments that are no options: what came before them may be
// the remains of an option value that the program cut up.
std::optional<FuseServedMount> ServedMountFromArgs(const std::vector<std::string>& args,
                                                   const std::string& program) {
  if (args.empty() || BaseName(args[0]) != program) return std::nullopt;
  std::vector<std::string> positional;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-o") {
      ++i;  // its value
    } else if (arg == "--") {
      positional.insert(positional.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                        args.end());
      break;
    } else if (arg[0] != '-') {
      positional.push_back(arg);
    }
  }
  if (positional.size() < 2) return std::nullopt;
  return FuseServedMount{positional[positional.size() - 2], positional.back()};
}
}  // namespace

std::optional<FuseServedMount> FusefatMountFromArgs(const std::vector<std::string>& args) {
  return ServedMountFromArgs(args, "fusefat");
}

std::optional<FuseServedMount> FatfsMountFromArgs(const std::vector<std::string>& args) {
  return ServedMountFromArgs(args, kFatfsProgram);
}

}  // namespace platform
