// The listings that `state`, `slots` and the demo print on standard output.
#pragma once

#include <string>

// The card's state flags, size and, with a valid container, its name, kind,
// image count, FPGA update and recorded start sector, one "key: value" line
// each. Prints nothing else and cannot fail once the card is attached.
void PrintCardState(const std::string& driveEntry);

// One line per slot: number (from 1), name and time stamp, tab-separated;
// with `contents` also what the image holds: kind word, label, files,
// folders, bytes used, bytes free and the description. 0 or the code why the
// container (or a slot's image) cannot be read.
int PrintSlots(char drive, bool contents = false);

// Control characters (C1 included) become '?', so one name never breaks a line or
// a column.
std::string PrintableName(const std::string& name);
