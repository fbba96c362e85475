// Storing an FPGA update in the container on a card, or clearing it.
#pragma once

#include <string>

class IProgressOwner;

// With a path the file's bytes become the container's FPGA update; with an
// empty path (none) a stored update is cleared. 0 or an error code.
int FfaWriteFpgaUpdate(char drive, const std::string* filePath, IProgressOwner* parent);
