// A container file on disk (a user's backup of a card) opened as a card: its
// slots, names and FPGA update are worked on through the container store as
// on a card, while the commands that need a card around the container
// (recording the start sector, erasing, creating, deleting) refuse it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/drive_images.h"

// True when the file begins with the container's 16-byte signature, whatever
// its name. A card image never does: it begins with boot code.
bool IsContainerFile(const std::string& path);

// Attaches a container file as a card at the first free letter from D:
// (write-protected with options.readOnly), or else a card image with the
// options. Returns the letter, or 0 with the code in *error.
char AttachCardFile(const std::string& path, const platform::ImageDriveOptions& options,
                    std::uint32_t* error);
// Detaches what AttachCardFile attached; false when the letter holds neither.
bool DetachCardFile(char letter);

// True when path is a container file attached as a card (by any path).
bool IsOpenContainerFile(const std::string& path);
// True when the drive is a container file, not a card.
bool IsContainerFileCard(char drive);
// The container file on disk behind the drive; empty for a card.
std::string ContainerFileOf(char drive);
// kErrorNotSupported for a container file: the commands that need a card
// call it first. 0 for a card.
[[nodiscard]] int RefuseContainerFile(char drive);
