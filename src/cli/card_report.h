// The listings that `state`, `slots` and the demo print on standard output.
#pragma once

#include <string>

// The card's state flags, size and, with a valid container, its name, kind,
// image count, FPGA update and recorded start sector, one "key: value" line
// each. Prints nothing else and cannot fail once the card is attached.
void PrintCardState(const std::string& driveEntry);

// One line per slot: number (from 1), name and time stamp, tab-separated.
// 0 or the code why the container cannot be listed.
int PrintSlots(char drive);

// Control characters (C1 included) become '?', so one name never breaks a line or
// a column.
std::string PrintableName(const std::string& name);
