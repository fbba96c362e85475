// Control texts mark their keyboard mnemonic with '&' ("&Save"); "&&" stands
// for a literal '&'.
#pragma once

#include <string>
#include <string_view>

// The text as it reads on screen: the marks removed, "&&" as one '&'.
std::string StripMnemonic(std::string_view text);
