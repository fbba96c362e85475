// Storing an FPGA update in the container on a card, or clearing it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class IProgressOwner;

// With a path the file's bytes become the container's FPGA update; with an
// empty path (none) a stored update is cleared. 0 or an error code; a file
// that cannot be the update is refused before the card is touched:
// DDA_ERR_WRONG_IMAGE_SIZE when it is too long (seen before it is read),
// DDA_ERR_FILE_NOT_FOUND when it is missing, else the system's code
// (kErrorBadFileType for a device or a pipe).
[[nodiscard]] int FfaWriteFpgaUpdate(char drive, const std::string* filePath,
                                     IProgressOwner* parent);

// Whether the FPGA update dialog may write: the card is open to raw access
// (CARD_RAW_ACCESS) or is a container file, and the path holds more than
// blanks, tabs and line ends.
bool FpgaWriteAllowed(std::uint32_t cardFlags, std::string_view path);
