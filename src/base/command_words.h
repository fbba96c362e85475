// Splitting a command line into a program's arguments the way a POSIX shell
// splits words, without running a shell: blanks separate words; single
// quotes keep everything up to the next one; double quotes keep blanks and
// single quotes, and a backslash in them escapes only " \ $ and `; a
// backslash outside quotes keeps the next character as it is. Nothing is
// expanded ($, *, ~ stay as written).
#pragma once

#include <string>
#include <vector>

// False for a quote that is never closed (words is then empty).
bool SplitCommandWords(const std::string& line, std::vector<std::string>& words);
